// `vellix dump` and `vellix stats` end to end: dumps that vellmake compiles back byte for byte,
// entries and bytes a source cannot hold, listings, and the figures of sources and catalogs.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vellix_test::Bytes;
using vellix_test::catalog_bytes;
using vellix_test::read_file;
using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::TempDir;
using vellix_test::write_file;

const std::string vellmake = VELLMAKE_PATH;

bool holds(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// Writes `catalog`, dumps it, compiles the dump with vellmake and gives the run of the dump.
RunResult dump_and_compile(const TempDir &dir, const Bytes &catalog, Bytes &recompiled) {
    write_file(dir.file("in.18c"), std::string(catalog.begin(), catalog.end()));
    const RunResult dump = run_tool({"dump", dir.file("in.18c")});
    write_file(dir.file("dumped.src"), dump.out);
    const RunResult compile = vellix_test::run_program(vellmake, {"vellmake", dir.file("out.18c"), dir.file("dumped.src")});
    EXPECT_EQ(compile.status, 0) << compile.err;
    recompiled = read_file(dir.file("out.18c"));
    return dump;
}

TEST(ToolDump, ExpressibleCatalogsCompileBackByteForByte) {
    using Entries = std::vector<std::pair<std::string, std::string>>;
    std::string every_line_byte;  // every byte a line can hold
    for (const char c : vellix_test::every_byte_but_nul()) {
        if (c != '\n' && c != '\r') every_line_byte += c;
    }
    const std::pair<const char *, Entries> catalogs[] = {
        {"no entries", {}},
        {"the example", {{"greeting", "Hallo, Welt!"}, {"farewell", "Auf Wiedersehen"}}},
        {"keys a source line could mistake", {{"", "empty key"}, {"-dash", "v"}, {"#hash", "w"}, {" ", "space"}}},
        {"values with leading spaces and odd bytes", {{"k", "  indented"}, {"j", "\x1A\t\x7F\xC3\xBC"}}},
        {"duplicate keys", {{"k", "first"}, {"k", "second"}}},
        {"every byte a line can hold", {{every_line_byte, every_line_byte.substr(2)}}},
    };
    for (const auto &[name, entries] : catalogs) {
        SCOPED_TRACE(name);
        TempDir dir;
        Bytes recompiled;
        const Bytes catalog = catalog_bytes(entries);
        const RunResult dump = dump_and_compile(dir, catalog, recompiled);
        EXPECT_EQ(dump.status, 0);
        EXPECT_EQ(dump.err, "");
        EXPECT_EQ(recompiled, catalog);
    }
}

TEST(ToolDump, ReportsEntriesASourceCannotExpress) {
    struct Inexpressible {
        std::string key;
        std::string value;
        const char *reason;
    };
    const Inexpressible rows[] = {
        {"k", "", "its value is empty, and a key without a value line is dropped"},
        {"k", "-v", "its value starts with '-', which would make a key line"},
        {"k", "#v", "its value starts with '#', which would make a comment"},
        {"a\nb", "v", "its key holds a line feed"},
        {"k", "a\rb", "its value holds a carriage return"},
        {std::string("a\0b", 3), "v", "its key holds a NUL byte"},
    };
    for (const Inexpressible &row : rows) {
        SCOPED_TRACE(row.reason);
        TempDir dir;
        Bytes recompiled;
        const RunResult dump = dump_and_compile(dir, catalog_bytes({{"first", "1"}, {row.key, row.value}, {"last", "3"}}), recompiled);
        EXPECT_EQ(dump.status, 1);
        const std::string shown_key = row.key == "a\nb" ? "a\\x0Ab" : row.key.size() == 3 ? "a\\x00b" : row.key;
        EXPECT_EQ(dump.err, "vellix: " + dir.file("in.18c") + ": entry 1 (key '" + shown_key + "'): " + row.reason +
                                "; it is left out\n");
        EXPECT_EQ(recompiled, catalog_bytes({{"first", "1"}, {"last", "3"}})) << "the other entries are kept";
    }
}

TEST(ToolDump, ReportsBytesThatBelongToNoEntry) {
    TempDir dir;
    Bytes catalog = catalog_bytes({{"k", "v"}, {"j", "w"}});
    catalog[catalog.size() - 8] = 1;  // the count now covers only the first entry
    Bytes recompiled;
    const RunResult dump = dump_and_compile(dir, catalog, recompiled);
    EXPECT_EQ(dump.status, 1);
    EXPECT_EQ(dump.out, "-k\nv\n");
    EXPECT_EQ(dump.err, "vellix: " + dir.file("in.18c") +
                            ": 18 bytes after the last of its 1 entries belong to no entry; a catalog compiled from "
                            "the dump leaves them out\n");
}

TEST(ToolDump, RejectsWhatIsNotAWholeCatalog) {
    struct Rejected {
        const char *name;
        std::string bytes;
        const char *message;
    };
    Bytes long_key = catalog_bytes({{"key", "value"}});
    long_key[7] = 0xFF;
    const Rejected rows[] = {
        {"a source", "-k\nv\n", "not a catalog: its first bytes 2D 6B 0A 76 are not the catalog magic 7F 31 38 43"},
        {"an empty file", "", "not a catalog: the file holds 0 bytes, too few for the catalog magic"},
        {"a later version", std::string("\x7F" "18C\x01\x00\x01", 7) + std::string(8, '\0'),
         "not a catalog of this version: its version bytes 01 00 01 are not 01 00 00"},
        {"a key length past the end", std::string(long_key.begin(), long_key.end()),
         "damaged catalog: entry 0: the key length 255 reaches past the entry count (16 bytes are left)"},
        {"a cut entry", std::string("\x7F" "18C\x01\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00", 19),
         "damaged catalog: the entry count 1 cannot fit in the 4 bytes between the header and the count"},
    };
    for (const Rejected &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        write_file(dir.file("in.18c"), row.bytes);
        for (const char *option : {"--list", ""}) {
            std::vector<std::string> arguments{"dump", dir.file("in.18c")};
            if (*option) arguments.insert(arguments.begin() + 1, option);
            const RunResult run = run_tool(arguments);
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.out, "") << "nothing of a damaged catalog is written";
            EXPECT_EQ(run.err, "vellix: " + dir.file("in.18c") + ": " + row.message + "\n");
        }
    }
    EXPECT_EQ(run_tool({"dump", "no-such-catalog.18c"}).status, 2);
}

