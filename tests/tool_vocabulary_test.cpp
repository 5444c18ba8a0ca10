// The vocabulary every tool shares, each in one home: C escapes read in both dialects and written,
// the key of a PO entry, the printed form of a finding, and the seeded duplicate-key table.
#include "c_escape.h"
#include "finding_printer.h"
#include "first_definitions.h"
#include "inttypes_macros.h"
#include "po_keys.h"
#include "seeded_hash.h"
#include "utf8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

// What read_escape makes of the text after a backslash: the bytes appended and where it stopped,
// "unknown", "nul" or "too large".
std::string escape_read(std::string_view after_backslash, vellix::EscapeDialect dialect) {
    std::string out = "<";
    std::size_t at = 0;
    switch (vellix::read_escape(after_backslash, at, dialect, out)) {
    case vellix::EscapeRead::unknown: return "unknown";
    case vellix::EscapeRead::nul: return "nul";
    case vellix::EscapeRead::too_large: return "too large";
    case vellix::EscapeRead::decoded: break;
    }
    return out + ">" + std::string(after_backslash.substr(at));
}

TEST(CEscapes, ReadAsPoAndAsCCodeReadThem) {
    using vellix::EscapeDialect;
    const struct Row {
        const char *name;
        std::string text;  // what follows the backslash
        std::string po;
        std::string c;
        std::string c_wide = "";  // where a wide literal (L"", u"", U"") reads it otherwise
    } rows[] = {
        {"a letter escape", "nrest", "<\n>rest", "<\n>rest"},
        {"every letter", "t", "<\t>", "<\t>"},
        {"a quote and a backslash", "\"\\", "<\">\\", "<\">\\"},
        {"bell, backspace, form feed, vertical tab", "a", "<\a>", "<\a>"},
        {"C's question mark and apostrophe", "?'", "unknown", "<?>'"},
        {"an unknown letter: refused in PO, itself in C", "q", "unknown", "<q>"},
        {"three octal digits at most", "1014", "<A>4", "<A>4"},
        {"one octal digit", "7x", "<\x07>x", "<\x07>x"},
        {"octal stops at 8", "18", "<\x01>8", "<\x01>8"},
        {"octal zero gives NUL", "0", "nul", std::string("<") + '\0' + ">"},
        {"octal above 0xFF", "777", "<\xFF>", "too large", "<\xC7\xBF>"},
        {"hex takes every digit", "x0000041g", "<A>g", "<A>g"},
        {"hex above 0xFF: the low byte in PO, refused in narrow C, a code point in wide C", "x141g", "<A>g", "too large",
         "<\xC5\x81>g"},
        {"hex of three bytes in UTF-8", "x4142", "<B>", "too large", "<\xE4\x85\x82>"},
        {"hex past the last code point", "x7FFFFFFFFFFFFFFFFFFF)", "<\xFF>)", "too large", "<\xF4\x90\x80\x80>)"},
        {"hex zero gives NUL", "x00", "nul", std::string("<") + '\0' + ">"},
        {"hex without digits", "xg", "unknown", std::string("<") + '\0' + ">g"},
        {"\\u as UTF-8 in C only", "u00fcx", "unknown", "<\xC3\xBC>x"},
        {"\\U as UTF-8 in C only", "U0001F600", "unknown", "<\xF0\x9F\x98\x80>"},
        {"\\u of three bytes", "u20ac", "unknown", "<\xE2\x82\xAC>"},
        {"\\U past the last code point stays invalid", "U02010000", "unknown", "<\xF4\x90\x80\x80>"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(escape_read(row.text, EscapeDialect::po), row.po);
        EXPECT_EQ(escape_read(row.text, EscapeDialect::c), row.c);
        EXPECT_EQ(escape_read(row.text, EscapeDialect::c_wide), row.c_wide.empty() ? row.c : row.c_wide);
    }
}

TEST(CEscapes, WrittenAsGettextWritesThem) {
    const std::pair<std::string, std::string> rows[] = {
        {"plain", "plain"},
        {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
        {"\a\b\f\v", "\\a\\b\\f\\v"},
        {"say \"hi\" \\ bye", "say \\\"hi\\\" \\\\ bye"},
        {"\xC3\xBC\x01\x7F", "\xC3\xBC\x01\x7F"},  // every other byte as it is
    };
    for (const auto &[text, written] : rows) {
        SCOPED_TRACE(written);
        EXPECT_EQ(vellix::escaped(text), written);
        // And it reads back, in both dialects.
        for (const vellix::EscapeDialect dialect : {vellix::EscapeDialect::po, vellix::EscapeDialect::c}) {
            std::string back;
            for (std::size_t at = 0; at < written.size();) {
                if (written[at] != '\\') {
                    back += written[at++];
                    continue;
                }
                ++at;
                ASSERT_EQ(vellix::read_escape(written, at, dialect, back), vellix::EscapeRead::decoded);
            }
            EXPECT_EQ(back, text);
        }
    }
}

vellix::PoMessage message(bool has_context, const char *context, const char *id) {
    vellix::PoMessage entry;
    entry.line = 7;
    entry.has_context = has_context;
    entry.context = context;
    entry.id = id;
    return entry;
}

TEST(Utf8, OnlyWhatPoFilesMayHold) {
    const std::pair<std::string, bool> rows[] = {
        {"plain ASCII", true},
        {"gr\xC3\xB6\xC3\x9F" "er \xE6\x97\xA5 \xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},        // U+10FFFF, the last
        {"\xF4\x90\x80\x80", false},       // past it
        {"\xED\xA0\x80", false},             // a surrogate half, from \uD800
        {"\xC0\xAF", false},                  // an overlong '/'
        {"\xE0\x80\xAF", false},             // another
        {"\xC3", false},                       // cut short
        {"\xC3\x28", false},                  // a continuation missing
        {"\x80", false},                       // a continuation alone
        {"\xFF", false},
    };
    for (const auto &[text, valid] : rows) {
        SCOPED_TRACE(vellix::escaped(text));
        EXPECT_EQ(vellix::is_valid_utf8(text), valid);
    }
}

TEST(PoKeys, OneRuleForEveryCommand) {
    const struct Row {
        const char *name;
        vellix::PoMessage entry;
        bool in_context;
        std::string key;  // "none" when the entry has no key
    } rows[] = {
        {"msgid alone", message(false, "", "Open"), false, "Open"},
        {"msgctxt, 0x04, msgid", message(true, "menu", "Open"), false, "menu\x04Open"},
        {"an empty msgctxt still counts", message(true, "", "Open"), false, std::string("\x04") + "Open"},
        {"keys in msgctxt: msgctxt alone", message(true, "greeting", "Hello"), true, "greeting"},
        {"keys in msgctxt, an empty one is a key", message(true, "", "Hello"), true, ""},
        {"keys in msgctxt, none: no key", message(false, "", "Hello"), true, "none"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::string key = "stale";
        EXPECT_EQ(vellix::po_entry_key(row.entry, row.in_context, key) ? key : "none", row.key);
    }
    EXPECT_EQ(vellix::missing_context_error(message(false, "", "x")).line, 7u);
    EXPECT_TRUE(vellix::missing_context_error(message(false, "", "x")).is_error());
}

TEST(PoKeys, TheHeaderAndTheOptionDecide) {
    const struct Row {
        const char *header;
        vellix::PoKeys option;
        bool in_context;
    } rows[] = {
        {"X-Vellix-Keys: msgctxt\n", vellix::PoKeys::from_header, true},
        {"x-vellix-keys:   MSGCTXT  \n", vellix::PoKeys::from_header, true},
        {"Language: de\nX-Vellix-Keys: msgctxt\n", vellix::PoKeys::from_header, true},
        {"X-Vellix-Keys: msgid\n", vellix::PoKeys::from_header, false},
        {"", vellix::PoKeys::from_header, false},
        {"X-Vellix-Keys: msgctxt\n", vellix::PoKeys::msgid, false},
        {"", vellix::PoKeys::msgctxt, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.header);
        EXPECT_EQ(vellix::keys_in_context(row.option, vellix::header_keys_in_context(row.header)), row.in_context);
    }
}

TEST(Findings, PrintedAsEditorsReadThem) {
    const auto with_note = [](vellix::Finding finding, std::uint64_t line, bool in_reference, const char *path) {
        finding.note = "see here";
        finding.note_line = line;
        finding.note_in_reference = in_reference;
        finding.note_path = path;
        return finding;
    };
    const struct Row {
        const char *name;
        vellix::Finding finding;
        std::string lines;
    } rows[] = {
        {"a warning at a line", vellix::warning_at(3, "odd"), "a.po:3: warning: odd\n"},
        {"an error about the whole file", vellix::error_at(0, "bad"), "a.po: error: bad\n"},
        {"a note in the same file", with_note(vellix::error_at(9, "twice"), 2, false, ""),
         "a.po:9: error: twice\na.po:2: note: see here\n"},
        {"a note in the reference", with_note(vellix::warning_at(0, "missing"), 4, true, ""),
         "a.po: warning: missing\nref.src:4: note: see here\n"},
        {"a note in another file", with_note(vellix::error_at(5, "clash"), 1, false, "b.c"),
         "a.po:5: error: clash\nb.c:1: note: see here\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(vellix::finding_lines("a.po", row.finding, "ref.src"), row.lines);
    }
    // What a check counts: errors and serious warnings fail it; plain warnings only with --strict.
    vellix::Finding serious = vellix::warning_at(1, "x");
    serious.serious = true;
    EXPECT_TRUE(serious.fails());
    EXPECT_TRUE(vellix::error_at(1, "x").fails());
    EXPECT_FALSE(vellix::warning_at(1, "x").fails());
}

TEST(DuplicateKeys, FirstDefinitionsAcrossGrowthAndSeeds) {
    vellix::FirstDefinitions table{4, 16};
    for (std::uint64_t line = 1; line <= 3000; ++line) {
        const std::string key = "key." + std::to_string(line % 1000);
        const std::uint64_t first = table.find_or_add(key, table.hash(key), line);
        EXPECT_EQ(first, line <= 1000 ? 0 : line % 1000 == 0 ? 1000 : line % 1000) << key;
    }
    EXPECT_EQ(table.find_or_add("", table.hash(""), 5000), 0u);
    EXPECT_EQ(table.find_or_add("", table.hash(""), 5001), 5000u);
    // Over keys the caller keeps, numbered from 1: the same answers without a copy, across growth.
    std::vector<std::string> kept;
    vellix::FirstDefinitions borrowed{4, [&kept](std::uint64_t number) { return std::string_view(kept.at(number - 1)); }};
    kept.reserve(3000);
    for (std::uint64_t number = 1; number <= 3000; ++number) {
        kept.push_back("key." + std::to_string(number % 1000));
        const std::uint64_t first = borrowed.find_or_add(kept.back(), borrowed.hash(kept.back()), number);
        EXPECT_EQ(first, number <= 1000 ? 0 : number % 1000 == 0 ? 1000 : number % 1000) << kept.back();
        EXPECT_EQ(borrowed.find(kept.back(), borrowed.hash(kept.back())), number <= 1000 ? number : first);
    }
    EXPECT_EQ(borrowed.find("key.1000", borrowed.hash("key.1000")), 0u);
    EXPECT_THROW(borrowed.find_or_add("x", borrowed.hash("x"), std::uint64_t{1} << 32), std::length_error);
    // Each table hashes under a seed of its own, so that keys cannot be made to collide in advance.
    vellix::FirstDefinitions other{4, 16};
    int same = 0;
    for (int i = 0; i < 64; ++i) same += table.hash("key." + std::to_string(i)) == other.hash("key." + std::to_string(i));
    EXPECT_LT(same, 64);
}

// 16-byte keys that collide under 64-bit MurmurHash2 with a fixed seed, the string hash of GNU's
// standard library: each block's step is invertible, so for any first block there is a second one
// that brings the state to a chosen value.
constexpr std::uint64_t murmur_multiplier = 0xC6A4A7935BD1E995u;
constexpr std::uint64_t murmur_seed = 0xC70F6907u;

std::uint64_t murmur_block(std::uint64_t k) {
    k *= murmur_multiplier;
    k ^= k >> 47;
    return k * murmur_multiplier;
}

std::uint64_t murmur_block_inverse(std::uint64_t mixed) {
    std::uint64_t inverse = murmur_multiplier;  // Newton's iteration for the inverse mod 2^64
    for (int i = 0; i < 5; ++i) inverse *= 2 - murmur_multiplier * inverse;
    std::uint64_t k = mixed * inverse;
    k ^= k >> 47;
    return k * inverse;
}

std::vector<std::string> keys_colliding_in_murmur(std::size_t count) {
    const std::uint64_t start = murmur_seed ^ (16 * murmur_multiplier);
    std::vector<std::string> keys;
    for (std::uint64_t i = 0; keys.size() < count; ++i) {
        const std::uint64_t first = 0x4141414141414141u + (i % 26) + ((i / 26 % 26) << 8) + ((i / 676) << 16);
        const std::uint64_t after_first = (start ^ murmur_block(first)) * murmur_multiplier;
        const std::uint64_t second = murmur_block_inverse(after_first ^ 0x0123456789ABCDEFu);
        std::string key(16, '\0');
        std::memcpy(&key[0], &first, 8);
        std::memcpy(&key[8], &second, 8);
        keys.push_back(key);
    }
    return keys;
}

TEST(SeededHash, KeysMadeToCollideForTheStandardHashSpread) {
    const std::vector<std::string> keys = keys_colliding_in_murmur(20000);
    std::set<std::size_t> standard, seeded;
    for (const std::string &key : keys) {
        standard.insert(std::hash<std::string>{}(key));
        seeded.insert(vellix::SeededHash{}(key) & 0xFFFF);
    }
    if (sizeof(std::size_t) != 8 || standard.size() != 1) GTEST_SKIP() << "this standard library hashes strings otherwise";
    // 20,000 random hashes take about 17,200 of 65,536 buckets; the standard hash puts all in one.
    EXPECT_GT(seeded.size(), 15000u);
    // The seed is the process's own, and the hash is not the unseeded one.
    const std::uint64_t seed = vellix::SeededHash::seed();
    EXPECT_EQ(vellix::SeededHash::seed(), seed);
    EXPECT_NE(seed, 0u);
    int unseeded = 0;
    for (std::size_t i = 0; i < 64; ++i) unseeded += vellix::SeededHash{}(keys[i]) == vellix::hash_key(keys[i].data(), 16, 0);
    EXPECT_LT(unseeded, 64);
}

TEST(IntTypesMacros, AsEachPlatformsHeaderSpellsThem) {
    using vellix::IntTypesTarget;
    const struct Row {
        const char *name;
        const char *lp64, *windows;  // null: not such a macro
    } rows[] = {
        {"PRIu64", "lu", "llu"},       {"PRId32", "d", "d"},          {"PRIx8", "x", "x"},
        {"PRIXMAX", "lX", "llX"},      {"PRIoPTR", "lo", "llo"},      {"PRIiLEAST64", "li", "lli"},
        {"PRIuLEAST16", "u", "u"},     {"PRIdFAST8", "d", "d"},       {"PRIdFAST16", "ld", "d"},
        {"PRIuFAST32", "lu", "u"},     {"PRIuFAST64", "lu", "llu"},   {"PRIu128", nullptr, nullptr},
        {"PRIsMAX", nullptr, nullptr}, {"PRIuLEASTMAX", nullptr, nullptr}, {"SCNu64", nullptr, nullptr},
        {"PRIu", nullptr, nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::string lp64, windows;
        EXPECT_EQ(vellix::inttypes_macro(row.name, IntTypesTarget::lp64, lp64), row.lp64 != nullptr);
        EXPECT_EQ(vellix::inttypes_macro(row.name, IntTypesTarget::windows, windows), row.windows != nullptr);
        if (row.lp64) {
            EXPECT_EQ(lp64, row.lp64);
            EXPECT_EQ(windows, row.windows);
        }
    }
    const std::string text = "%<PRIu64> of %08<PRIxMAX>, %<PRIu128>, <PRId32> and 100%%<PRIu8>";
    EXPECT_TRUE(vellix::has_inttypes_macro(text));
    EXPECT_FALSE(vellix::has_inttypes_macro("%<PRIu128> <PRIu64>"));
    EXPECT_EQ(vellix::with_inttypes_expanded(text, IntTypesTarget::lp64), "%lu of %08lx, %<PRIu128>, <PRId32> and 100%%u");
    EXPECT_EQ(vellix::with_inttypes_expanded(text, IntTypesTarget::windows), "%llu of %08llx, %<PRIu128>, <PRId32> and 100%%u");
    vellix::IntTypesTarget target = IntTypesTarget::lp64;
    EXPECT_TRUE(vellix::inttypes_target_named("x86_64-w64-mingw32", target));
    EXPECT_EQ(target, IntTypesTarget::windows);
    EXPECT_TRUE(vellix::inttypes_target_named("linux", target));
    EXPECT_EQ(target, IntTypesTarget::lp64);
    EXPECT_FALSE(vellix::inttypes_target_named("amiga", target));
}

}  // namespace
