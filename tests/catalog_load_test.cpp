// Finding a catalog through NLSPATH and loading it: template expansion, the search, what loads back,
// and damaged files that must be rejected without reading out of bounds.
#include "catalog_search.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using vellix_test::Bytes;
using vellix_test::catalog_bytes;
using vellix_test::with_count;
using vellix_test::with_length_at;
using vellix_test::TempDir;
using Entries = std::vector<std::pair<std::string, std::string>>;

using vellix_test::Handle;
using vellix_test::every_byte_but_nul;

void write_bytes(const std::string &path, const Bytes &bytes) {
    vellix_test::write_file(path, std::string(bytes.begin(), bytes.end()));
}

Entries entries_of(const i18n *handle) {
    Entries entries;
    for (std::size_t i = 0; handle->index[i]; ++i) entries.emplace_back(handle->index[i], handle->handles[i]);
    return entries;
}

struct ExpandCase {
    const char *pattern;
    const char *name;
    const char *locale;
    const char *expected;
};

TEST(TemplateExpansion, FollowsTheDirectives) {
    const ExpandCase cases[] = {
        {"plain/path", "app", "C", "plain/path"},
        {"%N", "app", "C", "app.18c"},
        {"C:\\cat\\%N", "app", "C", "C:\\cat\\app.18c"},
        {"D:\\lang\\%L\\%N", "app", "C", "D:\\lang\\C\\app.18c"},
        {"%L", "app", "de_DE.UTF-8", "de_DE.UTF-8"},
        {"%L/%N", "app", nullptr, "/app.18c"},
        {"%%N", "app", "C", "%N"},
        {"%%", "app", "C", "%"},
        {"%%%", "app", "C", "%"},
        {"cat%", "app", "C", "cat"},
        {"a%", "app", "C", "a"},
        {"%", "app", "C", ""},
        {"%n", "app", "C", "n"},
        {"%l", "app", "C", "l"},
        {"%x%y", "app", "C", "xy"},
        {"%NL", "app", "C", "app.18cL"},
        {"%N%N", "a", "C", "a.18ca.18c"},
        {" %N ", "app", "C", " app.18c "},
        {"%N", "100%L", "C", "100%L.18c"},
        {"%N", "a;b", "C", "a;b.18c"},
        {"%L", "app", "LC_CTYPE=C.UTF-8;LC_NUMERIC=C%N", "LC_CTYPE=C.UTF-8;LC_NUMERIC=C%N"},
        {"%N", "", "C", ".18c"},
        {"", "app", "C", ""},
    };
    for (const ExpandCase &row : cases) {
        SCOPED_TRACE(row.pattern);
        EXPECT_EQ(vellix::expand_template(row.pattern, row.name, row.locale), row.expected);
    }
}

struct SplitCase {
    const char *search_path;
    std::vector<std::string_view> expected;
};

TEST(TemplateExpansion, SplitsAtEverySemicolonFirst) {
    const SplitCase cases[] = {
        {"a%;b", {"a%", "b"}},
        {"", {""}},
        {";", {"", ""}},
        {"a;;b", {"a", "", "b"}},
        {";a", {"", "a"}},
        {"a;", {"a", ""}},
        {"C:\\cat\\%N;D:\\lang\\%L\\%N", {"C:\\cat\\%N", "D:\\lang\\%L\\%N"}},
        {"a:b", {"a:b"}},
    };
    for (const SplitCase &row : cases) {
        SCOPED_TRACE(row.search_path);
        EXPECT_EQ(vellix::split_search_path(row.search_path), row.expected);
    }
}

// Each test runs in its own directory with NLSPATH and the locale restored afterwards.
class CatalogSearch : public ::testing::Test {
protected:
    vellix_test::CLocale locale_;
    void set_search_path(const std::string &value) const { search_path_.set(value); }

    // Writes `bytes` as `<dir>/<subdir>/app.18c` and gives the template naming it.
    std::string catalog_at(const std::string &subdir, const Bytes &bytes) {
        std::filesystem::create_directories(dir_.path() / subdir);
        write_bytes(dir_.file(subdir + "/app.18c"), bytes);
        return template_in(subdir);
    }

