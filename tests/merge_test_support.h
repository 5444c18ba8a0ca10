// What the init and merge tests share: PO texts written in a few words, and a PO text shown one
// line per entry.
#ifndef VELLIX_MERGE_TEST_SUPPORT_H
#define VELLIX_MERGE_TEST_SUPPORT_H

#include "po_reader.h"

#include <string>
#include <vector>

namespace vellix_test {

// Each entry as "ctx|id|translations|flags|previous", obsolete ones marked "~", the header left out.
struct Shown : vellix::PoSink {
    std::vector<std::string> seen;
    void add(const vellix::PoMessage &message, const char *mark) {
        if (message.is_header()) return;
        std::string line = mark + message.context + "|" + message.id + (message.has_plural ? "/" + message.plural_id : "") + "|";
        for (const std::string &translation : message.translations) line += "[" + translation + "]";
        line += "|";
        for (const std::string &flag : message.flags) line += flag + ";";
        if (message.has_previous_id) line += "|was " + message.previous_id;
        seen.push_back(line);
    }
    void message(const vellix::PoMessage &message) override { add(message, ""); }
    void obsolete(const vellix::PoMessage &message) override { add(message, "~"); }
    void syntax_error(std::uint64_t line, const std::string &text) override { seen.push_back("error " + std::to_string(line) + text); }
};

inline std::vector<std::string> shown(const std::string &po) {
    Shown entries;
    vellix::read_po(po.data(), po.size(), entries);
    return entries.seen;
}

inline const std::string template_header = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"X-Vellix-Keys: msgctxt\\n\"\n";
inline const std::string translation_header = "msgid \"\"\nmsgstr \"\"\n\"Language: de\\n\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                                       "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n\"X-Vellix-Keys: msgctxt\\n\"\n";

inline std::string entry(const std::string &key, const std::string &id, const std::string &translation, const std::string &comments = "") {
    return "\n" + comments + "msgctxt \"" + key + "\"\nmsgid \"" + id + "\"\nmsgstr \"" + translation + "\"\n";
}

}  // namespace vellix_test

#endif
