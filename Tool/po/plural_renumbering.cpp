#include "plural_renumbering.h"

#include "plural_rule_check.h"

#include <algorithm>
#include <map>

namespace vellix {
namespace {

// "0, 5, 6, 7, 8..." : the first few of `numbers`, and a mark when there are more.
std::string first_numbers(const std::vector<unsigned long> &numbers) {
    constexpr std::size_t shown = 5;
    std::string text;
    for (std::size_t i = 0; i < numbers.size() && i < shown; ++i) text += (i ? ", " : "") + std::to_string(numbers[i]);
    return numbers.size() > shown ? text + "..." : text;
}

}  // namespace

std::vector<FormSource> form_sources(const PluralRule &old_rule, const PluralRule &new_rule) {
    const unsigned long count = new_rule.plural_count();
    // For each new form, the numbers it takes, by the old form they had.
    std::vector<std::map<unsigned long, std::vector<unsigned long>>> by_old_form(count);
    std::vector<unsigned long> smallest(count, 0);
    std::vector<bool> reached(count, false);
    for (const unsigned long n : plural_check_numbers()) {
        const unsigned long form = new_rule.form(n);
        if (form >= count) continue;
        if (!reached[form]) smallest[form] = n;
        reached[form] = true;
        by_old_form[form][old_rule.form(n)].push_back(n);
    }
    std::vector<FormSource> sources(count);
    for (unsigned long form = 0; form < count; ++form) {
        FormSource &source = sources[form];
        if (!reached[form]) {
            // No number takes it: the nearest old form, to be reviewed.
            source.old_form = std::min(form, old_rule.plural_count() - 1);
            source.certain = false;
            source.numbers = "no number takes it";
            continue;
        }
        source.old_form = old_rule.form(smallest[form]);
        source.certain = by_old_form[form].size() == 1;
        if (source.certain) continue;
        for (const auto &[old_form, numbers] : by_old_form[form]) {
            if (!source.numbers.empty()) source.numbers += "; ";
            source.numbers += "n = " + first_numbers(numbers) + " took msgstr[" + std::to_string(old_form) + "]";
        }
    }
    return sources;
}

bool renumber_forms(PoMessage &entry, const std::vector<FormSource> &sources) {
    if (!entry.has_plural) return false;
    const std::vector<std::string> old = entry.translations;
    const bool translated = std::any_of(old.begin(), old.end(), [](const std::string &text) { return !text.empty(); });
    entry.translations.assign(sources.size(), std::string());
    if (!translated) return false;
    bool guessed = false;
    for (std::size_t form = 0; form < sources.size(); ++form) {
        const FormSource &source = sources[form];
        if (source.old_form < old.size()) entry.translations[form] = old[source.old_form];
        if (source.certain && source.old_form < old.size()) continue;
        guessed = true;
        entry.translator_comments.push_back("plural-forms: msgstr[" + std::to_string(form) + "] is old msgstr[" +
                                            std::to_string(source.old_form) + "], a guess: " +
                                            (source.old_form < old.size() ? source.numbers : "the entry had no such form"));
    }
    if (guessed && !entry.has_flag("fuzzy")) entry.flags.insert(entry.flags.begin(), "fuzzy");
    return guessed;
}

}  // namespace vellix