    // The template "<dir>/<subdir>/%N" with the platform's separators ('\\' on Windows).
    std::string template_in(const std::string &subdir) const { return (dir_.path() / subdir / "%N").string(); }

    Handle open_app() { return Handle{vellix_open("app")}; }

    TempDir dir_;

    vellix_test::ScopedEnv search_path_{"NLSPATH"};
};

const Entries sample_entries{{"alpha", "first value"}, {"beta", "second"}, {"gamma", "third!"}};

TEST_F(CatalogSearch, UnsetOrEmptySearchPathFindsNothing) {
    catalog_at("good", catalog_bytes(sample_entries));
    search_path_.unset();
    EXPECT_EQ(open_app(), nullptr);
    set_search_path("");
    EXPECT_EQ(open_app(), nullptr);
    set_search_path(";;");
    EXPECT_EQ(open_app(), nullptr);
}

TEST_F(CatalogSearch, NullNameFindsNothing) {
    set_search_path(catalog_at("good", catalog_bytes(sample_entries)));
    EXPECT_EQ(vellix_open(nullptr), nullptr);
}

TEST_F(CatalogSearch, LoadsFromTheFirstTemplateThatOpens) {
    const std::string good = catalog_at("good", catalog_bytes(sample_entries));
    const std::string other = catalog_at("other", catalog_bytes({{"alpha", "other"}}));
    const std::string missing = template_in("missing");
    for (const std::string &search_path : {good, missing + ";" + good, ";" + good, missing + ";;" + good + ";" + other,
                                           good + ";" + other}) {
        SCOPED_TRACE(search_path);
        set_search_path(search_path);
        Handle handle = open_app();
        ASSERT_NE(handle, nullptr);
        EXPECT_NE(handle->fp, nullptr);
        EXPECT_EQ(entries_of(handle.get()), sample_entries);
    }
}

#ifdef _WIN32
TEST_F(CatalogSearch, WindowsTemplatesWithDrivesAndBackslashes) {
    // As a Windows user writes them, e.g. C:\cat\%N;D:\lang\%L\%N.
    catalog_at("C", catalog_bytes(sample_entries));
    const std::string root = std::filesystem::absolute(dir_.path()).make_preferred().string();
    ASSERT_EQ(root[1], ':') << root;
    ASSERT_EQ(root.find('/'), std::string::npos) << root;
    set_search_path(root + "\\missing\\%N;" + root + "\\%L\\%N");
    Handle handle = open_app();
    ASSERT_NE(handle, nullptr) << root;
    EXPECT_EQ(entries_of(handle.get()), sample_entries);
}
#endif

TEST_F(CatalogSearch, ExpandsTheLocale) {
    const std::string good = catalog_at("C", catalog_bytes(sample_entries));
    set_search_path(template_in("%L"));
    EXPECT_NE(open_app(), nullptr);
}

// A locale other than "C" under a name this platform knows, or null.
const char *set_other_locale(int category) {
    for (const char *name : {"C.UTF-8", "German_Germany.1252", "de_DE.UTF-8", "en_US.UTF-8"}) {
        if (std::setlocale(category, name)) return name;
    }
    return nullptr;
}

TEST_F(CatalogSearch, ExpandsPlatformLocaleNames) {
    const char *name = set_other_locale(LC_ALL);
    if (!name) GTEST_SKIP() << "no locale but C here";
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    catalog_at(locale, catalog_bytes(sample_entries));
    set_search_path(template_in("%L"));
    Handle handle = open_app();
    ASSERT_NE(handle, nullptr) << locale;
    EXPECT_EQ(entries_of(handle.get()), sample_entries);
}

