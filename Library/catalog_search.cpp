#include "catalog_search.h"

#include "catalog_format.h"
#include "search_step.h"

#include <clocale>

namespace vellix {

std::vector<std::string_view> split_search_path(std::string_view search_path) {
    std::vector<std::string_view> templates;
    for (;;) {
        const std::size_t separator = search_path.find(';');
        templates.push_back(search_path.substr(0, separator));
        if (separator == std::string_view::npos) return templates;
        search_path.remove_prefix(separator + 1);
    }
}

std::string expand_template(std::string_view pattern, std::string_view name, const char *locale) {
    std::string path;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            path += pattern[i];
        } else if (++i == pattern.size()) {
            break;  // a trailing '%' gives nothing
        } else if (pattern[i] == 'N') {
            path.append(name).append(catalog_extension);
        } else if (pattern[i] == 'L') {
            if (locale) path += locale;
        } else {
            path += pattern[i];
        }
    }
    return path;
}

i18n *search_catalog(const char *name, SearchObserver *observer) {
    std::string templates_text;  // a private copy: the environment may change
    if (!read_environment("NLSPATH", templates_text)) {
        if (observer) observer->started(nullptr, nullptr);
        return nullptr;
    }
    const std::string utf8_name = as_utf8(name);
    const char *locale_name = std::setlocale(LC_ALL, nullptr);
    const std::string locale = locale_name ? as_utf8(locale_name) : std::string();
    if (observer) observer->started(templates_text.c_str(), locale_name ? locale.c_str() : nullptr);
    const std::vector<std::string_view> templates = split_search_path(templates_text);
    for (std::size_t i = 0; i < templates.size(); ++i) {
        const std::string path = expand_template(templates[i], utf8_name, locale_name ? locale.c_str() : nullptr);
        const SearchStep step = search_step(
            path, [&](PathKind kind) { if (observer) observer->tried(i + 1, templates.size(), templates[i], path, kind); },
            [&](const CatalogReport &report, const i18n *handle) { if (observer) observer->loaded(report, handle); });
        // The first file that opens ends the search, whatever it holds.
        if (step.opened) return step.handle;
    }
    return nullptr;
}

}  // namespace vellix
