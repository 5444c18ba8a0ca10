// The PO reader and the catalog rules as functions: every field form and escape, each syntax error
// with its line, and which entries a file gives under which keys.
#include "po_catalog.h"
#include "po_reader.h"
#include "po_test_support.h"
#include "po_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using vellix_test::CatalogRecorder;
using vellix_test::with;

// What the reader hands on, one line per message or error.
struct Recorder : vellix::PoSink {
    std::vector<std::string> seen;
    void message(const vellix::PoMessage &message) override {
        std::string line = std::to_string(message.line) + ":";
        if (message.has_context) line += " ctx[" + message.context + "]";
        line += " id[" + message.id + "]";
        if (message.has_plural) line += " plural[" + message.plural_id + "]";
        for (const std::string &translation : message.translations) line += " str[" + translation + "]";
        for (const std::string &flag : message.flags) line += " flag[" + flag + "]";
        seen.push_back(line);
    }
    void syntax_error(std::uint64_t line, const std::string &text) override {
        seen.push_back(std::to_string(line) + ": error: " + text);
    }
    void warning(std::uint64_t line, const std::string &text) override { seen.push_back(std::to_string(line) + ": warning: " + text); }
};

// What the reader hands on for the text whole; and read in pieces of every size from one byte up,
// each ending anywhere (inside a CR LF, a string, an escape, a byte-order mark), it must hand on
// the same.
std::vector<std::string> read(const std::string &po) {
    Recorder recorder;
    vellix::read_po(po.data(), po.size(), recorder);
    for (const std::size_t piece : {1, 2, 3, 5, 8, 64}) {
        std::size_t at = 0;
        const auto next = [&](char *buffer, std::size_t room) {
            const std::size_t given = std::min({piece, room, po.size() - at});
            po.copy(buffer, given, at);
            at += given;
            return given;
        };
        Recorder in_pieces;
        vellix::read_po_pieces(next, in_pieces);
        EXPECT_EQ(in_pieces.seen, recorder.seen) << "in pieces of " << piece << " bytes";
    }
    return recorder.seen;
}

struct ReaderRow {
    const char *name;
    std::string po;
    std::vector<std::string> seen;
};

TEST(PoReading, ReadsEveryFieldForm) {
    const ReaderRow rows[] = {
        {"plain entry", "msgid \"a\"\nmsgstr \"b\"\n", {"1: id[a] str[b]"}},
        {"context, flags and comments", "# translator\n#. extracted\n#: src/a.c:1\n#, fuzzy, c-format\n#| msgid \"old\"\n"
                                        "msgctxt \"menu\"\nmsgid \"Open\"\nmsgstr \"Öffnen\"\n",
         {"6: ctx[menu] id[Open] str[Öffnen] flag[fuzzy] flag[c-format]"}},
        {"continued strings and adjacent ones", "msgid \"\"\n\"a\" \"b\"\n\"c\"\nmsgstr \"x\"\n  \"y\"\n",
         {"1: id[abc] str[xy]"}},
        {"plural forms", "msgid \"file\"\nmsgid_plural \"files\"\nmsgstr[0] \"Datei\"\nmsgstr[1] \"Dateien\"\n",
         {"1: id[file] plural[files] str[Datei] str[Dateien]"}},
        {"entries without blank lines between", "msgid \"a\"\nmsgstr \"1\"\nmsgid \"b\"\nmsgstr \"2\"\n",
         {"1: id[a] str[1]", "3: id[b] str[2]"}},
        {"a line longer than the buffer a file is read through in pieces", "msgid \"a\"\nmsgstr \"" + std::string(3 << 19, 'x') + "\"\n",
         {"1: id[a] str[" + std::string(3 << 19, 'x') + "]"}},
        {"obsolete entries are skipped", "#~ msgid \"old\"\n#~ msgstr \"alt\"\nmsgid \"a\"\nmsgstr \"b\"\n", {"3: id[a] str[b]"}},
        {"lines ended by CR alone, as old Mac editors wrote them", "msgid \"a\"\rmsgstr \"b\"\r\rmsgid \"c\"\r\"d\"\rmsgstr \"e\"\r",
         {"1: id[a] str[b]", "4: id[cd] str[e]"}},
        {"lone CRs among line feeds", "msgid \"a\"\rmsgstr \"b\"\n\nmsgid \"c\"\rmsgstr \"d\"\n", {"1: id[a] str[b]", "4: id[c] str[d]"}},
        {"CR LF, a byte-order mark and indentation", "\xEF\xBB\xBFmsgid \"a\"\r\n\t msgstr \"b\" \r\n", {"1: id[a] str[b]"}},
        {"last line without a line feed", "msgid \"a\"\nmsgstr \"b\"", {"1: id[a] str[b]"}},
        {"empty file", "", {}},
    };
    for (const ReaderRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(read(row.po), row.seen);
    }
}

