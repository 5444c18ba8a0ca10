// The vellmake program run end to end on sources written by the tests, and the pieces of its
// driver that cannot be reached from the command line.
#include "compile_catalog.h"
#include "input_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using vellix_test::catalog_bytes;
using vellix_test::read_file;
using vellix_test::RunResult;
using vellix_test::TempDir;
using vellix_test::write_file;

const std::string vellmake = VELLMAKE_PATH;
const std::string unopened = ": could not open the output file and/or input file\n";

RunResult run_vellmake(const std::vector<std::string> &arguments) {
    std::vector<std::string> argv{vellmake};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return vellix_test::run_program(vellmake, argv);
}

// Compiles `source` and expects success with the given entries.
void expect_compiles_to(const std::string &source, const std::vector<std::pair<std::string, std::string>> &entries) {
    TempDir dir;
    write_file(dir.file("src"), source);
    const RunResult run = run_vellmake({dir.file("out.18c"), dir.file("src")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::to_string(entries.size()) + " entries\n");
    EXPECT_EQ(read_file(dir.file("out.18c")), catalog_bytes(entries));
}

TEST(CompilerCommandLine, TooFewArgumentsIsAnError) {
    for (const std::vector<std::string> &arguments : {std::vector<std::string>{}, {"out.18c"}}) {
        SCOPED_TRACE(arguments.size());
        const RunResult run = run_vellmake(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, vellmake + ": not enough arguments\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(CompilerCommandLine, NamesItselfAsInvoked) {
    const RunResult run = vellix_test::run_program(vellmake, {"my-compiler"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "my-compiler: not enough arguments\n");
}

TEST(CompilerCommandLine, IgnoresFurtherArguments) {
    TempDir dir;
    write_file(dir.file("src"), "-k\nv\n");
    const RunResult run = run_vellmake({dir.file("out.18c"), dir.file("src"), dir.file("third"), "-x"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1 entries\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("third")));
}

TEST(CompilerCommandLine, MissingSourceIsAnError) {
    TempDir dir;
    const RunResult run = run_vellmake({dir.file("out.18c"), dir.file("missing")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, vellmake + unopened);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.18c")));
}

TEST(CompilerCommandLine, UnreadableSourceIsAnError) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("a-directory"));
    const RunResult run = run_vellmake({dir.file("out.18c"), dir.file("a-directory")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, vellmake + unopened);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.18c")));
}

TEST(CompilerOutput, WritesTheDocumentedExample) {
    expect_compiles_to("#greetings\n-hello\nHello,\n\nworld!\n-later\n-bye\nGoodbye\n",
                       {{"hello", "Hello,world!"}, {"bye", "Goodbye"}});
}

TEST(CompilerOutput, EmptySourceWritesEmptyCatalog) { expect_compiles_to("", {}); }

TEST(CompilerOutput, CarriageReturnsOnlyGiveNoEntries) { expect_compiles_to("-key\rvalue\rmore\r", {}); }

TEST(CompilerOutput, StopsAtNulByte) {
    expect_compiles_to(std::string("-a\nx\0\n-b\ny\n", 11), {{"a", "x"}});
}

TEST(CompilerOutput, KeepsEveryByteButNulAndLineEnds) {
    std::string value;
    for (int byte = 1; byte <= 0xFF; ++byte) {
        if (byte != '\n' && byte != '\r') value.push_back(static_cast<char>(byte));
    }
    expect_compiles_to("-\x1A\xFF\n" + value + "\n", {{"\x1A\xFF", value}});
}

TEST(CompilerOutput, ReplacesExistingCatalog) {
    TempDir dir;
    write_file(dir.file("out.18c"), std::string(500, 'x'));
    write_file(dir.file("src"), "-k\nv\n");
    EXPECT_EQ(run_vellmake({dir.file("out.18c"), dir.file("src")}).status, 0);
    EXPECT_EQ(read_file(dir.file("out.18c")), catalog_bytes({{"k", "v"}}));
}

TEST(CompilerOutput, ManyEntriesInOrder) {
    // Megabytes of source, as large compiles have: the compiler readies its memory differently then.
    std::string source;
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 150000; ++i) {
        const std::string key = "menu.item." + std::to_string(i) + ".label";
        source += "-" + key + "\nItem\n" + std::to_string(i) + "\n";
        entries.emplace_back(key, "Item" + std::to_string(i));
    }
    expect_compiles_to(source, entries);
}

TEST(CompilerFailures, UnwritableOutputStillPrintsCountThenFails) {
    TempDir dir;
    write_file(dir.file("src"), "-k\nv\n");
    std::vector<std::string> outputs{dir.file("no-such-dir/out.18c")};
    if (std::filesystem::exists("/dev/full")) outputs.push_back("/dev/full");
    for (const std::string &output : outputs) {
        SCOPED_TRACE(output);
        const RunResult run = run_vellmake({output, dir.file("src")});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "1 entries\n");
        EXPECT_EQ(run.err, vellmake + unopened);
    }
}

TEST(CompilerFailures, RejectsOversizedSourceBeforeReading) {
    TempDir dir;
    // Sparse files: sizes past what a signed 32-bit number holds, including 3 GiB.
    for (const std::uintmax_t size : {std::uintmax_t{2147483647}, std::uintmax_t{3} << 30}) {
        SCOPED_TRACE(size);
        const std::string source = dir.file("huge");
        write_file(source, "-k\nv\n");
        std::filesystem::resize_file(source, size);
        const RunResult run = run_vellmake({dir.file("out.18c"), source});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind(vellmake + ": ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("2147483646"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.18c")));
    }
}

