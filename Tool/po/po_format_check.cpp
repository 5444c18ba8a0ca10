#include "po_format_check.h"

#include "printf_format.h"

#include <string>

namespace vellix {
namespace {

constexpr unsigned long numbers_checked = 1000;
constexpr std::size_t few = 4;

// Whether `translation` takes a leading part of the original's arguments, of the same types.
bool takes_some_arguments(const PrintfFormat &original, const PrintfFormat &translation) {
    if (translation.argument_types.size() > original.argument_types.size()) return false;
    for (std::size_t i = 0; i < translation.argument_types.size(); ++i) {
        if (translation.argument_types[i] != original.argument_types[i]) return false;
    }
    return true;
}

}  // namespace

std::vector<bool> forms_serving_few_numbers(const PluralRule &rule) {
    std::vector<std::size_t> served(rule.plural_count() < 1000 ? rule.plural_count() : 1000, 0);
    for (unsigned long n = 0; n <= numbers_checked; ++n) {
        const unsigned long form = rule.form(n);
        if (form < served.size()) ++served[form];
    }
    std::vector<bool> few_numbers(served.size());
    for (std::size_t form = 0; form < served.size(); ++form) few_numbers[form] = served[form] <= few;
    return few_numbers;
}

std::vector<Finding> check_printf(const PoMessage &message, const std::vector<bool> &few_numbers) {
    std::vector<Finding> findings;
    if (message.has_flag("no-c-format")) return findings;
    const bool flagged = message.has_flag("c-format");
    const std::string &original_text = message.has_plural ? message.plural_id : message.id;
    if (!flagged && original_text.find('%') == std::string::npos) return findings;  // the common case, decided cheaply
    const PrintfFormat original = read_printf_format(original_text);
    if ((!flagged && original.conversions.empty()) || !original.invalid_because.empty()) return findings;
    const char *original_name = message.has_plural ? "msgid_plural" : "msgid";
    for (std::size_t form = 0; form < message.translations.size(); ++form) {
        if (message.translations[form].empty()) continue;
        const std::string name = message.has_plural ? "msgstr[" + std::to_string(form) + "]" : "msgstr";
        const PrintfFormat translation = read_printf_format(message.translations[form]);
        const bool lenient = message.has_plural && form < few_numbers.size() && few_numbers[form];
        Finding finding;
        finding.line = message.translation_line;
        finding.severity = flagged ? Severity::error : Severity::warning;
        if (!translation.invalid_because.empty()) {
            finding.text = "'" + name + "' is not a valid printf format, unlike '" + original_name + "': " + translation.invalid_because;
        } else if (lenient ? !takes_some_arguments(original, translation) : !same_arguments(original, translation)) {
            finding.text = "the printf conversions of '" + name + "' take other arguments than those of '" + original_name +
                           "': " + original_name + " " + listed_conversions(original) + ", " + name + " " +
                           listed_conversions(translation);
        } else {
            continue;
        }
        if (!flagged) finding.text += " (the entry is not flagged c-format)";
        findings.push_back(finding);
    }
    return findings;
}

}  // namespace vellix