TEST(PoReading, DecodesEveryEscape) {
    const std::pair<const char *, std::string> rows[] = {
        {R"(\n\t\r\"\\\a\b\f\v)", "\n\t\r\"\\\a\b\f\v"},
        {R"(\101\1012\7)", "AA2\x07"},
        {R"(\x41\x0041\x414\xFf)", "AA\x14\xFF"},
        {R"(\303\274)", "\xC3\xBC"},
        {R"(a\"b\"\"c\\)", "a\"b\"\"c\\"},
        {R"(\\\"x\"\\)", "\\\"x\"\\"},
    };
    for (const auto &[escaped, decoded] : rows) {
        SCOPED_TRACE(escaped);
        EXPECT_EQ(read(std::string("msgid \"k\"\nmsgstr \"") + escaped + "\"\n"),
                  (std::vector<std::string>{"1: id[k] str[" + decoded + "]"}));
    }
}

const std::string nul_cut = "a NUL byte inside a string ends its text there, as gettext reads it: the rest of the string is dropped";

TEST(PoReading, ReportsEachSyntaxErrorOnItsLine) {
    const ReaderRow rows[] = {
        {"unterminated string", "msgid \"a\nmsgstr \"b\"\n", {"1: error: unterminated string"}},
        {"unknown keyword", "msgid \"a\"\nmsgstring \"b\"\n", {"2: error: keyword \"msgstring\" unknown"}},
        {"missing msgstr", "msgid \"a\"\n\nmsgid \"b\"\nmsgstr \"c\"\n", {"1: error: missing 'msgstr' section", "3: id[b] str[c]"}},
        {"missing msgstr at the end", "msgid \"a\"\n", {"1: error: missing 'msgstr' section"}},
        {"bad escape", "msgid \"a\"\nmsgstr \"\\q\"\n", {"2: error: invalid escape sequence '\\q'"}},
        {"hex escape without digits", "msgid \"a\"\nmsgstr \"\\xg\"\n", {"2: error: invalid escape sequence '\\x'"}},
        {"an escape giving NUL", "msgid \"a\"\nmsgstr \"x\\0y\"\n",
         {"2: error: an escape gives a NUL byte, which would end the text there"}},
        {"text after a string", "msgid \"a\"\nmsgstr \"b\" c\n", {"2: error: text after a string"}},
        {"keyword without a string", "msgid\nmsgstr \"b\"\n", {"1: error: a string must follow the keyword"}},
        {"msgstr before msgid", "msgstr \"b\"\n", {"1: error: msgstr out of place"}},
        {"a string without a keyword", "\"b\"\nmsgid \"a\"\nmsgstr \"c\"\n",
         {"1: error: a string without a keyword before it", "2: id[a] str[c]"}},
        {"msgstr[N] without msgid_plural", "msgid \"a\"\nmsgstr[0] \"b\"\n", {"2: error: missing 'msgid_plural' section"}},
        {"plural forms out of order", "msgid \"a\"\nmsgid_plural \"as\"\nmsgstr[1] \"b\"\n", {"3: error: msgstr[1] out of order"}},
        {"a NUL byte inside a string ends its text, as gettext reads it",
         std::string("msgid \"a\"\nmsgstr \"b\"\n\nmsgid \"c\"\nmsgstr \"x") + '\0' + "y\\\"z\" \"w\"\nmsgid \"d\"\nmsgstr \"e\"\n",
         {"1: id[a] str[b]", "5: warning: " + nul_cut, "4: id[c] str[xw]", "6: id[d] str[e]"}},
        {"an escaped quote before the NUL byte keeps it inside the string",
         std::string("msgid \"q\"\nmsgstr \"q\\\"") + '\0' + "r\"\n",
         {"2: warning: " + nul_cut, "1: id[q] str[q\"]"}},
        {"a NUL byte outside a string ends the reading at its line",
         std::string("msgid \"a\"\nmsgstr \"b\"\n\nmsgid \"c\"\nmsgstr \"x\"") + '\0' + "\nmsgid \"d\"\nmsgstr \"e\"\n",
         {"1: id[a] str[b]", "5: error: a NUL byte, which PO text never holds outside a string: the file is read no further"}},
        {"a file of NUL bytes", std::string(5000, '\0'),
         {"1: error: a NUL byte, which PO text never holds outside a string: the file is read no further"}},
        {"a UTF-16 file", std::string("\xFF\xFEm\0s\0g\0", 8),
         {"1: error: the file is UTF-16LE (it starts with a UTF-16LE byte-order mark): convert it to UTF-8, for example with "
          "iconv -f UTF-16LE -t UTF-8 FILE > NEW.po"}},
        {"a UTF-32 file", std::string("\0\0\xFE\xFF\0\0\0m", 8),
         {"1: error: the file is UTF-32BE (it starts with a UTF-32BE byte-order mark): convert it to UTF-8, for example with "
          "iconv -f UTF-32BE -t UTF-8 FILE > NEW.po"}},
        {"a long unknown keyword is cut short", std::string(300, 'x') + "\xC3\xA9 \"a\"\n",
         {"1: error: keyword \"" + std::string(40, 'x') + "...\" unknown"}},
        {"an unknown keyword's bytes are escaped", "m\x01\xC3\xA9 \"a\"\n", {"1: error: keyword \"m\\x01\\xC3\\xA9\" unknown"}},
        {"recovers at the next entry", "msgid \"a\"\nmsgstr \"\\q\"\n\"more\"\n\nmsgid \"b\"\nmsgstr \"c\"\n",
         {"2: error: invalid escape sequence '\\q'", "5: id[b] str[c]"}},
    };
    for (const ReaderRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(read(row.po), row.seen);
    }
}

