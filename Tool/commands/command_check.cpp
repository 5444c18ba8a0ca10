// vellix check [--strict] [--against REFERENCE] FILE...: the findings of each catalog source or PO
// file, and, with a reference, the keys (and, between sources, printf arguments) that differ.
#include "commands.h"
#include "po_catalog.h"
#include "source_check.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vellix {
namespace {

struct CheckRequest {
    bool strict = false;
    bool has_reference = false;
    std::string reference_path;
    std::vector<std::string> paths;
};

void print(const std::string &lines) { std::fwrite(lines.data(), 1, lines.size(), stdout); }

// A PO file's keys with their msgids, and, when `counted` is given, its findings as they come.
class PoCheckSink : public PoCatalogSink {
public:
    PoCheckSink(const std::string &path, const std::function<void(bool serious)> *counted)
        : path_(path), counted_(counted) {}

    void entry(std::string_view, std::string_view, std::uint64_t) override {}
    void finding(const PoFinding &finding) override {
        if (!counted_) return;
        print(finding_lines(path_, finding.line, finding.error ? "error" : "warning", finding.text, path_,
                            finding.note_line, finding.note));
        (*counted_)(finding.error);
    }
    void key(std::string_view key, std::string_view id, std::uint64_t line) override {
        keys.keys.emplace_back(key);
        keys.first_definitions.emplace(std::string(key), Definition{line, std::string(id)});
    }

    SourceKeys keys;

private:
    const std::string &path_;
    const std::function<void(bool)> *counted_;
};

// The keys of a source or a PO file, whose msgids stand for its values.
bool read_keys(const Messages &messages, const std::string &path, SourceKeys &keys) {
    SourceFile file;
    if (!read_source_or_report(messages, path, file)) return false;
    if (!is_po_path(path)) {
        keys = check_source(file.bytes.get(), file.size, nullptr, [](const Finding &) {});
        return true;
    }
    PoCheckSink sink{path, nullptr};
    read_po_catalog(file.bytes.get(), file.size, PoOptions{}, sink);
    keys = std::move(sink.keys);
    return true;
}

// A PO file: its own findings, then the keys it lacks or adds against the reference.
void check_po(const SourceFile &file, const std::string &path, const CheckRequest &request, const SourceKeys *reference,
              const std::function<void(bool)> &counted) {
    PoCheckSink sink{path, &counted};
    read_po_catalog(file.bytes.get(), file.size, PoOptions{}, sink);
    if (!reference) return;
    for (const std::string &key : sink.keys.keys) {
        if (reference->first_definitions.count(key)) continue;
        print(finding_lines(path, sink.keys.first_definitions.at(key).line, "warning",
                            "key " + quoted(key) + " is not in the reference"));
        counted(false);
    }
    for (const std::string &key : reference->keys) {
        if (sink.keys.first_definitions.count(key)) continue;
        print(finding_lines(path, 0, "warning", "key " + quoted(key) + " of the reference is missing",
                            request.reference_path, reference->first_definitions.at(key).line,
                            "the reference defines it here"));
        counted(true);
    }
}

int parse_request(const Messages &messages, const Arguments &words, CheckRequest &request) {
    bool options_done = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (options_done || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            request.paths.push_back(word);
        } else if (word == "--") {
            options_done = true;
        } else if (word == "--strict") {
            request.strict = true;
        } else if (word == "--against" || word.compare(0, 10, "--against=") == 0) {
            if (word == "--against" && i + 1 == words.size()) return messages.usage_error("check: --against needs a REFERENCE");
            request.reference_path = word == "--against" ? words[++i] : word.substr(10);
            request.has_reference = true;
        } else {
            return messages.usage_error("check: unknown option '" + word + "'");
        }
    }
    if (request.paths.empty()) return messages.usage_error("check: no SOURCE given");
    return status_clean;
}

}  // namespace

// check [--strict] [--against REFERENCE] FILE...
int run_check(const Messages &messages, const Arguments &words) {
    CheckRequest request;
    if (const int status = parse_request(messages, words, request); status != status_clean) return status;
    SourceKeys reference;
    if (request.has_reference && !read_keys(messages, request.reference_path, reference)) return status_trouble;
    const SourceKeys *against = request.has_reference ? &reference : nullptr;
    int status = status_clean;
    const std::function<void(bool)> counted = [&](bool serious) {
        if ((serious || request.strict) && status == status_clean) status = status_findings;
    };
    for (const std::string &path : request.paths) {
        SourceFile file;
        if (!read_source_or_report(messages, path, file)) {
            status = status_trouble;
            continue;
        }
        if (is_po_path(path)) {
            check_po(file, path, request, against, counted);
            continue;
        }
        // Each finding is printed as soon as it is found.
        check_source(file.bytes.get(), file.size, against, [&](const Finding &finding) {
            print(finding_lines(path, finding.line, "warning", finding.text,
                                finding.note_in_reference ? request.reference_path : path, finding.note_line, finding.note));
            counted(finding.serious);
        });
    }
    return status;
}

}  // namespace vellix
