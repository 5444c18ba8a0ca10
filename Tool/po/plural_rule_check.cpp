#include "plural_rule_check.h"

#include "header_fields.h"
#include "plural_table.h"

#include <algorithm>

namespace vellix {

const std::vector<unsigned long> &plural_check_numbers() {
    static const std::vector<unsigned long> numbers = [] {
        std::vector<unsigned long> all;
        for (unsigned long n = 0; n <= 10000; ++n) all.push_back(n);
        for (const unsigned long large : {100000ul, 1000000ul, 1000001ul, 2000000ul, 10000000ul, 100000000ul, 1000000000ul,
                                          2000000000ul, 4294967295ul}) {
            all.push_back(large);
        }
        return all;
    }();
    return numbers;
}

std::string language_of_po_name(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string_view name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
    if (name.size() < 4 || name.substr(name.size() - 3) != ".po") return "";
    name.remove_suffix(3);
    const std::string_view code = name.substr(0, name.find('@'));
    const std::size_t underscore = code.find('_');
    const std::string_view language = code.substr(0, underscore);
    const auto all_of = [](std::string_view text, char first, char last) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [=](char c) { return c >= first && c <= last; });
    };
    if (language.size() < 2 || language.size() > 3 || !all_of(language, 'a', 'z')) return "";
    if (underscore != std::string_view::npos) {
        const std::string_view country = code.substr(underscore + 1);
        if (country.size() != 2 || !all_of(country, 'A', 'Z')) return "";
    }
    return std::string(name);
}

std::string po_language(const std::string &header, std::string_view path) {
    const std::string language = header_field(header, "Language");
    return language.empty() ? language_of_po_name(path) : language;
}

std::string differs_from_known_rule(const PluralRule &file_rule, const std::string &language, const char *known,
                                    const std::string &whose) {
    PluralRule rule;
    std::string problem;
    if (!known || !rule.parse(known, problem)) return "";
    for (const unsigned long n : plural_check_numbers()) {
        const unsigned long theirs = file_rule.form(n), ours = rule.form(n);
        if (theirs == ours) continue;
        return whose + " Plural-Forms is not the rule for " + language + ": for n = " + std::to_string(n) +
               " it picks form " + std::to_string(theirs) + ", the rule picks form " + std::to_string(ours) +
               "; use \"Plural-Forms: " + known + "\\n\" (vellix plural-forms renumbers the entries' forms)";
    }
    if (file_rule.plural_count() != rule.plural_count()) {
        return whose + " Plural-Forms has nplurals=" + std::to_string(file_rule.plural_count()) + ", the rule for " +
               language + " " + std::to_string(rule.plural_count()) + "; use \"Plural-Forms: " + known + "\\n\"";
    }
    return "";
}

std::vector<std::string> cldr_categories_of(const PluralRule &rule, const std::string &language) {
    const CldrPluralRule *cldr = cldr_plural_rule_for(language);
    PluralRule theirs;
    std::string problem;
    if (!cldr || !theirs.parse(cldr->plural_forms, problem) || rule.plural_count() > 1000) return {};
    std::vector<std::string> names;
    for (std::string_view all = cldr->categories; !all.empty();) {
        const std::size_t space = std::min(all.find(' '), all.size());
        names.emplace_back(all.substr(0, space));
        all.remove_prefix(std::min(space + 1, all.size()));
    }
    // Each CLDR category must fall to one form of `rule`; a form may take several ("many/other").
    std::vector<unsigned long> form_of_category(names.size(), rule.plural_count());
    std::vector<std::string> categories(rule.plural_count());
    for (const unsigned long n : plural_check_numbers()) {
        const unsigned long category = theirs.form(n), form = rule.form(n);
        if (category >= names.size() || form >= rule.plural_count()) return {};
        if (form_of_category[category] == form) continue;
        if (form_of_category[category] != rule.plural_count()) return {};
        form_of_category[category] = form;
    }
    for (std::size_t category = 0; category < names.size(); ++category) {  // in CLDR's order
        const unsigned long form = form_of_category[category];
        if (form < categories.size()) categories[form] += (categories[form].empty() ? "" : "/") + names[category];
    }
    return categories;
}

std::vector<std::string> unreached_forms(const PluralRule &rule) {
    const unsigned long count = rule.plural_count();
    if (count > 1000) return {};  // refused elsewhere: too many forms
    std::vector<bool> reached(count, false);
    for (const unsigned long n : plural_check_numbers()) {
        const unsigned long form = rule.form(n);
        if (form < count) reached[form] = true;
    }
    std::vector<std::string> unreached;
    for (unsigned long form = 0; form < count; ++form) {
        if (reached[form]) continue;
        unreached.push_back("form " + std::to_string(form) + " of the header's Plural-Forms is picked for no n from 0 to "
                            "10000 nor any large one tried: every msgstr[" + std::to_string(form) + "] is never shown");
    }
    return unreached;
}

}  // namespace vellix