struct RuleRow {
    const char *name;
    std::string po;
    vellix::PoOptions options;
    std::vector<std::string> seen;
};

const std::string utf8_header = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
const std::string keyed_header = "msgid \"\"\nmsgstr \"X-Vellix-Keys: msgctxt\\n\"\n\n";


TEST(PoCatalogRules, KeysValuesAndWhatIsLeftOut) {
    const std::string sample = "msgid \"a\"\nmsgstr \"A\"\n\nmsgctxt \"m\"\nmsgid \"a\"\nmsgstr \"mA\"\n\n"
                               "#, fuzzy\nmsgid \"f\"\nmsgstr \"F\"\n\nmsgid \"u\"\nmsgstr \"\"\n";
    const RuleRow rows[] = {
        {"msgid keys, context joined by 0x04; fuzzy and untranslated left out", utf8_header + sample, with(false),
         {"=Content-Type: text/plain; charset=UTF-8\n", "a=A", "m|a=mA"}},
        {"--use-fuzzy keeps fuzzy entries", utf8_header + sample, with(true),
         {"=Content-Type: text/plain; charset=UTF-8\n", "a=A", "m|a=mA", "f=F"}},
        {"the header field makes msgctxt the key", keyed_header + "msgctxt \"greeting\"\nmsgid \"Hello\"\nmsgstr \"Hallo\"\n",
         with(false), {"=X-Vellix-Keys: msgctxt\n", "greeting=Hallo"}},
        {"--keys=msgctxt without the header field", "msgctxt \"k\"\nmsgid \"Hello\"\nmsgstr \"Hallo\"\n",
         with(false, vellix::PoKeys::msgctxt), {"k=Hallo"}},
        {"two entries without msgctxt where msgctxt holds the keys: both are errors",
         keyed_header + "msgid \"Hi\"\nmsgstr \"Hallo\"\n\nmsgid \"Bye\"\nmsgstr \"Tschau\"\n", with(false),
         {"=X-Vellix-Keys: msgctxt\n",
          "4: error: the entry has no msgctxt, which holds the keys in this file (X-Vellix-Keys: msgctxt)",
          "7: error: the entry has no msgctxt, which holds the keys in this file (X-Vellix-Keys: msgctxt)"}},
        {"--keys=msgid overrides the header field", keyed_header + "msgctxt \"k\"\nmsgid \"Hi\"\nmsgstr \"Hallo\"\n",
         with(false, vellix::PoKeys::msgid), {"=X-Vellix-Keys: msgctxt\n", "k|Hi=Hallo"}},
        {"an entry without msgctxt where msgctxt holds the keys", keyed_header + "msgid \"Hi\"\nmsgstr \"Hallo\"\n", with(false),
         {"=X-Vellix-Keys: msgctxt\n",
          "4: error: the entry has no msgctxt, which holds the keys in this file (X-Vellix-Keys: msgctxt)"}},
        {"bytes that are not UTF-8 where the header says UTF-8", utf8_header + "msgid \"a\"\nmsgstr \"ok\"\n\nmsgid \"b\"\nmsgid_plural \"bs\"\n"
                                                              "msgstr[0] \"\xC3\xA9t\xC3\xA9\"\nmsgstr[1] \"\xE9t\xE9\"\n",
         with(false),
         {"=Content-Type: text/plain; charset=UTF-8\n", "a=ok",
          "7: error: the entry's msgstr[1] holds a byte that is not UTF-8 (\\xE9 at byte 1 of the text), though the header says "
          "charset=UTF-8: convert the file (for example iconv -f ISO-8859-1 -t UTF-8 FILE) or declare its real charset"}},
        {"a NUL byte right after the charset's name leaves it UTF-8",
         std::string("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8") + std::string(3, '\0') + "x\\n\"\n\nmsgid \"a\"\nmsgstr \"\xC3\xA9\"\n",
         with(false),
         {"2: warning: a NUL byte inside a string ends its text there, as gettext reads it: the rest of the string is dropped",
          "=Content-Type: text/plain; charset=UTF-8", "a=\xC3\xA9"}},
        {"a key defined twice", "msgid \"a\"\nmsgstr \"1\"\n\n#, fuzzy\nmsgid \"a\"\nmsgstr \"2\"\n", with(false),
         {"a=1", "5: error: duplicate key 'a'"}},
        {"plural forms under the key and the key, LF, '#' and the form",
         "msgid \"f\"\nmsgid_plural \"fs\"\nmsgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n", with(false), {"f=D", "f\n#1=Ds"}},
        {"as many forms as the header's rule",
         "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=3; plural=n%3;\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n",
         with(false),
         {"=Plural-Forms: nplurals=3; plural=n%3;\n",
          "6: error: the entry has 2 plural forms, but the header's Plural-Forms (line 1) has nplurals=3"}},
        {"one form more than the header's rule",
         "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=2; plural=n != 1;\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\nmsgstr[2] \"Dss\"\n",
         with(false),
         {"=Plural-Forms: nplurals=2; plural=n != 1;\n",
          "6: error: the entry has 3 plural forms, but the header's Plural-Forms (line 1) has nplurals=2"}},
        {"more forms than a PO file may have: an error, and plural entries left out",
         "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=5000; plural=n;\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n",
         with(false),
         {"1: error: the header's Plural-Forms has nplurals=5000, more than the 100 forms a PO file may have",
          "=Plural-Forms: nplurals=5000; plural=n;\n"}},
        {"an empty plural form: untranslated, left out, named",
         "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=3; plural=n%3;\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\nmsgstr[2] \"\"\n\nmsgid \"g\"\nmsgid_plural \"gs\"\nmsgstr[0] \"\"\nmsgstr[1] \"\"\n"
         "msgstr[2] \"\"\n",
         with(false),
         {"=Plural-Forms: nplurals=3; plural=n%3;\n",
          "6: warning: msgstr[2] is empty: the entry counts as untranslated and is left out, so that every number shows the "
          "source text"}},
        {"a header rule that does not parse, where no entry needs it: a warning",
         "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=2; plural=n >;\\n\"\n", with(false),
         {"=Plural-Forms: nplurals=2; plural=n >;\n",
          "1: warning: the header's Plural-Forms does not parse: the plural expression does not parse: the expression ends too "
          "soon; no entry has plural forms"}},
        {"a misspelled rule where an entry needs it: an error",
         "msgid \"\"\nmsgstr \"Plural-Forms: nplural=2; plural=n != 1;\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n",
         with(false),
         {"=Plural-Forms: nplural=2; plural=n != 1;\n",
          "1: error: the header's Plural-Forms does not parse: unknown part 'nplural=2', and entries have plural forms", "f=D",
          "f\n#1=Ds"}},
        {"no rule for a language whose rule is known: one error that gives it, and the plural entries left out",
         "msgid \"\"\nmsgstr \"Language: pl\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\nmsgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n"
         "msgstr[2] \"Dss\"\n\nmsgid \"g\"\nmsgid_plural \"gs\"\nmsgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n\nmsgid \"a\"\nmsgstr \"A\"\n",
         with(false),
         {"=Language: pl\n",
          "1: error: the header has no Plural-Forms, and entries have plural forms: add the rule for pl, \"Plural-Forms: "
          "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);\\n\"",
          "a=A"}},
        {"a rule that does not parse, for a language whose rule is known",
         "msgid \"\"\nmsgstr \"Language: de_AT\\nPlural-Forms: nplural=2;\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n",
         with(false),
         {"=Language: de_AT\nPlural-Forms: nplural=2;\n",
          "1: error: the header's Plural-Forms does not parse: unknown part 'nplural=2', and entries have plural forms: add the "
          "rule for de_AT, \"Plural-Forms: nplurals=2; plural=(n != 1);\\n\""}},
        {"no rule, a language the table lacks, entries of three forms: one error, at the first",
         "msgid \"f\"\nmsgid_plural \"fs\"\nmsgstr[0] \"D\"\nmsgstr[1] \"Ds\"\nmsgstr[2] \"Dss\"\n\nmsgid \"g\"\nmsgid_plural \"gs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\nmsgstr[2] \"Dss\"\n\nmsgid \"a\"\nmsgstr \"A\"\n",
         with(false),
         {"3: error: the entry has 3 plural forms, but a header without Plural-Forms means nplurals=2; plural=n != 1;: add the "
          "language's rule to the header",
          "a=A"}},
        {"no rule and no plural entries: nothing to say",
         "msgid \"\"\nmsgstr \"Language: de\\n\"\n\nmsgid \"a\"\nmsgstr \"A\"\n", with(false), {"=Language: de\n", "a=A"}},
        {"text after the rule's parts, and the field's name written twice, are read past",
         "msgid \"\"\nmsgstr \"Plural-Forms: Plural-Forms: nplurals=3; plural=n%3; ;x\\n\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\nmsgstr[2] \"Dss\"\n",
         with(false),
         {"=Plural-Forms: Plural-Forms: nplurals=3; plural=n%3; ;x\n", "f=D", "f\n#1=Ds", "f\n#2=Dss"}},
        {"a plural form's key taken by another entry", "msgid \"f\\n#1\"\nmsgstr \"x\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\n"
                                                         "msgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n",
         with(false),
         {"f\n#1=x", "f=D", "6: error: the key of plural form 1, 'f\\x0A#1', is also the key of another entry"}},
        {"a c-format mismatch is an error", "#, c-format\nmsgid \"%d files\"\nmsgstr \"%s Dateien\"\n", with(false),
         {"3: error: the printf conversions of 'msgstr' take other arguments than those of 'msgid': msgid %d, msgstr %s",
          "%d files=%s Dateien"}},
        {"a c-format msgstr that is no format", "#, c-format\nmsgid \"100%% done\"\nmsgstr \"100%\"\n", with(false),
         {"3: error: 'msgstr' is not a valid printf format, unlike 'msgid': the text ends in the middle of a conversion",
          "100%% done=100%"}},
        {"reordered positions agree", "#, c-format\nmsgid \"%s: %d\"\nmsgstr \"%2$d: %1$s\"\n", with(false),
         {"%s: %d=%2$d: %1$s"}},
        {"no-c-format is never compared", "#, no-c-format\nmsgid \"%d\"\nmsgstr \"%s\"\n", with(false), {"%d=%s"}},
        {"an unflagged format only warns", "msgid \"%d\"\nmsgstr \"%s\"\n", with(false),
         {"2: warning: the printf conversions of 'msgstr' take other arguments than those of 'msgid': msgid %d, msgstr %s "
          "(the entry is not flagged c-format)",
          "%d=%s"}},
    };
    for (const RuleRow &row : rows) {
        SCOPED_TRACE(row.name);
        CatalogRecorder recorder;
        vellix::read_po_catalog(row.po.data(), row.po.size(), row.options, recorder);
        EXPECT_EQ(recorder.seen, row.seen);
    }
}

