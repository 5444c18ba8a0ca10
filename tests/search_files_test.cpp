// What a search does with paths that are not catalog files, with names outside ASCII and with a
// catalog that is replaced while it is loaded; what a loaded handle lets child processes see.
#include "catalog_reader.h"
#include "catalog_search.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using vellix_test::Bytes;
using vellix_test::catalog_bytes;
using vellix_test::Handle;
using vellix_test::RunResult;
using vellix_test::TempDir;

const std::string vellmake = VELLMAKE_PATH;

// Writes bytes to a UTF-8 path, which the platform's own functions may not take as it is.
void write_utf8_path(const std::string &path, const Bytes &bytes) {
    const std::filesystem::path native = std::filesystem::u8path(path);
    std::filesystem::create_directories(native.parent_path());
    std::ofstream out(native, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string value_of(const Handle &handle, const char *key) { return vellix_get(handle.get(), key, "(missing)"); }

class SearchFiles : public ::testing::Test {
protected:
    vellix_test::CLocale locale_;

    TempDir dir;
    vellix_test::ScopedEnv search_path{"NLSPATH"};
};

// Records what the search says of each template.
struct KindsSeen : vellix::SearchObserver {
    std::vector<vellix::PathKind> kinds;
    void tried(std::size_t, std::size_t, std::string_view, const std::string &, vellix::PathKind kind) override {
        kinds.push_back(kind);
    }
};

TEST_F(SearchFiles, OnlyARegularFileEndsTheSearch) {
    write_utf8_path(dir.file("good/app.18c"), catalog_bytes({{"k", "found"}}));
    std::filesystem::create_directories(dir.path() / "dir" / "app.18c");
    std::string templates = dir.file("dir/%N") + ";" + dir.file("dir");  // a directory, and a template without %N
    std::vector<vellix::PathKind> expected{vellix::PathKind::directory, vellix::PathKind::directory};
#ifdef _WIN32
    templates += ";" + dir.file("NUL") + ";" + dir.file("con.18c");
    expected.insert(expected.end(), {vellix::PathKind::device, vellix::PathKind::device});
#else
    ASSERT_EQ(mkfifo(dir.file("app.fifo").c_str(), 0600), 0);  // no writer: a blocking open would hang
    templates += ";" + dir.file("app.fifo") + ";/dev/null";
    expected.insert(expected.end(), {vellix::PathKind::fifo, vellix::PathKind::device});
#endif
    search_path.set(templates + ";" + dir.file("good/%N"));
    expected.push_back(vellix::PathKind::regular);
    KindsSeen seen;
    const Handle handle{vellix::search_catalog("app", &seen)};
    EXPECT_EQ(seen.kinds, expected);
    EXPECT_EQ(value_of(handle, "k"), "found");
    EXPECT_EQ(value_of(Handle{vellix_open("app")}, "k"), "found");
}

// Paths built as UTF-8 bytes: std::filesystem would convert a narrow name in the code page.
std::string utf8_in(const TempDir &dir, const std::string &name) { return dir.path().string() + "/" + name; }

TEST_F(SearchFiles, FindsCatalogsUnderNamesOutsideAscii) {
    // Neither the CJK nor the Greek name fits a Western code page; "ü" must never become "u".
    write_utf8_path(utf8_in(dir, "u/app.18c"), catalog_bytes({{"k", "plain u"}}));
    for (const std::string name : {"\xE7\x94\xB0\xE4\xB8\xAD", "\xCE\xB1\xCE\xB2", "\xC3\xBC"}) {
        SCOPED_TRACE(name);
        write_utf8_path(utf8_in(dir, name + "/app.18c"), catalog_bytes({{"k", name}}));
        search_path.set(utf8_in(dir, name + "/%N"));
        EXPECT_EQ(value_of(Handle{vellix_open("app")}, "k"), name);
        // The name given to vellix_open is UTF-8 too.
        search_path.set(utf8_in(dir, "%N"));
        write_utf8_path(utf8_in(dir, name + "x.18c"), catalog_bytes({{"k", name + "x"}}));
        EXPECT_EQ(value_of(Handle{vellix_open((name + "x").c_str())}, "k"), name + "x");
    }
}

TEST_F(SearchFiles, CompilesBetweenPathsOutsideAsciiAndLongPaths) {
    std::string deep = utf8_in(dir, "\xE7\x94\xB0\xE4\xB8\xAD");
    while (deep.size() < 300) deep += "/a-directory-name-of-some-length";
    write_utf8_path(deep + "/de.src", Bytes{'-', 'k', '\n', 'v', '\n'});
    const std::string output = utf8_in(dir, "\xC3\xBC/app.18c");
    std::filesystem::create_directories(std::filesystem::u8path(utf8_in(dir, "\xC3\xBC")));
    std::filesystem::create_directories(std::filesystem::u8path(utf8_in(dir, "u")));
    const RunResult run = vellix_test::run_program(vellmake, {vellmake, output, deep + "/de.src"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(output)));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "u" / "app.18c")) << "no other file is written";
}

TEST_F(SearchFiles, ACatalogCanBeReplacedWhileLoaded) {
    write_utf8_path(dir.file("de.src"), Bytes{'-', 'k', '\n', 'n', 'e', 'w', '\n'});
    write_utf8_path(dir.file("app.18c"), catalog_bytes({{"k", "old"}}));
    search_path.set(dir.file("%N"));
    const Handle held{vellix_open("app")};
    ASSERT_EQ(value_of(held, "k"), "old");
    const RunResult run = vellix_test::run_program(vellmake, {vellmake, dir.file("app.18c"), dir.file("de.src")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(value_of(Handle{vellix_open("app")}, "k"), "new");
    EXPECT_EQ(value_of(held, "k"), "old") << "the loaded handle keeps what it read";
}

TEST_F(SearchFiles, TheCatalogFileIsNotInherited) {
#ifdef _WIN32
    GTEST_SKIP() << "the stream is opened with _O_NOINHERIT; Windows has no flag to read back";
#else
    write_utf8_path(dir.file("app.18c"), catalog_bytes({{"k", "v"}}));
    search_path.set(dir.file("%N"));
    const Handle handle{vellix_open("app")};
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(fcntl(fileno(handle->fp), F_GETFD) & FD_CLOEXEC, 0);
#endif
}

TEST_F(SearchFiles, ACountBeyondTheTableIsDamage) {
    // A sparse file long enough for 2^31 - 1 empty entries, more than a handle can hold.
    const std::string path = dir.file("huge.18c");
    const std::uint64_t count = 2147483647;
    Bytes header = catalog_bytes({});
    write_utf8_path(path, Bytes(header.begin(), header.begin() + 7));
    std::filesystem::resize_file(path, 15 + 16 * count);
    {
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(7 + 16 * count));
        const Bytes field = vellix_test::with_count(Bytes(8, 0), count);
        file.write(reinterpret_cast<const char *>(field.data()), 8);
    }
    std::FILE *file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    i18n *handle = nullptr;
    vellix::CatalogReport report;
    EXPECT_EQ(vellix::load_catalog(file, &handle, &report), vellix::LoadVerdict::damaged);
    EXPECT_EQ(report.problem, "the entry count 2147483647 is more than the 2147483646 entries a handle can hold");
    EXPECT_EQ(handle, nullptr);
}

}  // namespace
