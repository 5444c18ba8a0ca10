// vellix init --locale=LL[_CC] [-o OUTPUT] TEMPLATE: a new translation from a template, its header
// filled in for the language.
#include "commands.h"
#include "charset_conversion.h"
#include "option_reader.h"
#include "replace_file.h"
#include "file_system.h"
#include "header_fields.h"
#include "plural_rule.h"
#include "plural_table.h"
#include "po_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

namespace vellix {
namespace {

// Now, as a PO header dates a revision: "2026-12-09 20:15+0100". The offset from UTC is worked out
// rather than taken from strftime's %z, which Windows' C library spells as the zone's name.
std::string revision_date() {
    const std::time_t now = std::time(nullptr);
    std::tm local{}, utc{};
#ifdef _WIN32
    localtime_s(&local, &now);
    gmtime_s(&utc, &now);
#else
    localtime_r(&now, &local);
    gmtime_r(&now, &utc);
#endif
    // UTC's fields read as local time lie as far from now as the zone (and its summer time) is.
    utc.tm_isdst = local.tm_isdst;
    const long offset_minutes = static_cast<long>(std::difftime(now, std::mktime(&utc))) / 60;
    const long magnitude = offset_minutes < 0 ? -offset_minutes : offset_minutes;
    char date[32], text[80];
    if (std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &local) == 0) return std::string();
    std::snprintf(text, sizeof text, "%s%c%02ld%02ld", date, offset_minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

}  // namespace

// init --locale=LL[_CC] [--plural-forms=RULE] [-o OUTPUT] TEMPLATE
int run_init(const Messages &messages, const Arguments &words) {
    std::string locale, output, given_rule;
    CommandLine line;
    if (!read_command_line(messages, "init", words,
                           {{'l', "locale", "a LL[_CC]"}, {'o', "output", "an OUTPUT"}, {'\0', "plural-forms", "a RULE"}}, line)) {
        return status_trouble;
    }
    for (const GivenOption &option : line.options) {
        if (option.is("locale")) locale = option.value;
        if (option.is("output")) output = option.value;
        if (option.is("plural-forms")) given_rule = option.value;
    }
    if (locale.empty()) return messages.usage_error("init: no --locale=LL[_CC] given");
    if (line.operands.empty()) return messages.usage_error("init: no TEMPLATE given");
    if (line.operands.size() > 1) return messages.usage_error("init: give exactly one TEMPLATE");
    // The rule: the one given, for any language, else the language's known one.
    const char *rule = given_rule.empty() ? plural_forms_for(locale) : given_rule.c_str();
    if (!given_rule.empty()) {
        PluralRule checked;
        std::string problem;
        if (!checked.parse(given_rule, problem)) return messages.usage_error("init: --plural-forms does not parse: " + problem);
        if (checked.plural_count() > max_plural_forms) return messages.usage_error("init: " + too_many_forms(checked.plural_count()));
    }
    if (!rule) {
        messages.trouble("no plural rule is known for the language of '" + locale +
                         "' (neither GNU msginit's nor the Unicode CLDR's); nothing is written. Give one with "
                         "--plural-forms='nplurals=N; plural=EXPRESSION;', for instance --plural-forms='nplurals=2; "
                         "plural=(n != 1);' for a language with one form for 1 and one for every other number");
        return status_findings;
    }
    const std::string &template_path = line.operands[0];
    if (output.empty()) output = locale + ".po";
    // A translation holds a translator's work: init never replaces one (checked first for a quick
    // answer, and again when the file is created, for an init running at the same time).
    const auto exists = [&messages, &output] {
        messages.file_trouble(output, "it exists already; vellix merge brings it up to date");
        return status_findings;
    };
    if (std::FILE *existing = open_file(output.c_str(), "rb")) {
        std::fclose(existing);
        return exists();
    }
    PoFile file;
    if (const int status = read_po_or_report(messages, template_path, file); status != status_clean) return status;
    // A template whose entries lack their keys would start a translation that never compiles.
    FindingPrinter printer{stderr, template_path};
    std::size_t keyless = 0;
    TextStore made_keys;
    for (const std::vector<PoMessage> *entries : {&file.entries, &file.obsolete}) {
        keyed_entries(*entries, file.keys_in_context(), printer, keyless, made_keys);
    }
    if (keyless != 0) return status_findings;

    std::string header = file.header_text();
    // The fields msgfmt --check asks of a translation's header, where the template lacks them.
    const std::pair<const char *, std::string> expected[] = {
        {"Project-Id-Version", "PACKAGE VERSION"}, {"PO-Revision-Date", revision_date()}, {"Last-Translator", "Automatically generated"},
        {"Language-Team", "none"},                 {"MIME-Version", "1.0"},            {"Content-Transfer-Encoding", "8bit"}};
    for (const auto &[name, value] : expected) {
        if (header_field(header, name).empty() || std::string(name) == "PO-Revision-Date") header = with_header_field(header, name, value);
    }
    header = with_header_field(header, "Language", locale);
    // A template in another charset keeps it (the translation is written in it); any other is UTF-8.
    if (file.charset.empty()) header = with_header_field(header, "Content-Type", "text/plain; charset=UTF-8");
    header = with_header_field(header, "Plural-Forms", rule);
    file.header.has_context = false;
    file.header.id.clear();
    file.header.has_plural = false;
    file.header.translations.assign(1, header);
    file.header.flags.clear();  // a template's header is fuzzy; a translation's is not
    file.has_header = true;

    std::string ignored;
    PluralRule parsed;
    parsed.parse(rule, ignored);
    for (PoMessage &entry : file.entries) {
        entry.translations.assign(entry.has_plural ? parsed.plural_count() : 1, std::string());
    }
    file.obsolete.clear();
    // A template in another charset gives a translation in that charset, as its header says.
    std::string text = po_file_text(file);
    if (!file.charset.empty()) text = convert_from_utf8(text, file.charset).text;
    switch (create_file_with_text(output, text)) {
    case Creation::created: break;
    case Creation::exists: return exists();
    case Creation::failed:
        return messages.cannot_write(output, write_failure_reason(errno));
    }
    return status_clean;
}

}  // namespace vellix
