// The source checker as a function: which findings a source gives, on which lines, which of them
// fail a plain check, and what comparing with a reference adds.
#include "source_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "LINE: TEXT", with "!" before the line when the finding is serious and " / note LINE: NOTE" after.
std::vector<std::string> summary(const vellix::SourceCheck &check) {
    std::vector<std::string> lines;
    for (const vellix::Finding &finding : check.findings) {
        std::string line = (finding.serious ? "!" : "") + std::to_string(finding.line) + ": " + finding.text;
        if (!finding.note.empty()) {
            line += " / note " + std::string(finding.note_in_reference ? "ref " : "") + std::to_string(finding.note_line) +
                    ": " + finding.note;
        }
        lines.push_back(line);
    }
    return lines;
}

vellix::SourceCheck check(const std::string &source, const vellix::SourceKeys *reference = nullptr) {
    return vellix::check_source(source.data(), source.size(), reference);
}

struct CheckRow {
    const char *name;
    std::string source;
    std::vector<std::string> findings;
};

TEST(SourceChecking, FindsEachTrapOnItsLine) {
    const CheckRow rows[] = {
        {"clean source with comments and blank lines", "# de\n-k\nv\n\n-j\nw\n", {}},
        {"empty source", "", {}},
        {"findings sorted by line, not by the order they were found",
         "-a\n-b\nv \n",
         {"1: key 'a' has no value line before the next key line or the end of the source, so it is dropped",
          "3: the line ends in spaces or tabs, which are part of the value"}},
        {"duplicate key with a note on the first",
         "-k\nv\n-k\nw\n",
         {"3: duplicate key 'k': lookups find only its first definition / note 1: first defined here"}},
        {"keyless text reported once, with its first line", "a\nb\n-k\nv\n",
         {"1: text before the first key line belongs to no key and is dropped"}},
        {"a CR LF line end is not a cut line", "-k\r\nv\r\n", {}},
        {"a lone CR counts the bytes it cuts", "-k\nab\rc\n",
         {"2: a carriage return that is not part of a CR LF line end cuts this line: what follows it (1 byte) is "
          "ignored"}},
        {"a NUL at the very end ignores nothing", std::string("-k\nv\n\0", 6), {}},
        {"a NUL before more text", std::string("-k\nv\0xy", 7),
         {"2: a NUL byte ends the source here: what follows it (2 bytes) is ignored"}},
        {"trailing tab on a key", "-k\t\nv\n", {"1: the line ends in spaces or tabs, which are part of the key"}},
        {"trailing space on a comment is no finding", "# c \n-k\nv\n", {}},
        {"a byte-order mark before a key line",
         "\xEF\xBB\xBF-k\nv\n",
         {"1: the source begins with a UTF-8 byte-order mark, so its first line is never a key line or a comment: "
          "the key line for 'k' is not recognised and that key is not defined",
          "1: text before the first key line belongs to no key and is dropped"}},
    };
    for (const CheckRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(summary(check(row.source)), row.findings);
    }
}

TEST(SourceChecking, RemembersFirstDefinitionsInOrder) {
    const vellix::SourceCheck result = check("-b\none\n-a\ntwo\n-b\nthree\n-c\n");
    EXPECT_EQ(result.keys, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(result.first_definitions.at("b").value, "one");
    EXPECT_EQ(result.first_definitions.at("b").line, 1u);
    EXPECT_EQ(result.first_definitions.count("c"), 0u) << "a dropped key is not defined";
}

struct AgainstRow {
    const char *name;
    std::string source;
    std::string reference;
    std::vector<std::string> findings;
};

TEST(SourceChecking, ComparesWithTheReference) {
    const AgainstRow rows[] = {
        {"same keys and conversions", "-n\n%d Dateien\n", "-n\n%d files\n", {}},
        {"positional reordering is the same", "-m\n%2$s: %1$d\n", "-m\n%d %s\n", {}},
        {"a missing key is serious and points into the reference", "-a\nx\n", "-a\ny\n-b\nz\n",
         {"!0: key 'b' of the reference is missing / note ref 3: the reference defines it here"}},
        {"an extra key is a plain warning", "-a\nx\n-b\nz\n", "-a\ny\n", {"3: key 'b' is not in the reference"}},
        {"a changed conversion is serious", "-n\n%s Dateien\n", "-n\n\n%d files\n",
         {"!1: the printf conversions of key 'n' differ from the reference: here %s, in the reference %d / note ref "
          "1: the reference's value is defined here"}},
        {"#, no-c-format before each of two entries in a row", "#, no-c-format\n-a\n%s\n#, no-c-format\n-b\n%s\n-c\n%s\n",
         "-a\n%d\n-b\n%d\n-c\n%d\n",
         {"!7: the printf conversions of key 'c' differ from the reference: here %s, in the reference %d / note ref "
          "5: the reference's value is defined here"}},
        {"#, no-c-format in the reference", "-a\n%s\n", "#, fuzzy, no-c-format\n-a\n%d\n", {}},
        {"the first definition counts", "-n\n%d\n-n\n%s\n", "-n\n%d\n",
         {"3: duplicate key 'n': lookups find only its first definition / note 1: first defined here"}},
    };
    for (const AgainstRow &row : rows) {
        SCOPED_TRACE(row.name);
        const vellix::SourceCheck reference = check(row.reference);
        EXPECT_EQ(summary(check(row.source, &reference)), row.findings);
    }
}

}  // namespace
