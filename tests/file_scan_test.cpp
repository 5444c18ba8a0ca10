// Scanning many files at once: what one scanner kept from the file before, the threads sharing the
// files and the parts of a template written on several threads must change nothing of the outcome.
#include "file_scan.h"
#include "parallel_parts.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vellix_test::TempDir;

bool wanted(std::string_view name) { return name == "f" || name == ".f"; }

// A call as one line of text: name, line, and each argument with its line and kind.
std::string shown(const vellix::FoundCall &call) {
    std::string line = call.name + "@" + std::to_string(call.line) + ":";
    for (const vellix::CallArgument &argument : call.arguments) {
        line += (argument.is_literal ? "[" + std::string(argument.text) + "]" : argument.is_macro_parameter ? "p" : "?") + "@" +
                std::to_string(argument.line) + (argument.escape_too_large ? "!" : "");
    }
    return line + (call.comment.empty() ? "" : " #" + call.comment);
}

std::vector<std::string> fresh_scan(const std::string &code) {
    std::vector<std::string> seen;
    vellix::scan_calls(code, wanted, "TR:", [&](const vellix::FoundCall &call) { seen.push_back(shown(call)); });
    return seen;
}

// Files whose state would leak into the next one if a scanner kept it: an open macro definition, a
// call left open, strings, splices (lines), tagged comments, a string cut by the file's end.
const std::vector<std::string> codes = {
    "#define T(k, t) f(cat, k, t)\nT(\"a\", \"b\");\n",
    "f(\"x\", T(\"open\"",
    "/* TR: note */\nf(\"k\", \"one\" \"two\");\nf(\"k2\",\n  \"text\");\n",
    "f(\"sp\\\nliced\", \"a\");\nf(\"after\", \"b\");\n",
    "obj.f(\"m\", \"n\"); f(\"\\x100\", \"y\");\n",
    "\n\n\nf(\"late\", \"line\");\n",
    "f(\"cut",
    "g(\"none\");\n",
};

TEST(FileScanning, OneScannerForManyFilesGivesWhatFreshOnesGive) {
    vellix::CallScanner scanner;
    for (int round = 0; round < 2; ++round) {
        for (const std::string &code : codes) {
            std::vector<std::string> seen;
            scanner.scan(code, wanted, "TR:", [&](const vellix::FoundCall &call) { seen.push_back(shown(call)); });
            EXPECT_EQ(seen, fresh_scan(code)) << code;
        }
    }
}

TEST(FileScanning, OutcomesComeInTheOrderOfTheFiles) {
    TempDir dir;
    std::vector<std::string> paths;
    // Many files, so that every thread takes some; a missing one and a compiled catalog among them.
    for (std::size_t i = 0; i < 60; ++i) {
        paths.push_back(dir.file("file" + std::to_string(i) + ".c"));
        if (i == 7) continue;  // never written
        if (i == 11) {
            const vellix_test::Bytes catalog = vellix_test::catalog_bytes({{"k", "v"}});
            vellix_test::write_file(paths.back(), std::string_view(reinterpret_cast<const char *>(catalog.data()), catalog.size()));
            continue;
        }
        vellix_test::write_file(paths.back(), codes[i % codes.size()] + "f(\"file\", \"" + std::to_string(i) + "\");\n");
    }
    std::vector<std::size_t> order;
    vellix::scan_files(paths, wanted, "TR:", [&](std::size_t index, vellix::ScannedFile &outcome) {
        order.push_back(index);
        if (index == 7) {
            EXPECT_FALSE(outcome.scanned);
            EXPECT_EQ(outcome.source.result, vellix::SourceRead::unopened);
            return;
        }
        if (index == 11) {
            EXPECT_FALSE(outcome.scanned);
            EXPECT_EQ(outcome.source.result, vellix::SourceRead::read);  // read, but a catalog: the caller says so
            return;
        }
        ASSERT_TRUE(outcome.scanned) << index;
        std::vector<std::string> seen;
        for (std::size_t i = 0; i < outcome.call_count; ++i) seen.push_back(shown(outcome.calls[i]));
        EXPECT_EQ(seen, fresh_scan(codes[index % codes.size()] + "f(\"file\", \"" + std::to_string(index) + "\");\n")) << index;
    });
    std::vector<std::size_t> expected(paths.size());
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = i;
    EXPECT_EQ(order, expected);
}

TEST(FileScanning, AnExceptionFromTheCallerStopsTheScan) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(dir.file(std::to_string(i) + ".c"));
        vellix_test::write_file(paths.back(), "f(\"k\", \"t\");\n");
    }
    std::size_t handed = 0;
    EXPECT_THROW(vellix::scan_files(paths, wanted, "", [&](std::size_t index, vellix::ScannedFile &) {
        ++handed;
        if (index == 3) throw std::runtime_error("stop");
    }), std::runtime_error);
    EXPECT_EQ(handed, 4u);
}

TEST(ParallelParts, EveryPartRunsOnceAndAFailureIsRethrown) {
    struct Row {
        std::size_t parts;
        int failing;  // the part that throws, or -1
    };
    for (const Row &row : {Row{1, -1}, Row{2, -1}, Row{5, -1}, Row{3, 0}, Row{3, 2}, Row{0, -1}}) {
        std::vector<std::atomic<int>> runs(row.parts);
        const auto work = [&](std::size_t part) {
            ++runs[part];
            if (static_cast<int>(part) == row.failing) throw std::runtime_error("part failed");
        };
        if (row.failing >= 0) {
            EXPECT_THROW(vellix::run_parts(row.parts, work), std::runtime_error) << row.parts;
        } else {
            EXPECT_NO_THROW(vellix::run_parts(row.parts, work));
        }
        for (std::size_t part = 0; part < row.parts; ++part) EXPECT_EQ(runs[part].load(), 1) << row.parts << " " << part;
    }
    EXPECT_EQ(vellix::part_count(10, 2000), 1u);
    EXPECT_GE(vellix::part_count(100000, 2000), 1u);
    EXPECT_LE(vellix::part_count(100000, 2000), 8u);
}

}  // namespace