TEST_F(CatalogSearch, SemicolonInTheLocaleSplitsNothing) {
    // With categories set apart, the C library names the locale by category, separated by ';'
    // ("LC_CTYPE=C.UTF-8;LC_NUMERIC=C;..." or "LC_COLLATE=C;LC_CTYPE=German_Germany.1252;...").
    if (!set_other_locale(LC_CTYPE)) GTEST_SKIP() << "no locale but C here";
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    if (locale.find(';') == std::string::npos) GTEST_SKIP() << "locale name has no ';': " << locale;
    catalog_at(locale, catalog_bytes(sample_entries));
    set_search_path(template_in("%L"));
    Handle handle = open_app();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(entries_of(handle.get()), sample_entries);
}

TEST_F(CatalogSearch, BadFirstCatalogEndsTheSearch) {
    const std::string good = catalog_at("good", catalog_bytes(sample_entries));
    Bytes wrong_version_1 = catalog_bytes(sample_entries);
    wrong_version_1[6] = 0x01;
    Bytes wrong_version_2 = catalog_bytes(sample_entries);
    wrong_version_2[4] = 0x02;
    Bytes wrong_magic = catalog_bytes(sample_entries);
    wrong_magic[3] = 'c';
    Bytes damaged = catalog_bytes(sample_entries);
    damaged.pop_back();
    const std::pair<const char *, Bytes> bad_files[] = {
        {"wrong magic", wrong_magic},
        {"version 01 00 01", wrong_version_1},
        {"version 02 00 00", wrong_version_2},
        {"empty file", {}},
        {"shorter than the header", {0x7F, '1', '8', 'C', 0x01, 0x00}},
        {"damaged", damaged},
    };
    for (const auto &[reason, bytes] : bad_files) {
        SCOPED_TRACE(reason);
        set_search_path(catalog_at("bad", bytes) + ";" + good);
        EXPECT_EQ(open_app(), nullptr);
    }
}

TEST_F(CatalogSearch, EmptyCatalogHasAnEmptyKeyArray) {
    set_search_path(catalog_at("empty", catalog_bytes({})));
    Handle handle = open_app();
    ASSERT_NE(handle, nullptr);
    const char fallback[] = "fallback";
    EXPECT_EQ(vellix_get(handle.get(), "alpha", fallback), fallback);
    EXPECT_EQ(vellix_get(handle.get(), "", nullptr), nullptr);
    ASSERT_NE(vellix_getkeys(handle.get()), nullptr);
    EXPECT_EQ(vellix_getkeys(handle.get())[0], nullptr);
    ASSERT_NE(handle->handles, nullptr);
    EXPECT_EQ(handle->handles[0], nullptr);
}

TEST_F(CatalogSearch, WrittenCatalogsLoadBackUnchanged) {
    std::string long_value(200000, 'x');  // larger than any read block
    long_value[123456] = 'y';
    const std::pair<const char *, Entries> catalogs[] = {
        {"duplicates", {{"k", "first"}, {"k", "second"}, {"other", "x"}}},
        {"empty strings", {{"", ""}, {"key", ""}, {"", "value"}}},
        {"every byte value", {{every_byte_but_nul(), every_byte_but_nul()}, {"\n\r\x1A", "\x1A\r\n"}}},
        {"a value longer than a read block", {{"before", "b"}, {"long", long_value}, {"after", "a"}}},
    };
    for (const auto &[name, entries] : catalogs) {
        SCOPED_TRACE(name);
        Handle written{vellix_empty()};
        for (const auto &[key, value] : entries) vellix_add(written.get(), key.c_str(), value.c_str());
        std::filesystem::create_directories(dir_.path() / "written");
        ASSERT_EQ(vellix_write(written.get(), dir_.file("written/app.18c").c_str()), 0);
        set_search_path(template_in("written"));
        Handle loaded = open_app();
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(entries_of(loaded.get()), entries);
        EXPECT_EQ(vellix_get(loaded.get(), entries[0].first.c_str(), nullptr), loaded->handles[0]);
    }
}