TEST(ToolDump, ListsEveryEntryOnOneLine) {
    TempDir dir;
    const Bytes catalog = catalog_bytes({{"greeting", "Gr\xC3\xBC\xC3\x9F" "e"}, {"", "a\tb\nc"}, {std::string("x\0y", 3), ""}});
    write_file(dir.file("in.18c"), std::string(catalog.begin(), catalog.end()));
    const RunResult run = run_tool({"dump", "--list", dir.file("in.18c")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "0\t8\t7\tgreeting\tGr\\xC3\\xBC\\xC3\\x9Fe\n"
                       "1\t0\t5\t\ta\\x09b\\x0Ac\n"
                       "2\t3\t0\tx\\x00y\t\n");
}

TEST(ToolStats, CountsSourcesAndCatalogsAlike) {
    TempDir dir;
    write_file(dir.file("de.src"), "-k\nvalue\n-lost\n-k\nlonger value\n-j\nv\n");
    const Bytes catalog = catalog_bytes({{"k", "value"}, {"k", "longer value"}, {"j", "v"}});
    write_file(dir.file("de.18c"), std::string(catalog.begin(), catalog.end()));
    const RunResult run = run_tool({"stats", dir.file("de.src"), dir.file("de.18c")});
    EXPECT_EQ(run.status, 0);
    const std::string figures = "  entries: 3\n  distinct keys: 2\n  duplicates: 1\n";
    EXPECT_EQ(run.out, dir.file("de.src") + ": source\n" + figures +
                           "  dropped keys: 1\n  key bytes: 3\n  value bytes: 18\n  largest value: 12 bytes, key 'k' (line 4)\n" +
                           dir.file("de.18c") + ": catalog\n" + figures +
                           "  dropped keys: 0\n  key bytes: 3\n  value bytes: 18\n  largest value: 12 bytes, key 'k' (entry 1)\n");
}

TEST(ToolStats, DamagedOrMissingFilesExitTwo) {
    TempDir dir;
    write_file(dir.file("cut.18c"), std::string("\x7F" "18C\x01\x00\x00\x01", 8));
    write_file(dir.file("empty.src"), "");
    const RunResult run = run_tool({"stats", dir.file("cut.18c"), dir.file("missing.src"), dir.file("empty.src")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, dir.file("empty.src") + ": source\n  entries: 0\n  distinct keys: 0\n  duplicates: 0\n"
                                                "  dropped keys: 0\n  key bytes: 0\n  value bytes: 0\n  largest value: none\n");
    EXPECT_TRUE(holds(run.err, "vellix: " + dir.file("cut.18c") + ": damaged catalog: the file holds 8 bytes")) << run.err;
    EXPECT_TRUE(holds(run.err, "vellix: " + dir.file("missing.src") + ": cannot open: ")) << run.err;
}

}  // namespace
