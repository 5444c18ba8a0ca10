// Looks every message of one GNU catalog up twice: through dgettext/dngettext in the original .mo,
// and through vellix in the catalog `vellix compile` made from its PO text (msgunfmt's output).
// Prints one line: the messages, the plural lookups and the differences, and the first few
// differences. The PO text gives the messages (read by the tools' reader, converted to UTF-8);
// their count is checked against the .mo's own, so that a message the reader lost is a difference.
//
// Usage: installed_catalog_compare LOCALEDIR DOMAIN PO CATALOG
//   LOCALEDIR/C.UTF-8/LC_MESSAGES/DOMAIN.mo is the original catalog.
#include "charset_conversion.h"
#include "po_charset.h"
#include "po_reader.h"
#include "vellix.h"

#include <cinttypes>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <libintl.h>

namespace {

std::string read_all(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The number of messages a .mo file holds, its header included (plain and system-dependent).
std::uint64_t mo_message_count(const std::string &mo) {
    if (mo.size() < 28) return 0;
    const auto word = [&](std::size_t at) -> std::uint32_t {
        if (at + 4 > mo.size()) return 0;
        const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(mo[at + i])); };
        const bool little = static_cast<unsigned char>(mo[0]) == 0xDE;
        return little ? byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24 : byte(3) | byte(2) << 8 | byte(1) << 16 | byte(0) << 24;
    };
    const std::uint32_t revision = word(4);
    return word(8) + ((revision & 0xFFFF) >= 1 ? word(36) : 0);  // minor revision 1 adds system-dependent strings
}

// `<PRIxNN>` and its kin, as this platform's <inttypes.h> spells them: what gettext gives a program
// for a c-format text that holds them.
const struct {
    const char *name, *value;
} inttypes_macros[] = {
#define VELLIX_MACROS(x) \
    {"PRI" #x "8", PRI##x##8}, {"PRI" #x "16", PRI##x##16}, {"PRI" #x "32", PRI##x##32}, {"PRI" #x "64", PRI##x##64}, \
    {"PRI" #x "LEAST8", PRI##x##LEAST8}, {"PRI" #x "LEAST16", PRI##x##LEAST16}, {"PRI" #x "LEAST32", PRI##x##LEAST32}, \
    {"PRI" #x "LEAST64", PRI##x##LEAST64}, {"PRI" #x "FAST8", PRI##x##FAST8}, {"PRI" #x "FAST16", PRI##x##FAST16}, \
    {"PRI" #x "FAST32", PRI##x##FAST32}, {"PRI" #x "FAST64", PRI##x##FAST64}, {"PRI" #x "MAX", PRI##x##MAX}, {"PRI" #x "PTR", PRI##x##PTR}
    VELLIX_MACROS(d), VELLIX_MACROS(i), VELLIX_MACROS(o), VELLIX_MACROS(u), VELLIX_MACROS(x), VELLIX_MACROS(X),
#undef VELLIX_MACROS
};

std::string expanded(const std::string &text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        if (text[i] == '<') {
            for (const auto &macro : inttypes_macros) {
                const std::string name = std::string("<") + macro.name + ">";
                if (text.compare(i, name.size(), name) != 0) continue;
                out += macro.value;
                i += name.size() - 1;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i];
    }
    return out;
}

// UTF-8 text in the catalog's own charset, as the program's key reaches dgettext.
std::string in_charset(const std::string &charset, const std::string &utf8) {
    return charset.empty() ? utf8 : vellix::convert_from_utf8(utf8, charset).text;
}

struct Messages : vellix::PoSink {
    std::vector<vellix::PoMessage> all;
    void message(const vellix::PoMessage &message) override { all.push_back(message); }
    void syntax_error(std::uint64_t, const std::string &) override { ++errors; }
    int errors = 0;
};

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: installed_catalog_compare LOCALEDIR DOMAIN PO CATALOG\n");
        return 2;
    }
    const std::string localedir = argv[1], domain = argv[2], po_path = argv[3], catalog_path = argv[4];
    if (!std::setlocale(LC_ALL, "C.UTF-8")) {
        std::fprintf(stderr, "installed_catalog_compare: no C.UTF-8 locale\n");
        return 2;
    }
    bindtextdomain(domain.c_str(), localedir.c_str());
    bind_textdomain_codeset(domain.c_str(), "UTF-8");
    i18n *catalog = vellix_load(catalog_path.c_str());
    if (!catalog) {
        std::fprintf(stderr, "installed_catalog_compare: cannot load %s\n", catalog_path.c_str());
        return 2;
    }
    const std::string po = read_all(po_path);
    const vellix::PoInUtf8 converted = vellix::po_in_utf8(po);
    const std::string_view text = converted.readable(po);
    Messages messages;
    vellix::read_po(text.data(), text.size(), messages);

    std::uint64_t compared = 0, plural_lookups = 0, differences = 0;
    std::ostringstream shown;
    const auto differ = [&](const std::string &key, const std::string &expected, const char *got, unsigned long n) {
        if (++differences > 3) return;
        shown << "  key " << key << (n == ~0ul ? std::string() : " n=" + std::to_string(n)) << ": dgettext \"" << expected
              << "\", vellix \"" << got << "\"\n";
    };
    const std::string &charset = converted.charset;
    for (const vellix::PoMessage &m : messages.all) {
        ++compared;
        if (m.is_header()) continue;
        const bool format = m.has_flag("c-format");
        const std::string id = format ? expanded(m.id) : m.id, plural_id = format ? expanded(m.plural_id) : m.plural_id;
        const std::string key = m.has_context ? (format ? expanded(m.context) : m.context) + '\004' + id : id;
        const std::string raw_key = in_charset(charset, key);
        if (!m.has_plural) {
            const char *gnu = dgettext(domain.c_str(), raw_key.c_str());
            const std::string expected = gnu == raw_key.c_str() ? id : gnu;
            const char *ours = vellix_get(catalog, key.c_str(), id.c_str());
            if (expected != ours) differ(key, expected, ours, ~0ul);
            continue;
        }
        const std::string raw_plural = in_charset(charset, plural_id);
        for (unsigned long n = 0; n <= 1002; n = n < 200 ? n + 1 : n * 5 + 1) {
            ++plural_lookups;
            const char *gnu = dngettext(domain.c_str(), raw_key.c_str(), raw_plural.c_str(), n);
            const std::string expected = gnu == raw_key.c_str() ? id : gnu == raw_plural.c_str() ? plural_id : gnu;
            const char *ours = vellix_nget(catalog, key.c_str(), n, id.c_str(), plural_id.c_str());
            if (expected != ours) differ(key, expected, ours, n);
        }
    }
    const std::uint64_t in_mo = mo_message_count(read_all(localedir + "/C.UTF-8/LC_MESSAGES/" + domain + ".mo"));
    if (in_mo != compared) {
        ++differences;
        shown << "  the .mo holds " << in_mo << " messages, the PO text " << compared << "\n";
    }
    std::printf("%s messages=%" PRIu64 " plural_lookups=%" PRIu64 " differences=%" PRIu64 "\n%s", po_path.c_str(), compared,
                plural_lookups, differences, shown.str().c_str());
    vellix_free(catalog);
    return differences == 0 ? 0 : 1;
}
