// vellix check [--strict] [--complete] [--against REFERENCE] FILE...: the findings of each catalog
// source or PO file, and, with a reference, the keys (and, between sources, printf arguments) that
// differ; with --complete, every untranslated or fuzzy entry of a PO file fails the check.
#include "commands.h"
#include "option_reader.h"
#include "plural_rule_check.h"
#include "po_catalog.h"
#include "source_check.h"
#include "text_escape.h"

#include <cstdio>
#include <string>
#include <vector>

namespace vellix {
namespace {

struct CheckRequest {
    bool strict = false;
    bool complete = false;  // a PO file's untranslated and fuzzy entries fail
    std::string reference_path;  // empty without --against (the option takes no empty value)
    std::vector<std::string> paths;
};

// A PO file's keys with their msgids, and, when `findings` is given, its findings as they come
// (with `complete`, one for each entry not translated as it stands).
class PoCheckSink : public PoCatalogSink {
public:
    explicit PoCheckSink(FindingSink *findings, bool complete = false) : findings_(findings), complete_(complete) {}

    void entry(std::string_view, std::string_view, std::uint64_t) override {}
    void finding(const Finding &finding) override {
        if (findings_) findings_->finding(finding);
    }
    void key(std::string_view key, std::string_view id, std::uint64_t line) override {
        keys.keys.emplace_back(key);
        keys.first_definitions.emplace(std::string(key), Definition{line, std::string(id)});
    }
    void incomplete(std::string_view key, bool fuzzy, std::uint64_t line) override {
        if (!complete_ || !findings_) return;
        findings_->finding(error_at(line, "key " + quoted(key) + (fuzzy ? " is fuzzy: review its translation and remove the fuzzy flag"
                                                                        : " is untranslated")));
    }

    SourceKeys keys;

private:
    FindingSink *findings_;
    bool complete_;
};

// The keys of a source or a PO file, whose msgids stand for its values.
bool read_keys(const Messages &messages, const std::string &path, SourceKeys &keys) {
    SourceFile file;
    if (!read_source_or_report(messages, path, file)) return false;
    if (!is_po_path(path)) {
        struct Ignored : FindingSink {
            void finding(const Finding &) override {}
        } ignored;
        keys = check_source(file.bytes.get(), file.size, nullptr, ignored);
        return true;
    }
    PoCheckSink sink{nullptr};
    read_po_catalog(file.bytes.get(), file.size, PoOptions{}, sink);
    keys = std::move(sink.keys);
    return true;
}

// A PO file: its own findings, then the keys it lacks or adds against the reference.
void check_po(const std::string &path, const SourceFile &file, const SourceKeys *reference, bool complete,
              FindingSink &findings) {
    PoCheckSink sink{&findings, complete};
    PoOptions options;
    options.check_plural_rule = true;
    options.file_language = language_of_po_name(path);
    read_po_catalog(file.bytes.get(), file.size, options, sink);
    if (!reference) return;
    for (const std::string &key : sink.keys.keys) {
        if (reference->first_definitions.count(key)) continue;
        findings.finding(extra_key_finding(key, sink.keys.first_definitions.at(key).line));
    }
    for (const std::string &key : reference->keys) {
        if (!sink.keys.first_definitions.count(key)) findings.finding(missing_key_finding(key, *reference));
    }
}

int parse_request(const Messages &messages, const Arguments &words, CheckRequest &request) {
    CommandLine line;
    if (!read_command_line(messages, "check", words, {{'\0', "strict", nullptr}, {'\0', "complete", nullptr}, {'\0', "against", "a REFERENCE"}}, line)) {
        return status_trouble;
    }
    for (const GivenOption &option : line.options) {
        if (option.is("strict")) request.strict = true;
        if (option.is("complete")) request.complete = true;
        if (option.is("against")) request.reference_path = option.value;
    }
    request.paths = std::move(line.operands);
    if (request.paths.empty()) return messages.usage_error("check: no SOURCE given");
    return status_clean;
}

}  // namespace

// check [--strict] [--complete] [--against REFERENCE] FILE...
int run_check(const Messages &messages, const Arguments &words) {
    CheckRequest request;
    if (const int status = parse_request(messages, words, request); status != status_clean) return status;
    SourceKeys reference;
    const bool has_reference = !request.reference_path.empty();
    if (has_reference && !read_keys(messages, request.reference_path, reference)) return status_trouble;
    const SourceKeys *against = has_reference ? &reference : nullptr;
    int status = status_clean;
    for (const std::string &path : request.paths) {
        SourceFile file;
        if (!read_source_or_report(messages, path, file)) {
            status = status_trouble;
            continue;
        }
        // Each finding is printed as soon as it is found.
        FindingPrinter printer{stdout, path, request.reference_path};
        if (is_po_path(path)) {
            check_po(path, file, against, request.complete, printer);
        } else {
            check_source(file.bytes.get(), file.size, against, printer);
        }
        const bool fails = printer.failing != 0 || (request.strict && printer.all != 0);
        if (fails && status == status_clean) status = status_findings;
    }
    return status;
}

}  // namespace vellix
