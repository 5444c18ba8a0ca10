// How catalog source bytes turn into entries, dropped keys and keyless text.
#include "source_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

struct RecordingSink : vellix::SourceSink {
    Entries entries;
    std::vector<std::uint64_t> entry_lines;
    std::vector<std::pair<std::string, std::uint64_t>> dropped;
    std::vector<std::uint64_t> keyless_lines;
    std::size_t stop_after = SIZE_MAX;

    bool entry(std::string_view key, std::string_view value, std::uint64_t key_line) override {
        if (entries.size() == stop_after) return false;
        entries.emplace_back(std::string(key), std::string(value));
        entry_lines.push_back(key_line);
        return true;
    }
    void dropped_key(std::string_view key, std::uint64_t key_line) override {
        dropped.emplace_back(std::string(key), key_line);
    }
    void keyless_text(std::uint64_t first_line) override { keyless_lines.push_back(first_line); }
};

RecordingSink parse(const std::string &source) {
    RecordingSink sink;
    EXPECT_TRUE(vellix::parse_source(source.data(), source.size(), sink));
    return sink;
}

struct ParseCase {
    const char *name;
    std::string source;
    Entries expected;
};

TEST(SourceParsing, TurnsLinesIntoEntries) {
    using namespace std::string_literals;
    const ParseCase cases[] = {
        {"the documented example", "#greetings\n-hello\nHello,\n\nworld!\n-later\n-bye\nGoodbye\n",
         {{"hello", "Hello,world!"}, {"bye", "Goodbye"}}},
        {"last value line without line feed", "-k\nlast", {{"k", "last"}}},
        {"CR LF line ends", "-hello\r\nHello,\r\n\r\nworld!\r\n-bye\r\nGoodbye\r\n",
         {{"hello", "Hello,world!"}, {"bye", "Goodbye"}}},
        {"a CR cuts the rest of its line", "-key\nabc\rdef\n", {{"key", "abc"}}},
        {"a CR cuts a key line too", "-key\rjunk\nvalue\n", {{"key", "value"}}},
        {"a lone dash is the empty key", "-\nvalue\n", {{"", "value"}}},
        {"two key lines in a row drop the first", "-first\n-second\nv\n", {{"second", "v"}}},
        {"value lines join directly across blanks", "-k\none\n\n\ntwo\n\nthree\n", {{"k", "onetwothree"}}},
        {"a comment does not interrupt a value", "-k\none\n#note\ntwo\n", {{"k", "onetwo"}}},
        {"a NUL ends the source", "-a\nx\n-b\ny\0\n-c\nz\n"s, {{"a", "x"}, {"b", "y"}}},
        {"a NUL mid-line keeps the text before it", "-a\nxy\0z\n"s, {{"a", "xy"}}},
        {"a NUL right after a key line", "-a\nx\n-b\0y\n"s, {{"a", "x"}}},
        {"indented hash and dash are values", "-k\n  #not a comment\n  -not a key\n",
         {{"k", "  #not a comment  -not a key"}}},
        {"a hash in the middle is text", "-k\na#b\n", {{"k", "a#b"}}},
        {"a line of spaces is a value", "-k\n   \n", {{"k", "   "}}},
        {"the same key twice gives two entries", "-k\none\n-k\ntwo\n", {{"k", "one"}, {"k", "two"}}},
        {"keys keep their spaces and bytes", "- spaced key \n\xFF\x1A\x7F\n", {{" spaced key ", "\xFF\x1A\x7F"}}},
        {"dash inside a value line", "-k\na-b\n", {{"k", "a-b"}}},
        {"double dash key", "--k\nv\n", {{"-k", "v"}}},
        {"CR only: one line cut at the first CR", "-key\rvalue\rmore", {}},
        {"empty source", "", {}},
        {"only comments and blanks", "#a\n\n#b\n\n", {}},
        {"a key at the very end", "-a\nx\n-b", {{"a", "x"}}},
        {"a byte-order mark hides a comment", "\xEF\xBB\xBF#comment\n-k\nv\n", {{"k", "v"}}},
        {"a byte-order mark hides a key", "\xEF\xBB\xBF-lost\nvalue\n-k\nv\n", {{"k", "v"}}},
        {"text before the first key is dropped", "orphan\nmore\n-k\nv\n", {{"k", "v"}}},
        {"only text, no key", "orphan\n", {}},
    };
    for (const ParseCase &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parse(row.source).entries, row.expected);
    }
}

TEST(SourceParsing, ReportsKeyLinesOfEntries) {
    const RecordingSink sink = parse("#c\n-a\nx\n\n-b\ny\nz\n");
    EXPECT_EQ(sink.entry_lines, (std::vector<std::uint64_t>{2, 5}));
}

TEST(SourceParsing, ReportsDroppedKeysWithTheirLines) {
    const RecordingSink sink = parse("#c\n-later\n-bye\nGoodbye\n-last\n");
    EXPECT_EQ(sink.dropped, (std::vector<std::pair<std::string, std::uint64_t>>{{"later", 2}, {"last", 5}}));
}

struct KeylessCase {
    const char *name;
    std::string source;
    std::vector<std::uint64_t> expected_lines;
};

TEST(SourceParsing, ReportsKeylessTextOnceWithItsFirstLine) {
    const KeylessCase cases[] = {
        {"none", "-k\nv\n", {}},
        {"first line", "orphan\n-k\nv\n", {1}},
        {"after comments and blanks", "#a\n\nfirst\nsecond\n-k\nv\n", {3}},
        {"byte-order mark before a key line", "\xEF\xBB\xBF-k\nv\n", {1}},
        {"byte-order mark alone on its line", "\xEF\xBB\xBF\n-k\nv\n", {1}},
        {"CR LF lines count like LF lines", "#a\r\n\r\ntext\r\n", {3}},
        {"text at the end without any key", "\n\ntext", {3}},
    };
    for (const KeylessCase &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parse(row.source).keyless_lines, row.expected_lines);
    }
}

TEST(SourceParsing, StopsWhenTheSinkSaysSo) {
    RecordingSink sink;
    sink.stop_after = 1;
    const std::string source = "-a\nx\n-b\ny\n-c\nz\n";
    EXPECT_FALSE(vellix::parse_source(source.data(), source.size(), sink));
    EXPECT_EQ(sink.entries, (Entries{{"a", "x"}}));
}

TEST(SourceParsing, ReadsOnlyTheGivenBytes) {
    // The bytes after `size` belong to no source; the parser must not look at them.
    const std::string bytes = "-k\nv\nmore";
    RecordingSink sink;
    EXPECT_TRUE(vellix::parse_source(bytes.data(), 5, sink));
    EXPECT_EQ(sink.entries, (Entries{{"k", "v"}}));
}

TEST(SourceParsing, RecognisesByteOrderMark) {
    EXPECT_TRUE(vellix::starts_with_byte_order_mark("\xEF\xBB\xBF", 3));
    EXPECT_TRUE(vellix::starts_with_byte_order_mark("\xEF\xBB\xBF-k", 5));
    EXPECT_FALSE(vellix::starts_with_byte_order_mark("\xEF\xBB", 2));
    EXPECT_FALSE(vellix::starts_with_byte_order_mark("-k\n", 3));
}

}  // namespace
