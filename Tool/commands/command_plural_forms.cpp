// vellix plural-forms [--rule=RULE] [-o OUTPUT | -U] FILE.po: a translation whose plural rule
// changes, mended instead of retranslated: the header gets RULE (or the language's known rule) and
// every plural entry's forms are renumbered to it, guesses marked fuzzy with the numbers named.
#include "commands.h"
#include "command_files.h"
#include "header_fields.h"
#include "option_reader.h"
#include "plural_renumbering.h"
#include "plural_rule.h"
#include "plural_rule_check.h"
#include "plural_table.h"
#include "po_file.h"

#include <string>

namespace vellix {

// plural-forms [--rule=RULE] [-o OUTPUT | -U] FILE.po
int run_plural_forms(const Messages &messages, const Arguments &words) {
    std::string output, rule_text;
    bool update = false;
    CommandLine line;
    if (!read_command_line(messages, "plural-forms", words,
                           {{'\0', "rule", "a RULE"}, {'o', "output", "an OUTPUT"}, {'U', "update", nullptr}}, line)) {
        return status_trouble;
    }
    for (const GivenOption &option : line.options) {
        if (option.is("rule")) rule_text = option.value;
        if (option.is("output")) output = option.value;
        if (option.is("update")) update = true;
    }
    if (line.operands.size() != 1) return messages.usage_error("plural-forms: give exactly one FILE.po");
    if (update && !output.empty()) return messages.usage_error("plural-forms: -U and -o exclude each other");
    const std::string &path = line.operands[0];
    PoFile file;
    if (const int status = read_po_or_report(messages, path, file); status != status_clean) return status;

    const std::string header = file.header_text();
    const std::string language = po_language(header, path);
    if (rule_text.empty()) {
        const char *known = language.empty() ? nullptr : plural_forms_for(language);
        if (!known) {
            messages.trouble("plural-forms: no plural rule is known for " +
                             (language.empty() ? path + " (its header has no Language)" : "the language '" + language + "'") +
                             "; give one with --rule='nplurals=N; plural=EXPRESSION;'");
            return status_findings;
        }
        rule_text = known;
    }
    PluralRule new_rule;
    std::string problem;
    if (!new_rule.parse(rule_text, problem)) return messages.usage_error("plural-forms: the rule does not parse: " + problem);
    if (new_rule.plural_count() > max_plural_forms) return messages.usage_error("plural-forms: " + too_many_forms(new_rule.plural_count()));
    const PluralRule old_rule = PluralRule::of_header(header.c_str());
    if (old_rule.plural_count() > max_plural_forms) {
        messages.file_trouble(path, too_many_forms(old_rule.plural_count()));
        return status_findings;
    }

    const std::vector<FormSource> sources = form_sources(old_rule, new_rule);
    std::size_t renumbered = 0, fuzzy = 0;
    for (std::vector<PoMessage> *entries : {&file.entries, &file.obsolete}) {
        for (PoMessage &entry : *entries) {
            if (!entry.has_plural) continue;
            ++renumbered;
            if (renumber_forms(entry, sources)) ++fuzzy;
        }
    }
    file.has_header = true;
    file.header.translations.assign(1, with_header_field(header, "Plural-Forms", rule_text));
    const int status = write_po_output(messages, update ? path : output, po_file_text(file), file.charset);
    if (status != status_clean) return status;
    std::string moved;
    for (std::size_t form = 0; form < sources.size(); ++form) {
        moved += (form ? ", " : "") + std::string("msgstr[") + std::to_string(form) + "] from msgstr[" +
                 std::to_string(sources[form].old_form) + "]" + (sources[form].certain ? "" : " (a guess: " + sources[form].numbers + ")");
    }
    messages.say(path + ": nplurals=" + std::to_string(old_rule.plural_count()) + " to nplurals=" +
                 std::to_string(new_rule.plural_count()) + "; " + std::to_string(renumbered) + " plural entries renumbered, " +
                 std::to_string(fuzzy) + " marked fuzzy; " + moved);
    return status_clean;
}

}  // namespace vellix