struct KeylessCase {
    const char *name;
    std::string source;
    const char *line_text;
    bool mentions_byte_order_mark;
    std::vector<std::pair<std::string, std::string>> entries;
};

TEST(CompilerWarnings, DropsTextBeforeFirstKeyWithOneWarning) {
    const KeylessCase cases[] = {
        {"plain text first", "#c\norphan\nmore\n-k\nv\n", "line 2", false, {{"k", "v"}}},
        {"only text", "orphan\n", "line 1", false, {}},
        {"byte-order mark before a key", "\xEF\xBB\xBF-lost\nvalue\n-k\nv\n", "line 1", true, {{"k", "v"}}},
        {"byte-order mark before a comment", "\xEF\xBB\xBF#c\n-k\nv\n", "line 1", true, {{"k", "v"}}},
    };
    for (const KeylessCase &row : cases) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        write_file(dir.file("src"), row.source);
        const RunResult run = run_vellmake({dir.file("out.18c"), dir.file("src")});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, std::to_string(row.entries.size()) + " entries\n");
        EXPECT_EQ(read_file(dir.file("out.18c")), catalog_bytes(row.entries));
        EXPECT_EQ(run.err.rfind(vellmake + ": ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(row.line_text), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("byte-order mark") != std::string::npos, row.mentions_byte_order_mark) << run.err;
    }
}

TEST(CompilerWarnings, CleanSourceIsSilent) {
    TempDir dir;
    write_file(dir.file("src"), "#c\n-dropped\n-k\nv\n");
    const RunResult run = run_vellmake({dir.file("out.18c"), dir.file("src")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
}

TEST(CompilerReading, ParsesOnlyTheBytesActuallyRead) {
    // The size was taken before the file shrank: only the bytes still there count.
    TempDir dir;
    write_file(dir.file("src"), "-k\nv");
    std::FILE *source = std::fopen(dir.file("src").c_str(), "rb");
    ASSERT_NE(source, nullptr);
    vellix::SourceBuffer buffer;
    std::size_t bytes_read = 99;
    EXPECT_TRUE(vellix::read_source(source, 4096, buffer, bytes_read));
    std::fclose(source);
    EXPECT_EQ(bytes_read, 4u);
    EXPECT_EQ(std::string(buffer.get()), "-k\nv");
}

TEST(CompilerReading, SizeQueryIsSixtyFourBits) {
    TempDir dir;
    write_file(dir.file("big"), "");
    std::filesystem::resize_file(dir.file("big"), std::uintmax_t{5} << 30);
    std::uint64_t size = 0;
    ASSERT_TRUE(vellix::query_file_size(dir.file("big").c_str(), size));
    EXPECT_EQ(size, std::uint64_t{5} << 30);
    EXPECT_FALSE(vellix::query_file_size(dir.file("missing").c_str(), size));
}

}  // namespace
