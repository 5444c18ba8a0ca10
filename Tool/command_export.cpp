// vellix export [--reference REFERENCE] INPUT: a catalog source or compiled catalog written as PO,
// a template (msgstr empty) or, with the source-language reference, a translation.
#include "catalog_format.h"
#include "commands.h"
#include "file_system.h"
#include "po_writer.h"
#include "source_check.h"
#include "source_parser.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace vellix {
namespace {

// The entries of a file in order, each key once (its first definition: what lookups find).
class EntryList : public SourceSink, public CatalogVisitor {
public:
    bool entry(std::string_view key, std::string_view value, std::uint64_t) override {
        add(key, value);
        return true;
    }
    void entry(std::uint64_t, std::string_view key, std::string_view value) override { add(key, value); }

    bool has(const std::string &key) const { return values_.count(key) != 0; }
    const std::string &value(const std::string &key) const { return values_.at(key); }
    const std::vector<std::string> &keys() const { return keys_; }

private:
    void add(std::string_view key, std::string_view value) {
        if (values_.emplace(std::string(key), std::string(value)).second) keys_.emplace_back(key);
    }
    std::vector<std::string> keys_;
    std::unordered_map<std::string, std::string> values_;
};

bool read_entries(const Messages &messages, const std::string &path, EntryList &entries) {
    std::FILE *file = open_file(path.c_str(), "rb");
    unsigned char magic[sizeof catalog_magic] = {};
    const bool is_catalog = file && std::fread(magic, 1, sizeof magic, file) == sizeof magic &&
                            std::memcmp(magic, catalog_magic, sizeof magic) == 0;
    if (file) std::fclose(file);
    if (is_catalog) {
        CatalogReport report;
        return read_catalog_or_report(messages, path, entries, report);
    }
    SourceFile source;
    if (!read_source_or_report(messages, path, source)) return false;
    parse_source(source.bytes.get(), source.size, entries);
    return true;
}

class PoExport {
public:
    PoExport(const Messages &messages, const std::string &path) : messages_(messages), path_(path) {}

    void write(const std::string &key, const std::string &id, const std::string &translation, const char *comment) {
        // The empty key holds a compiled PO file's header; a fresh one is written first.
        if (key.empty()) return;
        for (const std::string *text : {&key, &id, &translation}) {
            if (text->find('\0') == std::string::npos) continue;
            std::fflush(stdout);
            messages_.trouble(path_ + ": key " + quoted(key) + ": a NUL byte cannot be written in PO; the entry is left out");
            status = status_findings;
            return;
        }
        std::string entry = "\n";
        if (comment) entry += std::string("# ") + comment + "\n";
        entry += po_field("msgctxt", key) + po_field("msgid", id) + po_field("msgstr", translation);
        std::fwrite(entry.data(), 1, entry.size(), stdout);
    }

    int status = status_clean;

private:
    const Messages &messages_;
    const std::string &path_;
};

}  // namespace

// export [--reference REFERENCE] INPUT
int run_export(const Messages &messages, const Arguments &words) {
    std::string reference_path;
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--reference") {
            if (i + 1 == words.size()) return messages.usage_error("export: --reference needs a REFERENCE");
            reference_path = words[++i];
        } else if (words[i].compare(0, 12, "--reference=") == 0) {
            reference_path = words[i].substr(12);
        } else if (words[i].size() > 1 && words[i][0] == '-') {
            return messages.usage_error("export: unknown option '" + words[i] + "'");
        } else {
            inputs.push_back(words[i]);
        }
    }
    if (inputs.size() != 1) return messages.usage_error("export: give exactly one INPUT");
    EntryList input, reference;
    if (!read_entries(messages, inputs[0], input)) return status_trouble;
    if (!reference_path.empty() && !read_entries(messages, reference_path, reference)) return status_trouble;

    std::fputs(po_header().c_str(), stdout);
    PoExport out{messages, inputs[0]};
    if (reference_path.empty()) {
        for (const std::string &key : input.keys()) out.write(key, input.value(key), "", nullptr);
    } else {
        // The original's order; what only the translation has comes last, with its own text as msgid
        // (so that compiling the export gives back every entry) and a comment saying so.
        for (const std::string &key : reference.keys()) {
            out.write(key, reference.value(key), input.has(key) ? input.value(key) : "", nullptr);
        }
        for (const std::string &key : input.keys()) {
            if (!reference.has(key)) out.write(key, input.value(key), input.value(key), "not in the reference: msgid is this translation's own text");
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return messages.trouble("cannot write the output");
    return out.status;
}

}  // namespace vellix
