// The catalog file as the writer lays it out, byte for byte, and how the writer reports failure.
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using vellix_test::Bytes;
using vellix_test::TempDir;
using Entries = std::vector<std::pair<std::string, std::string>>;

using vellix_test::Handle;
using vellix_test::every_byte_but_nul;

Handle handle_with(const Entries &entries) {
    Handle handle{vellix_empty()};
    for (const auto &[key, value] : entries) vellix_add(handle.get(), key.c_str(), value.c_str());
    return handle;
}

struct LayoutCase {
    const char *name;
    Entries entries;
    Bytes expected;
};

TEST(CatalogWriting, WritesExactLayout) {
    const LayoutCase cases[] = {
        {"no entries", {}, {0x7F, 0x31, 0x38, 0x43, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"the single entry hi/Hello",
         {{"hi", "Hello"}},
         {0x7F, 0x31, 0x38, 0x43, 0x01, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 0x68, 0x69, 0x05, 0, 0,
          0, 0, 0, 0, 0, 0x48, 0x65, 0x6C, 0x6C, 0x6F, 0x01, 0, 0, 0, 0, 0, 0, 0}},
        {"an empty key and value as two zero lengths",
         {{"", ""}},
         {0x7F, 0x31, 0x38, 0x43, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0,
          0, 0, 0, 0, 0, 0}},
        {"duplicates in entry order",
         {{"k", "first"}, {"k", "second"}, {"a", ""}},
         vellix_test::catalog_bytes({{"k", "first"}, {"k", "second"}, {"a", ""}})},
        {"every byte but NUL in key and value",
         {{every_byte_but_nul(), every_byte_but_nul()}},
         vellix_test::catalog_bytes({{every_byte_but_nul(), every_byte_but_nul()}})},
    };
    TempDir dir;
    for (const LayoutCase &row : cases) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.file("out.18c");
        Handle handle = handle_with(row.entries);
        ASSERT_EQ(vellix_write(handle.get(), path.c_str()), 0);
        EXPECT_EQ(vellix_test::read_file(path), row.expected);
    }
}

TEST(CatalogWriting, HandleLoadedWithoutEntriesWritesEmptyCatalog) {
    TempDir dir;
    Handle handle{vellix_empty()};
    handle->index = static_cast<char **>(std::calloc(1, sizeof(char *)));
    handle->handles = static_cast<char **>(std::calloc(1, sizeof(char *)));
    ASSERT_EQ(vellix_write(handle.get(), dir.file("empty.18c").c_str()), 0);
    EXPECT_EQ(vellix_test::read_file(dir.file("empty.18c")), vellix_test::catalog_bytes({}));
}

TEST(CatalogWriting, SizeFollowsFromTheEntries) {
    TempDir dir;
    Entries entries;
    std::uintmax_t expected_size = 15;
    for (int i = 0; i < 5000; ++i) {
        entries.emplace_back("menu.item." + std::to_string(i) + ".label", std::string(i % 97, 'v'));
        expected_size += 16 + entries.back().first.size() + entries.back().second.size();
    }
    Handle handle = handle_with(entries);
    ASSERT_EQ(vellix_write(handle.get(), dir.file("big.18c").c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("big.18c")), expected_size);
    EXPECT_EQ(vellix_test::read_file(dir.file("big.18c")), vellix_test::catalog_bytes(entries));
}

TEST(CatalogWriting, ReplacesWholeExistingFile) {
    TempDir dir;
    const std::string path = dir.file("old.18c");
    vellix_test::write_file(path, std::string(1000, 'x'));
    Handle handle = handle_with({{"hi", "Hello"}});
    ASSERT_EQ(vellix_write(handle.get(), path.c_str()), 0);
    EXPECT_EQ(vellix_test::read_file(path), vellix_test::catalog_bytes({{"hi", "Hello"}}));
}

TEST(CatalogWriting, NullHandleCreatesNothing) {
    TempDir dir;
    const std::string path = dir.file("never.18c");
    EXPECT_EQ(vellix_write(nullptr, path.c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CatalogWriting, MissingDirectoryFailsAndCreatesNothing) {
    TempDir dir;
    const std::string path = dir.file("no-such-dir/out.18c");
    Handle handle = handle_with({{"hi", "Hello"}});
    EXPECT_EQ(vellix_write(handle.get(), path.c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-dir")));
}

TEST(CatalogWriting, FailedWriteIsReportedNotOnlyFailedClose) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    // Small enough to sit in the stream's buffer until the final flush.
    Handle small = handle_with({{"hi", "Hello"}});
    EXPECT_EQ(vellix_write(small.get(), "/dev/full"), -1);
    // Large enough that the writes themselves fail before the flush.
    Entries many(2000, {"menu.item.label", std::string(60, 'v')});
    Handle large = handle_with(many);
    EXPECT_EQ(vellix_write(large.get(), "/dev/full"), -1);
}

}  // namespace
