#include "user_languages.h"

#include "file_system.h"

#include <algorithm>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vellix {
namespace {

#ifdef _WIN32
constexpr bool windows = true;
#else
constexpr bool windows = false;
#endif

bool names_no_language(std::string_view locale) {
    return locale == "C" || locale == "POSIX";
}

// Letters, digits and the punctuation of locale names: nothing that could climb out of the
// catalog directory or name a device.
bool is_language_byte(char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           std::string_view("_-.@+,=").find(byte) != std::string_view::npos;
}

#ifdef _WIN32
// The user's preferred UI languages, most preferred first, as the system lists them ("de-AT").
std::vector<std::string> system_ui_languages() {
    ULONG count = 0, size = 0;
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0) return {};
    std::wstring names(size, L'\0');
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, &names[0], &size)) return {};
    std::vector<std::string> languages;
    for (const wchar_t *name = names.c_str(); *name; name += std::wcslen(name) + 1) {
        languages.push_back(utf8_from_wide(name));
    }
    return languages;
}
#endif

}  // namespace

UserLanguages read_user_languages(const EnvironmentReader &environment, const std::vector<std::string> &ui_languages) {
    UserLanguages result;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string value;
        if (environment(name, value) && !value.empty()) {
            result.locale = value;
            result.locale_origin = name;
            break;
        }
    }
    // No locale set is the C locale on POSIX systems; on Windows the UI languages stand in for it.
    const bool silenced = result.locale_origin.empty() ? !windows : names_no_language(result.locale);
    result.language_set = environment("LANGUAGE", result.language);
    const std::string &language = result.language;
    if (result.language_set && !language.empty()) {
        result.language_ignored = silenced;
        for (std::size_t start = 0; !silenced && start <= language.size();) {
            const std::size_t end = std::min(language.find(':', start), language.size());
            if (end > start) result.languages.push_back({language.substr(start, end - start), "LANGUAGE"});
            start = end + 1;
        }
    }
    if (!windows && !result.locale.empty()) result.languages.push_back({result.locale, result.locale_origin});
    for (std::string name : ui_languages) {
        std::replace(name.begin(), name.end(), '-', '_');
        result.languages.push_back({name, "the Windows UI languages"});
    }
    return result;
}

UserLanguages user_languages() {
#ifdef _WIN32
    const std::vector<std::string> ui_languages = system_ui_languages();
#else
    const std::vector<std::string> ui_languages;
#endif
    return read_user_languages(read_environment, ui_languages);
}

std::vector<std::string> language_fallbacks(const std::string &language) {
    if (language.empty() || language[0] == '.' || !std::all_of(language.begin(), language.end(), is_language_byte)) return {};
    // language[_territory][.codeset][@modifier]
    const std::size_t at = language.find('@');
    const std::string modifier = at == std::string::npos ? std::string() : language.substr(at);
    const std::string without_modifier = language.substr(0, at);
    const std::string without_codeset = without_modifier.substr(0, without_modifier.find('.'));
    const std::size_t underscore = without_codeset.find('_');
    const std::string bare = without_codeset.substr(0, underscore);
    if (bare.empty() || names_no_language(bare)) return {};
    std::vector<std::string> names;
    const bool territory = underscore != std::string::npos && underscore + 1 < without_codeset.size();
    if (territory && !modifier.empty()) names.push_back(without_codeset + modifier);
    if (!modifier.empty()) names.push_back(bare + modifier);
    if (territory) names.push_back(without_codeset);
    names.push_back(bare);
    return names;
}

std::vector<CatalogLanguage> catalog_languages(const UserLanguages &languages) {
    std::vector<CatalogLanguage> directories;
    for (const UserLanguage &language : languages.languages) {
        for (std::string &name : language_fallbacks(language.name)) {
            const bool seen = std::any_of(directories.begin(), directories.end(),
                                          [&](const CatalogLanguage &known) { return known.directory == name; });
            if (!seen) directories.push_back({std::move(name), &language});
        }
    }
    return directories;
}

}  // namespace vellix
