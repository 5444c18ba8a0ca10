// The PO writer: where lines break and how references wrap, in tables, and whole entries of every
// kind written byte for byte as GNU msgcat writes them, where msgcat is installed.
#include "po_reader.h"
#include "po_writer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using vellix_test::TempDir;
using vellix_test::text_of;
using vellix_test::write_file;

TEST(PoWriting, BreaksLinesWhereGettextDoes) {
    const std::string a71(71, 'a');
    const std::string a40(40, 'a');
    const std::string b31(31, 'b');
    const std::string a76(76, 'a');
    const struct Row {
        const char *name;
        std::string text;
        std::string field;
    } rows[] = {
        {"fits the keyword's line exactly", a71, "msgid \"" + a71 + "\"\n"},
        {"one column more, nowhere to break: stays on the keyword's line", a71 + "a", "msgid \"" + a71 + "a\"\n"},
        {"one column more with a space: a line of its own", a40 + " " + b31, "msgid \"\"\n\"" + a40 + " " + b31 + "\"\n"},
        {"a continuation line of 77 columns", a76 + " b", "msgid \"\"\n\"" + a76 + " \"\n\"b\"\n"},
        {"an escape counts two columns", std::string(75, 'a') + "\" b",
         "msgid \"\"\n\"" + std::string(75, 'a') + "\\\" \"\n\"b\"\n"},
        {"after a hyphen, before a letter", a71 + "-bc", "msgid \"\"\n\"" + a71 + "-bc\"\n"},
        {"after a hyphen but not inside a number", std::string(70, 'a') + " 12-34" + std::string(10, 'c'),
         "msgid \"\"\n\"" + std::string(70, 'a') + " \"\n\"12-34" + std::string(10, 'c') + "\"\n"},
        {"after a slash", std::string(76, 'a') + "/bin", "msgid \"\"\n\"" + std::string(76, 'a') + "/\"\n\"bin\"\n"},
        {"never after an opening bracket, even over spaces", std::string(74, 'a') + " ( b" + std::string(5, 'c'),
         "msgid \"\"\n\"" + std::string(74, 'a') + " \"\n\"( b" + std::string(5, 'c') + "\"\n"},
        {"never before a closing bracket, even after spaces", std::string(74, 'a') + " x )",
         "msgid \"\"\n\"" + std::string(74, 'a') + " \"\n\"x )\"\n"},
        {"after a line feed, which stays with what comes before it", "one\ntwo\n", "msgid \"\"\n\"one\\n\"\n\"two\\n\"\n"},
        {"wide characters take two columns and break around each other",
         std::string(70, 'a') + " \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xA7\xE3\x81\x99",
         "msgid \"\"\n\"" + std::string(70, 'a') + " \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\"\n\"\xE3\x81\xA7\xE3\x81\x99\"\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(vellix::po_field("msgid", row.text), row.field);
    }
}

// In a c-format entry a conversion is never cut, even where its characters alone would allow it.
TEST(PoWriting, KeepsConversionsWholeInCFormatEntries) {
    const std::string a72(72, 'a');
    const struct Row {
        const char *name;
        std::string text;
        std::string c_format;
        std::string plain;
    } rows[] = {
        {"a space flag", a72 + " 50% done", "msgid \"\"\n\"" + a72 + " \"\n\"50% done\"\n",
         "msgid \"\"\n\"" + a72 + " 50% \"\n\"done\"\n"},
        {"a conversion's end is no conversion", std::string(73, 'a') + " %s\xE6\x97\xA5\xE6\x9C\xAC",
         "msgid \"\"\n\"" + std::string(73, 'a') + " %s\"\n\"\xE6\x97\xA5\xE6\x9C\xAC\"\n",
         "msgid \"\"\n\"" + std::string(73, 'a') + " %s\"\n\"\xE6\x97\xA5\xE6\x9C\xAC\"\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(vellix::po_field("msgid", row.text, 0, true), row.c_format);
        EXPECT_EQ(vellix::po_field("msgid", row.text), row.plain);
    }
}

TEST(PoWriting, WrapsReferencesAt79Columns) {
    const std::string ref60 = std::string(55, 'f') + ".c:10";
    const struct Row {
        const char *name;
        std::vector<std::string> references;
        std::vector<std::string> lines;
    } rows[] = {
        {"none", {}, {}},
        {"several on one line", {"a.c:1", "b.c:22"}, {"a.c:1 b.c:22"}},
        {"a line of exactly 79 columns", {ref60, std::string(13, 'g') + ".c"}, {ref60 + " " + std::string(13, 'g') + ".c"}},
        {"one more column starts a new line", {ref60, std::string(14, 'g') + ".c"}, {ref60, std::string(14, 'g') + ".c"}},
        {"one longer than a line stands alone", {std::string(90, 'h'), "a.c:1"}, {std::string(90, 'h'), "a.c:1"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(vellix::wrapped_references(row.references), row.lines);
    }
}

#ifndef _WIN32
// Texts made of the pieces real messages are made of: words, punctuation, numbers, options, paths,
// printf conversions, escapes, UTF-8 and CJK.
std::string random_text(std::mt19937 &random) {
    static const char *const pieces[] = {
        "the", "file", "is", "missing", "Dateien", "gr\xC3\xB6\xC3\x9F" "er", "e.g.", "i.e.", "--output=FILE", "-o", "(see",
        "below)", "[OPTION]...", "%s", "%d", "%1$s", "%-5d", "3.14", "1,000", "/usr/share/locale", "C:\\dir", "\"quoted\"",
        "it's", "a-b", "x)(y", "f(x)", "{k}", "<b>", "&amp;", "#1", "\xE2\x80\x94", "\xE2\x80\xA6", "\xC2\xABq\xC2\xBB",
        "\xC2\xBFqu\xC3\xA9?", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE3\x80\x81", "\xE3\x80\x8C\xE5\xBC\x95\xE3\x80\x8D",
        "tab\there", "line\n", "\\", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "100%%"};
    const int count = static_cast<int>(random() % 40) + 1;
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i && random() % 5 != 0) text += random() % 9 == 0 ? "  " : " ";
        text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    }
    return text;
}

// An entry of one of the kinds commands write, with random texts.
vellix::PoMessage random_entry(std::mt19937 &random, int number) {
    vellix::PoMessage message;
    if (random() % 3 == 0) message.translator_comments.push_back("a translator's note");
    if (random() % 3 == 0) message.extracted_comments.push_back("TRANSLATORS: " + random_text(random) + ".");
    if (random() % 2 == 0) message.references = vellix::wrapped_references({"src/main.c:" + std::to_string(number), "src/other.c:7"});
    if (random() % 4 == 0) message.flags = {"fuzzy", "c-format"};
    message.has_context = true;
    message.context = "key." + std::to_string(number);
    message.id = random_text(random);
    message.has_plural = random() % 4 == 0;
    if (message.has_plural) message.plural_id = random_text(random);
    message.translations.assign(message.has_plural ? 3 : 1, std::string());
    for (std::string &translation : message.translations) translation = random() % 4 == 0 ? "" : random_text(random);
    // As merge writes them: fuzzy only with a translation, the previous text only when fuzzy.
    if (message.translations.front().empty()) message.flags.clear();
    if (random() % 5 == 0 && !message.flags.empty()) {
        message.has_previous_id = true;
        message.previous_id = random_text(random);
    }
    return message;
}

TEST(PoWriting, WritesAsMsgcatWrites) {
    if (!std::filesystem::exists("/usr/bin/msgcat")) GTEST_SKIP() << "GNU msgcat is not installed";
    std::mt19937 random(2026);
    std::string po = vellix::po_header("nplurals=3; plural=n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2;");
    // Obsolete entries last, where msgcat puts them.
    for (int number = 0; number < 400; ++number) po += "\n" + vellix::po_entry(random_entry(random, number));
    for (int number = 400; number < 440; ++number) {
        // msgcat drops an obsolete entry without a translation.
        vellix::PoMessage message = random_entry(random, number);
        message.translations.front() = "translated";
        po += "\n" + vellix::po_entry(message, true);
    }
    TempDir dir;
    write_file(dir.file("ours.po"), po);
    const vellix_test::RunResult gnu =
        vellix_test::run_program("/usr/bin/msgcat", {"msgcat", "-o", dir.file("gnu.po"), dir.file("ours.po")});
    ASSERT_EQ(gnu.status, 0) << gnu.err;
    const std::string theirs = text_of(dir.file("gnu.po"));
    if (theirs == po) return;
    // The first line that differs, with the lines around it.
    std::size_t at = 0;
    while (at < po.size() && at < theirs.size() && po[at] == theirs[at]) ++at;
    const std::size_t from = po.rfind("\n\n", at) == std::string::npos ? 0 : po.rfind("\n\n", at);
    ADD_FAILURE() << "vellix:\n" << po.substr(from, at - from + 200) << "\nmsgcat:\n" << theirs.substr(from, at - from + 200);
}
#endif

}  // namespace
