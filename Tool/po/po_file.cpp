#include "po_file.h"

#include "replace_file.h"
#include "header_fields.h"
#include "plural_rule.h"
#include "po_writer.h"

#include <cctype>
#include <cstdio>

namespace vellix {
namespace {

struct FileReader : PoSink {
    FileReader(const std::string &path, PoFile &file) : path_(path), file_(file) {}
    void message(const PoMessage &message) override {
        if (message.is_header() && !file_.has_header) {
            file_.has_header = true;
            file_.header = message;
        } else {
            file_.entries.push_back(message);
        }
    }
    void obsolete(const PoMessage &message) override { file_.obsolete.push_back(message); }
    void syntax_error(std::uint64_t line, const std::string &text) override {
        std::fputs(finding_lines(path_, line, "error", text).c_str(), stderr);
        ++errors;
    }
    std::size_t errors = 0;

private:
    const std::string &path_;
    PoFile &file_;
};

}  // namespace

bool read_po_file(const Messages &messages, const std::string &path, PoFile &file) {
    SourceFile source;
    if (!read_source_or_report(messages, path, source)) return false;
    FileReader reader{path, file};
    read_po(source.bytes.get(), source.size, reader);
    return reader.errors == 0;
}

std::string po_file_text(const PoFile &file) {
    std::string text;
    if (file.has_header) text += po_entry(file.header);
    for (const PoMessage &entry : file.entries) text += (text.empty() ? "" : "\n") + po_entry(entry);
    for (const PoMessage &entry : file.obsolete) text += (text.empty() ? "" : "\n") + po_entry(entry, true);
    return text;
}

std::string entry_key(const PoMessage &message, bool keys_in_context) {
    if (keys_in_context) return message.context;
    return message.has_context ? message.context + '\x04' + message.id : message.id;
}

bool keys_in_context(const PoFile &file) {
    if (!file.has_header || file.header.translations.empty()) return false;
    std::string keys = header_field(file.header.translations.front(), "X-Vellix-Keys");
    for (char &c : keys) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return keys == "msgctxt";
}

bool write_text_file(const std::string &path, const std::string &text) {
    return write_catalog_output(
        [&text](std::FILE *file) {
            const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
            return std::fclose(file) == 0 && written;
        },
        path.c_str());
}

}  // namespace vellix
