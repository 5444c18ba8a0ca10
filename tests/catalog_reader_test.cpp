// The loader on an open file, without any search: its verdicts, what it says is wrong, and that the
// handle path and the visitor path agree entry for entry.
#include "catalog_reader.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using vellix::LoadVerdict;
using vellix_test::Bytes;
using vellix_test::catalog_bytes;
using vellix_test::TempDir;
using vellix_test::with_count;
using vellix_test::with_length_at;
using Entries = std::vector<std::pair<std::string, std::string>>;

const Entries sample_entries{{"alpha", "first value"}, {"beta", "second"}, {"gamma", "third!"}};

// Opens `bytes` written to a file of `dir` for reading.
std::FILE *open_bytes(const TempDir &dir, const Bytes &bytes) {
    const std::string path = dir.file("catalog.18c");
    vellix_test::write_file(path, std::string(bytes.begin(), bytes.end()));
    return std::fopen(path.c_str(), "rb");
}

struct Collector : vellix::CatalogVisitor {
    Entries entries;
    void entry(std::uint64_t, std::string_view key, std::string_view value) override {
        entries.emplace_back(std::string(key), std::string(value));
    }
};

TEST(CatalogLoading, ReportsWhatIsWrong) {
    const Bytes valid = catalog_bytes(sample_entries);
    struct Row {
        const char *name;
        Bytes bytes;
        LoadVerdict verdict;
        const char *problem;
    };
    const Row rows[] = {
        {"valid", valid, LoadVerdict::loaded, ""},
        {"three bytes", {0x7F, '1', '8'}, LoadVerdict::bad_magic, "the file holds 3 bytes, too few for the catalog magic"},
        {"other magic", {'P', 'K', 3, 4, 1, 0, 0}, LoadVerdict::bad_magic,
         "its first bytes 50 4B 03 04 are not the catalog magic 7F 31 38 43"},
        {"magic and one version byte", {0x7F, '1', '8', 'C', 0x01}, LoadVerdict::bad_version,
         "the file holds 5 bytes, too few for the magic and the version"},
        {"header only", {0x7F, '1', '8', 'C', 0x01, 0x00, 0x00}, LoadVerdict::damaged,
         "the file holds 7 bytes, fewer than the 15 of an empty catalog"},
        {"count too large", with_count(valid, 9), LoadVerdict::damaged,
         "the entry count 9 cannot fit in the 85 bytes between the header and the count"},
        {"key length past the count", with_length_at(valid, 7, 1000), LoadVerdict::damaged,
         "entry 0: the key length 1000 reaches past the entry count (77 bytes are left)"},
        {"value length past the count", with_length_at(valid, 20, 68), LoadVerdict::damaged,
         "entry 0: the value length 68 reaches past the entry count (64 bytes are left)"},
        {"count one more than the entries", with_count(valid, 4), LoadVerdict::damaged,
         "entry 3: the key length field reaches past the entry count"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        std::FILE *file = open_bytes(dir, row.bytes);
        ASSERT_NE(file, nullptr);
        i18n sentinel{};
        i18n *handle = &sentinel;  // must be overwritten
        vellix::CatalogReport report;
        EXPECT_EQ(vellix::load_catalog(file, &handle, &report), row.verdict);
        EXPECT_EQ(report.verdict, row.verdict);
        EXPECT_EQ(report.problem, row.problem);
        EXPECT_EQ(handle != nullptr, row.verdict == LoadVerdict::loaded);
        if (handle) {
            EXPECT_EQ(handle->fp, file) << "a loaded handle owns its file";
        }
        vellix_free(handle);
    }
}

TEST(CatalogLoading, VerdictWithoutAReport) {
    const std::pair<Bytes, LoadVerdict> files[] = {
        {catalog_bytes(sample_entries), LoadVerdict::loaded},
        {{0x7F, '1', '8'}, LoadVerdict::bad_magic},
        {{0x7F, '1', '8', 'C', 0x01}, LoadVerdict::bad_version},
        {{0x7F, '1', '8', 'C', 0x01, 0x00, 0x00}, LoadVerdict::damaged},
        {with_count(catalog_bytes(sample_entries), 9), LoadVerdict::damaged},
    };
    for (const auto &[bytes, expected] : files) {
        TempDir dir;
        std::FILE *file = open_bytes(dir, bytes);
        ASSERT_NE(file, nullptr);
        i18n sentinel{};
        i18n *handle = &sentinel;  // must be overwritten
        EXPECT_EQ(vellix::load_catalog(file, &handle), expected);
        EXPECT_EQ(handle != nullptr, expected == LoadVerdict::loaded);
        vellix_free(handle);
    }
}

TEST(CatalogLoading, VisitorSeesWhatTheHandleHolds) {
    const Entries entries{{"", "empty key"}, {"k", std::string("nul\0inside", 10)}, {"k", "duplicate"}};
    TempDir dir;
    std::FILE *file = open_bytes(dir, with_count(catalog_bytes(entries), 2));
    ASSERT_NE(file, nullptr);
    Collector visitor;
    const vellix::CatalogReport report = vellix::read_catalog(file, visitor);
    std::fclose(file);
    EXPECT_EQ(report.verdict, LoadVerdict::loaded);
    EXPECT_EQ(report.count, 2u);
    EXPECT_EQ(report.unused_bytes, 16u + 1 + 9) << "the third entry belongs to no counted entry";
    EXPECT_EQ(visitor.entries, (Entries{entries[0], entries[1]}));
}

}  // namespace
