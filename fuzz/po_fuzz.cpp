// Feeds arbitrary bytes to the PO reader and the catalog rules: no entry may hold a NUL byte, every
// finding must name a line that exists, and each message written back as PO with the writer must
// read back as the same fields. The same bytes are also read as a plural rule, which must give a
// form inside its count for any number, without crashing or hanging.
#include "plural_rule.h"
#include "po_catalog.h"
#include "po_reader.h"
#include "po_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Messages : vellix::PoSink {
    std::uint64_t last_line = 0;
    std::vector<vellix::PoMessage> read;
    void message(const vellix::PoMessage &message) override {
        if (message.line == 0 || message.line > last_line) std::abort();
        read.push_back(message);
    }
    void syntax_error(std::uint64_t line, const std::string &) override {
        if (line == 0 || line > last_line) std::abort();
    }
};

struct Entries : vellix::PoCatalogSink {
    std::uint64_t last_line = 0;
    void entry(std::string_view key, std::string_view value, std::uint64_t) override {
        if (key.find('\0') != std::string_view::npos || value.find('\0') != std::string_view::npos) std::abort();
    }
    void finding(const vellix::Finding &finding) override {
        if (finding.line > last_line || finding.note_line > last_line) std::abort();
    }
};

// The message's fields as the writer writes an entry; comments and flags are the reader's business.
std::string written(const vellix::PoMessage &message) {
    vellix::PoMessage fields;
    fields.has_context = message.has_context;
    fields.context = message.context;
    fields.id = message.id;
    fields.has_plural = message.has_plural;
    fields.plural_id = message.plural_id;
    fields.translations = message.translations;
    return vellix::po_entry(fields);
}

// The lines as the reader counts them: each ends at a line feed or at a CR not followed by one.
std::uint64_t line_count(const char *bytes, std::size_t size) {
    std::uint64_t lines = 1;
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n'))) ++lines;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const char *bytes = reinterpret_cast<const char *>(data);
    const std::uint64_t lines = line_count(bytes, size);
    Messages messages;
    messages.last_line = lines;
    vellix::read_po(bytes, size, messages);
    Entries entries;
    entries.last_line = lines;
    vellix::read_po_catalog(bytes, size, vellix::PoOptions{}, entries);

    vellix::PluralRule rule;
    std::string problem;
    const bool parsed = rule.parse(std::string_view(bytes, size), problem);
    for (const unsigned long n : {0ul, 1ul, 2ul, 3ul, 5ul, 11ul, 21ul, 101ul, 1000000ul, static_cast<unsigned long>(-1)}) {
        const unsigned long form = rule.form(n);
        if (form != 0 && (!parsed || form >= rule.plural_count())) std::abort();
    }

    for (const vellix::PoMessage &message : messages.read) {
        const std::string po = written(message);
        Messages again;
        again.last_line = static_cast<std::uint64_t>(std::count(po.begin(), po.end(), '\n')) + 1;
        vellix::read_po(po.data(), po.size(), again);
        if (again.read.size() != 1) std::abort();
        const vellix::PoMessage &back = again.read[0];
        if (back.has_context != message.has_context || back.context != message.context || back.id != message.id ||
            back.plural_id != message.plural_id || back.translations != message.translations) {
            std::abort();
        }
    }
    return 0;
}
