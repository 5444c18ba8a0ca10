// vellix compile [--use-fuzzy] [--keys=msgid|msgctxt] [--keep-charset] -o CATALOG INPUT: a PO file
// (.po, .pot) or a catalog source compiled into a catalog, written whole or not at all.
#include "replace_file.h"
#include "commands.h"
#include "compile_catalog.h"
#include "po_catalog.h"

#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellix {
namespace {

// A PO file's entries, back to back in one block: no allocation per entry, since they are only
// written out.
class PackedEntries {
public:
    // Room for a file of `file_size` bytes, whose entries never take more; reserved memory costs
    // nothing until it is touched.
    explicit PackedEntries(std::size_t file_size) {
        bytes_.reserve(file_size);
        spans_.reserve(file_size / 64);
    }
    void add(std::string_view key, std::string_view value) {
        spans_.push_back(Span{bytes_.size(), key.size(), value.size()});
        bytes_.append(key).append(value);
    }
    std::size_t size() const { return spans_.size(); }
    std::pair<std::string_view, std::string_view> at(std::size_t index) const {
        const Span &span = spans_[index];
        const std::string_view all(bytes_);
        return {all.substr(span.offset, span.key_length), all.substr(span.offset + span.key_length, span.value_length)};
    }

private:
    struct Span {
        std::size_t offset;
        std::size_t key_length;
        std::size_t value_length;
    };
    std::string bytes_;
    std::vector<Span> spans_;
};

// Collects a PO file's entries and prints its findings on standard error.
class CompileSink : public PoCatalogSink {
public:
    CompileSink(const std::string &path, PackedEntries &entries) : path_(path), entries_(entries) {}

    void entry(std::string_view key, std::string_view value, std::uint64_t) override { entries_.add(key, value); }
    void finding(const PoFinding &finding) override {
        const std::string lines = finding_lines(path_, finding.line, finding.error ? "error" : "warning", finding.text,
                                                path_, finding.note_line, finding.note);
        std::fwrite(lines.data(), 1, lines.size(), stderr);
    }

private:
    const std::string &path_;
    PackedEntries &entries_;
};

struct CompileRequest {
    PoOptions options;
    std::string output;
    std::string input;
};

// Gives status_clean when the words make a request, else prints the usage error and gives its status.
int parse_request(const Messages &messages, const Arguments &words, CompileRequest &request) {
    bool has_output = false;
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (word == "--use-fuzzy") {
            request.options.use_fuzzy = true;
        } else if (word == "--keep-charset") {
            request.options.keep_charset = true;
        } else if (word == "--keys=msgid" || word == "--keys=msgctxt") {
            request.options.keys = word == "--keys=msgid" ? PoKeys::msgid : PoKeys::msgctxt;
        } else if (word == "-o" || word == "--output") {
            if (i + 1 == words.size()) return messages.usage_error("compile: " + word + " needs a CATALOG");
            request.output = words[++i];
            has_output = true;
        } else if (word.compare(0, 9, "--output=") == 0) {
            request.output = word.substr(9);
            has_output = true;
        } else if (word.size() > 1 && word[0] == '-') {
            return messages.usage_error("compile: unknown option '" + word + "'");
        } else {
            inputs.push_back(word);
        }
    }
    if (!has_output) return messages.usage_error("compile: no -o CATALOG given");
    if (inputs.size() != 1) return messages.usage_error("compile: give exactly one INPUT");
    request.input = inputs[0];
    return status_clean;
}

}  // namespace

// compile [--use-fuzzy] [--keys=msgid|msgctxt] [--keep-charset] -o CATALOG INPUT
int run_compile(const Messages &messages, const Arguments &words) {
    CompileRequest request;
    if (const int status = parse_request(messages, words, request); status != status_clean) return status;
    SourceFile input;
    if (!read_source_or_report(messages, request.input, input)) return status_findings;
    if (same_file(request.output.c_str(), request.input.c_str())) {
        messages.file_trouble(request.output, "CATALOG and INPUT are the same file");
        return status_findings;
    }
    if (is_po_path(request.input)) {
        PackedEntries entries{input.size};
        CompileSink sink{request.input, entries};
        const PoSummary summary = read_po_catalog(input.bytes.get(), input.size, request.options, sink);
        if (summary.errors != 0) return status_findings;  // nothing is written
        input.bytes.reset();
        return write_compiled(messages.program(), request.output.c_str(), entries.size(),
                              [&entries](std::size_t index) { return entries.at(index); });
    }
    CatalogEntries entries;
    if (!collect_source_entries(messages.program(), request.input.c_str(), input, entries)) throw std::bad_alloc();
    input.bytes.reset();
    return write_compiled(messages.program(), request.output.c_str(), entries);
}

}  // namespace vellix
