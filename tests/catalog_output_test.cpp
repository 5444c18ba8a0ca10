// What a compile leaves behind when it fails or races: the old catalog or the new one, never a
// part; the translator's source never overwritten; pipes read whole; no hang on a FIFO.
#include "catalog_reader.h"
#include "compiled_writer.h"
#include "file_system.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using vellix_test::Bytes;
using vellix_test::read_file;
using vellix_test::RunResult;
using vellix_test::TempDir;
using vellix_test::write_file;

const std::string vellmake = VELLMAKE_PATH;
const std::string vellix_tool = VELLIX_TOOL_PATH;

RunResult run_vellmake(const std::vector<std::string> &arguments) {
    std::vector<std::string> argv{vellmake};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return vellix_test::run_program(vellmake, argv);
}

// The names in a directory, so that a test sees any temporary file left behind.
std::set<std::string> names_in(const TempDir &dir) {
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
    return names;
}

// A source of `count` entries whose values all name `tag`, so that a catalog shows which it came from.
std::string source_of(std::size_t count, const std::string &tag) {
    std::string source;
    for (std::size_t i = 0; i < count; ++i) source += "-key" + std::to_string(i) + "\n" + tag + std::to_string(i) + "\n";
    return source;
}

TEST(CompilerArguments, RefusesSwappedOrSameFilesBeforeWriting) {
    TempDir dir;
    const std::string source = dir.file("de.src"), catalog = dir.file("de.18c");
    write_file(source, "-k\nv\n");
    ASSERT_EQ(run_vellmake({catalog, source}).status, 0);
    const Bytes source_bytes = read_file(source), catalog_bytes = read_file(catalog);
    struct Row {
        const char *name;
        std::vector<std::string> arguments;
        std::string message;
    };
    const Row rows[] = {
        {"OUTPUT and SOURCE swapped", {source, catalog},
         vellmake + ": " + catalog + ": this is a compiled catalog, not a catalog source (OUTPUT comes first: " + vellmake +
             " OUTPUT SOURCE)\n"},
        {"OUTPUT is SOURCE", {source, source}, vellmake + ": " + source + ": OUTPUT and SOURCE are the same file\n"},
        {"OUTPUT names SOURCE another way", {dir.file("./de.src"), source},
         vellmake + ": " + dir.file("./de.src") + ": OUTPUT and SOURCE are the same file\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const RunResult run = run_vellmake(row.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, row.message);
        EXPECT_EQ(read_file(source), source_bytes);
        EXPECT_EQ(read_file(catalog), catalog_bytes);
    }
    EXPECT_EQ(names_in(dir), (std::set<std::string>{"de.src", "de.18c"}));
}

TEST(CompilerArguments, CheckRefusesACompiledCatalog) {
    TempDir dir;
    write_file(dir.file("de.src"), "-k\nv\n");
    ASSERT_EQ(run_vellmake({dir.file("de.18c"), dir.file("de.src")}).status, 0);
    const RunResult run = vellix_test::run_program(vellix_tool, {vellix_tool, "check", dir.file("de.18c")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, vellix_tool + ": " + dir.file("de.18c") + ": this is a compiled catalog, not a catalog source\n");
}

TEST(CompilerOutputReplacement, KeepsModeAndLinksAndLeavesNoTemporaryFile) {
    TempDir dir;
    write_file(dir.file("one.src"), source_of(3, "one"));
    write_file(dir.file("two.src"), source_of(5, "two"));
    ASSERT_EQ(run_vellmake({dir.file("app.18c"), dir.file("one.src")}).status, 0);
    ASSERT_EQ(run_vellmake({dir.file("app.18c"), dir.file("two.src")}).status, 0);
    EXPECT_EQ(names_in(dir), (std::set<std::string>{"app.18c", "one.src", "two.src"}));
#ifndef _WIN32
    chmod(dir.file("app.18c").c_str(), 0640);
    std::filesystem::create_symlink("app.18c", dir.path() / "link.18c");
    ASSERT_EQ(run_vellmake({dir.file("link.18c"), dir.file("one.src")}).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.18c")) << "the link stays a link";
    EXPECT_EQ(read_file(dir.file("app.18c")), read_file(dir.file("link.18c")));
    struct stat status;
    ASSERT_EQ(stat(dir.file("app.18c").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(names_in(dir), (std::set<std::string>{"app.18c", "link.18c", "one.src", "two.src"}));
#endif
}

#ifndef _WIN32
// Runs vellmake under a shell limit (`ulimit -f` or `-v`), as a full disk or a small machine would.
RunResult run_vellmake_limited(const std::string &limit, const std::string &output, const std::string &source) {
    return vellix_test::run_program("/bin/sh", {"sh", "-c", limit + " && exec \"$0\" \"$1\" \"$2\"", vellmake, output, source});
}

TEST(CompilerOutputReplacement, AFailedWriteLeavesThePreviousCatalog) {
    TempDir dir;
    write_file(dir.file("small.src"), source_of(2, "old"));
    write_file(dir.file("large.src"), source_of(2000, "new"));
    ASSERT_EQ(run_vellmake({dir.file("app.18c"), dir.file("small.src")}).status, 0);
    const Bytes previous = read_file(dir.file("app.18c"));
    // Past the file size limit a write fails with EFBIG, as on a full disk: vellmake ignores
    // SIGXFSZ itself, which would otherwise kill it without a word (the signal's default action).
    struct sigaction default_action {}, saved{};
    default_action.sa_handler = SIG_DFL;
    sigaction(SIGXFSZ, &default_action, &saved);
    const RunResult run = run_vellmake_limited("ulimit -f 8", dir.file("app.18c"), dir.file("large.src"));
    sigaction(SIGXFSZ, &saved, nullptr);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "2000 entries\n");
    EXPECT_EQ(run.err, vellmake + ": could not open the output file and/or input file\n");
    EXPECT_EQ(read_file(dir.file("app.18c")), previous);
    EXPECT_EQ(names_in(dir), (std::set<std::string>{"app.18c", "small.src", "large.src"}));
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__has_feature)
#define VELLIX_TEST_WITHOUT_ASAN 1
#elif defined(__has_feature)
#if !__has_feature(address_sanitizer) && !defined(__SANITIZE_ADDRESS__)
#define VELLIX_TEST_WITHOUT_ASAN 1
#endif
#endif

TEST(CompilerOutputReplacement, OutOfMemoryIsAMessageAndLeavesThePreviousCatalog) {
#ifndef VELLIX_TEST_WITHOUT_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
    TempDir dir;
    write_file(dir.file("small.src"), source_of(2, "old"));
    // One value of 64 MiB over many lines: the source and the joined value outgrow 176 MiB.
    std::string large = "-k\n";
    const std::string line(1023, 'x');
    for (int i = 0; i < 65536; ++i) large += line + "\n";
    write_file(dir.file("large.src"), large);
    ASSERT_EQ(run_vellmake({dir.file("app.18c"), dir.file("small.src")}).status, 0);
    const Bytes previous = read_file(dir.file("app.18c"));
    const RunResult run = run_vellmake_limited("ulimit -v 180000", dir.file("app.18c"), dir.file("large.src"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, vellmake + ": out of memory\n");
    EXPECT_EQ(read_file(dir.file("app.18c")), previous);
}

TEST(CompilerReading, ReadsAFifoSourceToItsEnd) {
    TempDir dir;
    const std::string fifo = dir.file("source.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string source = source_of(5000, "piped");  // far more than a pipe holds at once
    std::thread writer([&] { write_file(fifo, source); });
    const RunResult run = run_vellmake({dir.file("app.18c"), fifo});
    writer.join();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "5000 entries\n");
    write_file(dir.file("plain.src"), source);
    ASSERT_EQ(run_vellmake({dir.file("plain.18c"), dir.file("plain.src")}).status, 0);
    EXPECT_EQ(read_file(dir.file("app.18c")), read_file(dir.file("plain.18c")));
}

TEST(CompilerOutputReplacement, AFifoWithoutReaderFailsAtOnce) {
    TempDir dir;
    write_file(dir.file("de.src"), "-k\nv\n");
    ASSERT_EQ(mkfifo(dir.file("out.fifo").c_str(), 0600), 0);
    const RunResult run = run_vellmake({dir.file("out.fifo"), dir.file("de.src")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, vellmake + ": could not open the output file and/or input file\n");
}
#endif

// Two compilers write one catalog over and over while a reader loads it: every catalog the reader
// sees is one of the two, whole.
TEST(CompilerOutputReplacement, ParallelCompilesAndAReaderNeverSeeAMix) {
    TempDir dir;
    const std::size_t sizes[] = {2000, 2001};
    write_file(dir.file("a.src"), source_of(sizes[0], "a"));
    write_file(dir.file("b.src"), source_of(sizes[1], "b"));
    const std::string output = dir.file("app.18c");
    ASSERT_EQ(run_vellmake({output, dir.file("a.src")}).status, 0);
    std::atomic<bool> compiling{true};
    std::atomic<int> failures{0};
    const auto compile = [&](const std::string &source) {
        for (int i = 0; i < 15; ++i) {
            if (run_vellmake({output, source}).status != 0) ++failures;
        }
    };
    std::thread first(compile, dir.file("a.src"));
    std::thread second(compile, dir.file("b.src"));
    std::thread watcher([&] {
        first.join();
        second.join();
        compiling = false;
    });
    int loads = 0, bad = 0;
    while (compiling || loads == 0) {
        vellix::PathKind kind;
        std::FILE *file = vellix::open_regular_file(output.c_str(), kind);
        if (!file) continue;  // on Windows, the moment between moving the old file aside and the new in
        i18n *handle = nullptr;
        vellix::CatalogReport report;
        vellix::load_catalog(file, &handle, &report);
        ++loads;
        const bool whole = handle && (report.count == sizes[0] || report.count == sizes[1]) &&
                           std::string(handle->handles[report.count - 1]) ==
                               (report.count == sizes[0] ? "a" : "b") + std::to_string(report.count - 1);
        if (!whole) ++bad;
        vellix_free(handle);
    }
    watcher.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(bad, 0) << "of " << loads << " loads";
    EXPECT_EQ(names_in(dir), (std::set<std::string>{"app.18c", "a.src", "b.src"}));
}

#ifdef __linux__
// A power loss right after a compile leaves the old catalog or the new one: the new file reaches the
// disk before it is renamed over the old one, and the directory after the rename.
TEST(CompilerOutputReplacement, SyncsTheFileBeforeTheRenameAndTheDirectoryAfter) {
    if (!std::filesystem::exists("/usr/bin/strace")) GTEST_SKIP() << "strace is not installed";
    const vellix_test::RunResult probe = vellix_test::run_program("/usr/bin/strace", {"strace", "-qq", "-o", "/dev/null", "/bin/true"});
    if (probe.status != 0) GTEST_SKIP() << "strace cannot trace here: " << probe.err;
    TempDir dir;
    write_file(dir.file("de.src"), "-greeting\nHallo\n");
    write_file(dir.file("out.18c"), "old");
    const vellix_test::RunResult traced = vellix_test::run_program(
        "/usr/bin/strace", {"strace", "-f", "-qq", "-e", "trace=fsync,fdatasync,rename,renameat,renameat2,openat", "-o",
                            dir.file("trace.log"), "-E", "ASAN_OPTIONS=detect_leaks=0",  // no leak checks under a tracer
                            vellmake, dir.file("out.18c"), dir.file("de.src")});
    ASSERT_EQ(traced.status, 0) << traced.err;
    std::vector<std::string> calls;
    const std::string log = vellix_test::text_of(dir.file("trace.log"));
    for (std::size_t start = 0, end; start < log.size(); start = end + 1) {
        end = std::min(log.find('\n', start), log.size());
        calls.push_back(log.substr(start, end - start));
    }
    const auto first = [&calls](const std::string &part, std::size_t from) {
        for (std::size_t i = from; i < calls.size(); ++i) {
            if (calls[i].find(part) != std::string::npos) return i;
        }
        return calls.size();
    };
    const std::size_t rename = first("rename", 0);
    ASSERT_LT(rename, calls.size()) << log;
    EXPECT_NE(calls[rename].find("out.18c\""), std::string::npos) << calls[rename];
    EXPECT_LT(first("fsync(", 0), rename) << "the new catalog is not synced before the rename:\n" << log;
    const std::size_t directory = first("openat(AT_FDCWD, \"" + dir.path().string() + "\"", rename);
    ASSERT_LT(directory, calls.size()) << "the directory is not opened after the rename:\n" << log;
    EXPECT_LT(first("fsync(", directory), calls.size()) << "the directory is not synced after the rename:\n" << log;
}
#endif

// vellix compile writes a PO file's entries as it reads them, into a temporary file that becomes the
// catalog only when the whole file was good: a refusal or an exception halfway leaves the old catalog
// and no trace; an output that cannot be replaced through a temporary file is not streamed at all.
TEST(CompilerOutputReplacement, AStreamedCatalogIsWholeOrNothing) {
    enum class Ending { complete, declined, thrown };
    struct Row {
        const char *name;
        Ending ending;
        int status;  // when it ends without an exception
        bool replaced;
    };
    const Row rows[] = {
        {"every entry given", Ending::complete, 0, true},
        {"refused after some entries", Ending::declined, 7, false},
        {"an exception after some entries", Ending::thrown, 0, false},
    };
    const std::vector<std::pair<std::string, std::string>> entries = {{"", "header"}, {"hi", "Hallo"}, {"bye", std::string(70000, 'x')}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const Bytes old = vellix_test::catalog_bytes({{"old", "Alt"}});
        write_file(dir.file("app.18c"), std::string(old.begin(), old.end()));
        const auto produce = [&](vellix::CatalogStream &catalog) {
            for (const auto &[key, value] : entries) catalog.add(key, value);
            if (row.ending == Ending::thrown) throw std::runtime_error("halfway");
            return row.ending == Ending::complete ? 0 : 7;
        };
        std::optional<int> status;
        if (row.ending == Ending::thrown) {
            EXPECT_THROW(vellix::write_compiled_streamed("vellix", dir.file("app.18c").c_str(), produce), std::runtime_error);
        } else {
            status = vellix::write_compiled_streamed("vellix", dir.file("app.18c").c_str(), produce);
            ASSERT_TRUE(status.has_value());
            EXPECT_EQ(*status, row.status);
        }
        EXPECT_EQ(read_file(dir.file("app.18c")), row.replaced ? vellix_test::catalog_bytes(entries) : old);
        EXPECT_EQ(names_in(dir), std::set<std::string>{"app.18c"});
    }
#ifndef _WIN32
    // A device is written in place, where a refusal could not be taken back: not streamed.
    bool called = false;
    const auto produce = [&called](vellix::CatalogStream &) {
        called = true;
        return 0;
    };
    EXPECT_FALSE(vellix::write_compiled_streamed("vellix", "/dev/null", produce).has_value());
    EXPECT_FALSE(called);
#endif
}

#ifndef _WIN32
// What a path names, found without opening it: only a regular file (through a link) has a size.
TEST(CompilerInput, ARegularFileIsKnownWithoutOpeningIt) {
    TempDir dir;
    write_file(dir.file("de.po"), "12345");
    ASSERT_EQ(mkfifo(dir.file("fifo.po").c_str(), 0600), 0);
    ASSERT_EQ(symlink(dir.file("de.po").c_str(), dir.file("link.po").c_str()), 0);
    const std::pair<std::string, int> rows[] = {
        {dir.file("de.po"), 5}, {dir.file("link.po"), 5}, {dir.file("fifo.po"), -1}, {dir.path().string(), -1}, {dir.file("none.po"), -1},
    };
    for (const auto &[path, size] : rows) {
        std::uint64_t found = 99;
        EXPECT_EQ(vellix::regular_file_size(path.c_str(), found), size >= 0) << path;
        if (size >= 0) {
            EXPECT_EQ(found, static_cast<std::uint64_t>(size)) << path;
        }
    }
}
#endif

}  // namespace
