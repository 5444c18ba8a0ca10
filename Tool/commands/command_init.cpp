// vellix init --locale=LL[_CC] [-o OUTPUT] TEMPLATE: a new translation from a template, its header
// filled in for the language.
#include "commands.h"
#include "file_system.h"
#include "header_fields.h"
#include "plural_rule.h"
#include "plural_table.h"
#include "po_file.h"

#include <cstdio>
#include <string>

namespace vellix {

// init --locale=LL[_CC] [-o OUTPUT] TEMPLATE
int run_init(const Messages &messages, const Arguments &words) {
    std::string locale, output, template_path;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i].compare(0, 9, "--locale=") == 0) {
            locale = words[i].substr(9);
        } else if (words[i] == "-o" || words[i] == "--output") {
            if (i + 1 == words.size()) return messages.usage_error("init: " + words[i] + " needs an OUTPUT");
            output = words[++i];
        } else if (words[i].size() > 1 && words[i][0] == '-') {
            return messages.usage_error("init: unknown option '" + words[i] + "'");
        } else if (template_path.empty()) {
            template_path = words[i];
        } else {
            return messages.usage_error("init: give exactly one TEMPLATE");
        }
    }
    if (locale.empty()) return messages.usage_error("init: no --locale=LL[_CC] given");
    if (template_path.empty()) return messages.usage_error("init: no TEMPLATE given");
    if (output.empty()) output = locale + ".po";
    // A translation holds a translator's work: init never replaces one.
    if (std::FILE *existing = open_file(output.c_str(), "rb")) {
        std::fclose(existing);
        messages.file_trouble(output, "it exists already; vellix merge brings it up to date");
        return status_findings;
    }
    PoFile file;
    if (!read_po_file(messages, template_path, file)) return status_findings;

    const char *rule = plural_forms_for(locale);
    std::string header = file.has_header && !file.header.translations.empty() ? file.header.translations.front() : std::string();
    header = with_header_field(header, "Language", locale);
    header = with_header_field(header, "Content-Type", "text/plain; charset=UTF-8");
    if (rule) header = with_header_field(header, "Plural-Forms", rule);
    file.header.has_context = false;
    file.header.id.clear();
    file.header.has_plural = false;
    file.header.translations.assign(1, header);
    file.header.flags.clear();  // a template's header is fuzzy; a translation's is not
    file.has_header = true;

    std::string ignored;
    PluralRule parsed;
    if (rule) parsed.parse(rule, ignored);
    for (PoMessage &entry : file.entries) {
        entry.translations.assign(entry.has_plural ? parsed.plural_count() : 1, std::string());
    }
    file.obsolete.clear();
    if (!write_text_file(output, po_file_text(file))) {
        messages.file_trouble(output, "cannot write");
        return status_findings;
    }
    if (!rule) {
        messages.trouble("no plural rule is known for the language of '" + locale + "': " + output +
                         " is written without one; add a line \"Plural-Forms: nplurals=N; plural=EXPRESSION;\" to its header "
                         "by hand");
        return status_findings;
    }
    return status_clean;
}

}  // namespace vellix