TEST_F(CatalogSearch, CompiledCatalogLoadsBack) {
    std::filesystem::create_directories(dir_.path() / "compiled");
    vellix_test::write_file(dir_.file("source"), "#c\n-hello\nHello,\n\nworld!\n-later\n-bye\nGoodbye\n-hello\nagain\n");
    const auto run = vellix_test::run_program(VELLMAKE_PATH, {"vellmake", dir_.file("compiled/app.18c"), dir_.file("source")});
    ASSERT_EQ(run.status, 0) << run.err;
    set_search_path(template_in("compiled"));
    Handle handle = open_app();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(entries_of(handle.get()), (Entries{{"hello", "Hello,world!"}, {"bye", "Goodbye"}, {"hello", "again"}}));
    EXPECT_STREQ(vellix_get(handle.get(), "hello", nullptr), "Hello,world!");
    EXPECT_EQ(vellix_get(handle.get(), "later", "fb"), std::string("fb"));
}

TEST_F(CatalogSearch, SmallerCountLoadsOnlyThatManyEntries) {
    set_search_path(catalog_at("short", with_count(catalog_bytes(sample_entries), 2)));
    Handle handle = open_app();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(entries_of(handle.get()), (Entries{sample_entries[0], sample_entries[1]}));
    EXPECT_EQ(handle->index[2], nullptr);
    EXPECT_EQ(handle->handles[2], nullptr);
}

TEST_F(CatalogSearch, RejectsDamagedCatalogs) {
    const Bytes valid = catalog_bytes(sample_entries);
    const std::size_t first_key_length = 7;
    const std::size_t first_value_length = first_key_length + 8 + 5;  // after "alpha"
    const std::pair<const char *, Bytes> damaged[] = {
        {"count one larger than the entries", with_count(valid, 4)},
        {"count 2^64-1", with_count(valid, UINT64_MAX)},
        {"count that only fits without the length fields", with_count(valid, (valid.size() - 15) / 16 + 1)},
        {"key length 2^64-1", with_length_at(valid, first_key_length, UINT64_MAX)},
        {"value length 2^64-1", with_length_at(valid, first_value_length, UINT64_MAX)},
        {"key length reaching into the count", with_length_at(valid, first_key_length, valid.size() - 15 - 8 + 1)},
        {"value length one past the entries", with_length_at(valid, first_value_length, valid.size())},
        {"header and count only, count 1", with_count(catalog_bytes({}), 1)},
    };
    for (const auto &[reason, bytes] : damaged) {
        SCOPED_TRACE(reason);
        set_search_path(catalog_at("damaged", bytes));
        EXPECT_EQ(open_app(), nullptr);
    }
}

TEST_F(CatalogSearch, RejectsEveryTruncation) {
    // No 8 bytes inside this catalog read as a count that its entries could satisfy.
    const Bytes valid = catalog_bytes(sample_entries);
    for (std::size_t size = 0; size < valid.size(); ++size) {
        SCOPED_TRACE(size);
        set_search_path(catalog_at("truncated", Bytes(valid.begin(), valid.begin() + size)));
        EXPECT_EQ(open_app(), nullptr);
    }
    set_search_path(catalog_at("truncated", valid));
    EXPECT_NE(open_app(), nullptr);
}

// The process's open descriptors where the system lists them (Linux); elsewhere 0, and the open
// and free cycles below still run out of streams if any is leaked.
std::size_t open_descriptors() {
    std::size_t count = 0;
#ifdef __linux__
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
#endif
    return count;
}

TEST_F(CatalogSearch, FreeingClosesTheFile) {
    const std::string good = catalog_at("good", catalog_bytes(sample_entries));
    Bytes bad = catalog_bytes(sample_entries);
    bad[0] = 0;
    const std::string bad_template = catalog_at("bad", bad);
    const std::size_t before = open_descriptors();
    // More cycles than a process may usually hold files open.
    for (int i = 0; i < 3000; ++i) {
        set_search_path(good);
        i18n *handle = vellix_open("app");
        ASSERT_NE(handle, nullptr) << "cycle " << i;
        vellix_free(handle);
        set_search_path(bad_template);
        ASSERT_EQ(vellix_open("app"), nullptr) << "cycle " << i;
    }
    EXPECT_EQ(open_descriptors(), before);
}

}  // namespace
