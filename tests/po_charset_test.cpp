// Reading a PO file in its charset: each charset to UTF-8 (as iconv gives it), multibyte
// characters whose second byte is a backslash, Shift_JIS as gettext shows it, and the charsets and
// bytes that cannot be read.
#include "po_catalog.h"
#include "po_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vellix_test::CatalogRecorder;
using vellix_test::with;

TEST(PoCatalogRules, ConvertsEachCharsetToUtf8) {
    // Each text in its charset, and the same in UTF-8 (as iconv gives it). Shift_JIS and Big5 have
    // characters whose second byte is a backslash (0x5C), which must never start an escape.
    const struct Row {
        const char *charset;
        std::string bytes, utf8;
    } rows[] = {
        {"UTF-8", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {"ASCII", "plain", "plain"},
        {"CHARSET", "plain", "plain"},
        {"ISO-8859-1", "\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
        {"ISO-8859-15", "\xA4", "\xE2\x82\xAC"},
        {"ISO-8859-5", "\xBC\xD8\xE0", "\xD0\x9C\xD0\xB8\xD1\x80"},
        {"KOI8-R", "\xED\xC9\xD2", "\xD0\x9C\xD0\xB8\xD1\x80"},
        {"windows-1252", "\x80 \x93q\x94", "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"},
        {"windows-1251", "\xCC\xE8\xF0", "\xD0\x9C\xD0\xB8\xD1\x80"},
        {"Shift_JIS", "\x95\x5C\x8E\xA6", "\xE8\xA1\xA8\xE7\xA4\xBA"},
        {"CP932", "\x95\x5Cn", "\xE8\xA1\xA8n"},
        {"Big5", "\xB3\x5Cn", "\xE8\xA8\xB1n"},
        {"GBK", "\xC4\xE3\xBA\xC3", "\xE4\xBD\xA0\xE5\xA5\xBD"},
        {"EUC-KR", "\xC7\xD1", "\xED\x95\x9C"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.charset);
        const std::string header = std::string("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=") + row.charset + "\\n\"\n\n";
        const std::string po = header + "msgid \"" + row.bytes + "\"\nmsgstr \"" + row.bytes + "\\n\"\n";
        CatalogRecorder recorder;
        const vellix::PoSummary summary = vellix::read_po_catalog(po.data(), po.size(), with(false, vellix::PoKeys::msgid), recorder);
        EXPECT_EQ(summary.errors, 0u);
        const bool converted = std::string(row.bytes) != row.utf8;
        EXPECT_EQ(recorder.seen, (std::vector<std::string>{
                                     std::string("=Content-Type: text/plain; charset=") + (converted ? "UTF-8" : row.charset) + "\n",
                                     row.utf8 + "=" + row.utf8 + "\n"}));
        // --keep-charset copies the bytes as they are.
        CatalogRecorder kept;
        vellix::read_po_catalog(po.data(), po.size(), with(false, vellix::PoKeys::msgid, true), kept);
        EXPECT_EQ(kept.seen.back(), row.bytes + "=" + row.bytes + "\n");
    }
}

TEST(PoCatalogRules, ShowsShiftJisBackslashAndTildeAsGettextDoes) {
    // A translation's 0x5C and 0x7E are the yen sign and the overline in Shift_JIS, not in CP932;
    // the key keeps the ASCII the program spells it with, and --keep-charset the bytes.
    const struct Row {
        const char *charset;
        bool keep;
        std::string entry;
    } rows[] = {
        {"Shift_JIS", false, "a\\b~=\xE4\xBA\x88\xC2\xA5\xE2\x80\xBE"},
        {"SJIS", false, "a\\b~=\xE4\xBA\x88\xC2\xA5\xE2\x80\xBE"},
        {"CP932", false, "a\\b~=\xE4\xBA\x88\\~"},
        {"Shift_JIS", true, "a\\b~=\x97\x5C\\~"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.charset) + (row.keep ? " kept" : ""));
        const std::string po = std::string("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=") + row.charset +
                               "\\n\"\n\nmsgid \"a\\\\b~\"\nmsgstr \"\x97\x5C\\\\~\"\n";
        CatalogRecorder recorder;
        const vellix::PoSummary summary = vellix::read_po_catalog(po.data(), po.size(), with(false, vellix::PoKeys::msgid, row.keep), recorder);
        EXPECT_EQ(summary.errors, 0u);
        EXPECT_EQ(recorder.seen.back(), row.entry);
    }
}

TEST(PoCatalogRules, NamesAnUnknownCharsetAndBytesNotInTheCharset) {
    const struct Row {
        const char *name;
        std::string po;
        std::string finding;
    } rows[] = {
        {"an unknown charset", "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=NO-SUCH-8\\n\"\n",
         "3: error: the charset NO-SUCH-8 is unknown to this system's converter: convert the file to UTF-8 (msgconv "
         "--to-code=UTF-8 FILE); it cannot be read character by character, even to keep its bytes"},
        {"a byte Shift_JIS does not have", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=Shift_JIS\\n\"\n\nmsgid \"a\"\n"
                                           "msgstr \"\x95\x5C\"\nmsgstr \"\x81\x20x\"\n",
         "6: error: bytes that are not Shift_JIS, as the header says the file is (\\x81 x\"...): fix them, or give the file's real "
         "charset"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CatalogRecorder recorder;
        const vellix::PoSummary summary = vellix::read_po_catalog(row.po.data(), row.po.size(), with(false), recorder);
        EXPECT_EQ(summary.errors, 1u);
        EXPECT_EQ(recorder.seen, std::vector<std::string>{row.finding});
    }
}

}  // namespace