TEST(PoCatalogRules, RefusesPluralFormsThatWouldMultiplyTheFile) {
    // A plural entry's forms each repeat its key in the catalog: a long key with many forms would
    // make a catalog many times its file.
    struct Row {
        std::size_t forms, key_bytes;
        bool refused;
    };
    const Row rows[] = {{6, 2000, false}, {8, 5000, false}, {20, 10, false}, {100, 1, false}, {20, 1000, true}, {100, 300, true}};
    for (const Row &row : rows) {
        SCOPED_TRACE(std::to_string(row.forms) + " forms, key of " + std::to_string(row.key_bytes));
        const std::string count = std::to_string(row.forms);
        std::string po = "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=" + count + "; plural=n%" + count + ";\\n\"\n\n" + "msgid \"" +
                         std::string(row.key_bytes, 'k') + "\"\nmsgid_plural \"p\"\n";
        for (std::size_t form = 0; form < row.forms; ++form) po += "msgstr[" + std::to_string(form) + "] \"x\"\n";
        CatalogRecorder recorder;
        vellix::read_po_catalog(po.data(), po.size(), with(false), recorder);
        if (row.refused) {
            const std::size_t stored = row.forms * (row.key_bytes + 1) + (row.forms - 1) * 3;
            const std::size_t own = row.key_bytes + 1 + row.forms * 13;
            EXPECT_EQ(recorder.seen, (std::vector<std::string>{
                                         recorder.seen.front(),
                                         "6: error: the entry's plural forms would take " + std::to_string(stored) +
                                             " bytes in the catalog, more than 8 times its own " + std::to_string(own) +
                                             ", as each form repeats its key of " + std::to_string(row.key_bytes) +
                                             " bytes: use a shorter key"}));
        } else {
            EXPECT_EQ(recorder.seen.size(), 1 + row.forms);  // the header and every form
        }
    }
}

