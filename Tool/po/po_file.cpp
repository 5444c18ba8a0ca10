#include "po_file.h"

#include "po_keys.h"
#include "po_writer.h"

namespace vellix {
namespace {

struct FileReader : PoSink {
    FileReader(PoFile &file, FindingSink &findings) : file_(file), findings_(findings) {}
    void message(const PoMessage &message) override {
        if (message.is_header() && !file_.has_header) {
            file_.has_header = true;
            file_.header = message;
        } else {
            file_.entries.push_back(message);
        }
    }
    void take_message(PoMessage &message) override {
        if (message.is_header()) return this->message(message);
        file_.entries.push_back(std::move(message));
    }
    void obsolete(const PoMessage &message) override { file_.obsolete.push_back(message); }
    void syntax_error(std::uint64_t line, const std::string &text) override {
        findings_.finding(error_at(line, text));
        ++errors;
    }
    void warning(std::uint64_t line, const std::string &text) override { findings_.finding(warning_at(line, text)); }
    std::size_t errors = 0;

private:
    PoFile &file_;
    FindingSink &findings_;
};

}  // namespace

std::string PoFile::header_text() const {
    return has_header && !header.translations.empty() ? header.translations.front() : std::string();
}

bool PoFile::keys_in_context() const { return header_keys_in_context(header_text()); }

std::size_t read_po_file(const char *bytes, std::size_t size, PoFile &file, FindingSink &findings) {
    FileReader reader{file, findings};
    // Room for the entries such a file holds, at 128 bytes or more each, so that the vector is not
    // moved as it grows; reserved memory costs nothing until it is touched.
    file.entries.reserve(file.entries.size() + size / 128);
    read_po(bytes, size, reader);
    return reader.errors;
}

KeyedEntries keyed_entries(const std::vector<PoMessage> &entries, bool in_context, FindingSink &findings, std::size_t &errors,
                           TextStore &made_keys) {
    KeyedEntries keyed;
    keyed.reserve(entries.size());
    std::string key;
    for (const PoMessage &entry : entries) {
        if (po_entry_key(entry, in_context, key)) {
            // Most keys are the msgctxt or the msgid as it stands: a view of it costs no copy.
            const std::string &own = in_context ? entry.context : entry.id;
            keyed.emplace_back(key == own ? std::string_view(own) : made_keys.keep(key), &entry);
        } else {
            findings.finding(missing_context_error(entry));
            ++errors;
        }
    }
    return keyed;
}

std::string po_file_text(const PoFile &file) {
    PoText text;
    if (file.has_header) text.add(file.header, false);
    for (const PoMessage &entry : file.entries) text.add(entry, false);
    for (const PoMessage &entry : file.obsolete) text.add(entry, true);
    return text.text();
}

}  // namespace vellix