TEST(PoCatalogRules, ExpandsIntTypesMacrosOfFormats) {
    const std::string po = "#, c-format\nmsgid \"%<PRIu64> bytes\"\nmsgstr \"%<PRIu64> octets\"\n\n"
                           "msgid \"%<PRIu64> left\"\nmsgstr \"%<PRIu64> restants\"\n\n"
                           "#, c-format\nmsgid \"%llu bytes\"\nmsgstr \"%llu octets\"\n\n"
                           "#, c-format\nmsgid \"%<PRIx64> ids\"\nmsgstr \"%<PRIx64> ids\"\n\n"
                           "#, c-format\nmsgid \"%lx ids\"\nmsgstr \"%lx identifiants\"\n\n"
                           "#, c-format\nmsgid \"%<PRIu32> files\"\nmsgstr \"%s fichiers\"\n";
    const struct Row {
        vellix::IntTypesTarget target;
        std::vector<std::string> seen;
    } rows[] = {
        {vellix::IntTypesTarget::lp64,
         {"%lu bytes=%lu octets", "%<PRIu64> left=%<PRIu64> restants", "%llu bytes=%llu octets", "%lx ids=%lx ids",
          "17: error: duplicate key '%lx ids'",
          "22: error: the printf conversions of 'msgstr' take other arguments than those of 'msgid': msgid %u, msgstr %s",
          "%u files=%s fichiers"}},
        {vellix::IntTypesTarget::windows,
         // Here %<PRIu64> bytes and %llu bytes are one key, and their translations agree.
         {"%llu bytes=%llu octets", "%<PRIu64> left=%<PRIu64> restants", "%llx ids=%llx ids", "%lx ids=%lx identifiants",
          "22: error: the printf conversions of 'msgstr' take other arguments than those of 'msgid': msgid %u, msgstr %s",
          "%u files=%s fichiers"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.target == vellix::IntTypesTarget::lp64 ? "lp64" : "windows");
        vellix::PoOptions options = with(false, vellix::PoKeys::msgid);
        options.target = row.target;
        CatalogRecorder recorder;
        vellix::read_po_catalog(po.data(), po.size(), options, recorder);
        EXPECT_EQ(recorder.seen, row.seen);
    }
    // Expanded formats that agree with a plain one are one entry, whichever comes first, and the
    // plain one need not be flagged (msgunfmt flags only the expanded ones).
    for (const std::string agreeing : {"#, c-format\nmsgid \"%<PRIx64>\"\nmsgstr \"%<PRIx64>!\"\n\n#, c-format\nmsgid \"%lx\"\nmsgstr \"%lx!\"\n",
                                       "msgid \"%lx\"\nmsgstr \"%lx!\"\n\n#, c-format\nmsgid \"%<PRIx64>\"\nmsgstr \"%<PRIx64>!\"\n"}) {
        SCOPED_TRACE(agreeing);
        vellix::PoOptions options = with(false, vellix::PoKeys::msgid);
        options.target = vellix::IntTypesTarget::lp64;
        CatalogRecorder recorder;
        EXPECT_EQ(vellix::read_po_catalog(agreeing.data(), agreeing.size(), options, recorder).errors, 0u);
        EXPECT_EQ(recorder.seen, std::vector<std::string>{"%lx=%lx!"});
    }
}

TEST(PoCatalogRules, FindsDuplicatesAmongManyShortEntries) {
    // Far more entries than the file's size suggests, so that the key table grows on the way.
    std::string po;
    for (int i = 0; i < 5000; ++i) po += "msgid \"k" + std::to_string(i) + "\"\nmsgstr \"v\"\n";
    po += "msgid \"k0\"\nmsgstr \"again\"\nmsgid \"k4999\"\nmsgstr \"again\"\n";
    CatalogRecorder recorder;
    const vellix::PoSummary summary = vellix::read_po_catalog(po.data(), po.size(), with(false), recorder);
    EXPECT_EQ(summary.errors, 2u);
    EXPECT_EQ(summary.translated, 5000u);
    ASSERT_EQ(recorder.seen.size(), 5002u);
    EXPECT_EQ(recorder.seen[5000], "10001: error: duplicate key 'k0'");
    EXPECT_EQ(recorder.seen[5001], "10003: error: duplicate key 'k4999'");
}

TEST(PoWriting, WrapsAsGettextDoes) {
    const std::pair<std::string, std::string> rows[] = {
        {"short", "msgid \"short\"\n"},
        {"one line\n", "msgid \"one line\\n\"\n"},
        {"two\nlines", "msgid \"\"\n\"two\\n\"\n\"lines\"\n"},
        {std::string(70, 'a') + " " + std::string(10, 'b'),
         "msgid \"\"\n\"" + std::string(70, 'a') + " \"\n\"" + std::string(10, 'b') + "\"\n"},
        {"tab\tquote\"back\\slash", "msgid \"tab\\tquote\\\"back\\\\slash\"\n"},
    };
    for (const auto &[text, field] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(vellix::po_field("msgid", text), field);
        // What is written reads back as the same text.
        const std::vector<std::string> back = read(vellix::po_field("msgid", text) + "msgstr \"x\"\n");
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0], "1: id[" + text + "] str[x]");
    }
}

}  // namespace
