// Lookups in a loaded catalog: its one block and index give exactly what the walk gives, entries
// appended after loading are found, records a caller assembles are never read past their fields,
// and many threads may look up at once.
#include "catalog_search.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using vellix_test::Handle;
using vellix_test::TempDir;

// The walk that vellix_get gives on any handle: the first entry with the key, else the fallback.
const char *walked(const i18n *handle, const char *key, const char *fallback) {
    for (std::size_t i = 0; handle->index[i]; ++i) {
        if (std::string(handle->index[i]) == key) return handle->handles[i];
    }
    return fallback;
}

class LoadedLookup : public ::testing::Test {
protected:
    // Writes the entries as a catalog and loads it through NLSPATH.
    Handle load(const std::vector<std::pair<std::string, std::string>> &entries) {
        const vellix_test::Bytes bytes = vellix_test::catalog_bytes(entries);
        vellix_test::write_file(dir.file("app.18c"), std::string(bytes.begin(), bytes.end()));
        search_path.set(dir.file("%N"));
        return Handle{vellix_open("app")};
    }
    TempDir dir;
    vellix_test::ScopedEnv search_path{"NLSPATH"};
};

TEST_F(LoadedLookup, AgreesWithTheWalkOnRandomCatalogsWithDuplicates) {
    std::mt19937 random(16);
    for (int round = 0; round < 10; ++round) {
        std::vector<std::pair<std::string, std::string>> entries;
        const int count = 1 + static_cast<int>(random() % 2000);
        for (int i = 0; i < count; ++i) {
            // Few distinct keys, so that many are duplicates; some empty, some sharing prefixes.
            const std::string key = random() % 10 == 0 ? "" : "menu.item." + std::to_string(random() % (count / 3 + 1));
            entries.emplace_back(key, "value " + std::to_string(i));
        }
        const Handle handle = load(entries);
        ASSERT_NE(handle, nullptr);
        const char *fallback = "fallback";
        for (int probe = 0; probe < 3000; ++probe) {
            const std::string key = probe % 7 == 0 ? "absent." + std::to_string(probe) : "menu.item." + std::to_string(random() % (count / 2 + 1));
            ASSERT_EQ(vellix_get(handle.get(), key.c_str(), fallback), walked(handle.get(), key.c_str(), fallback)) << key;
        }
        ASSERT_EQ(vellix_get(handle.get(), "", fallback), walked(handle.get(), "", fallback));
    }
}

TEST_F(LoadedLookup, EntriesAddedAfterLoadingAreFoundAndFreed) {
    Handle handle = load({{"a", "first"}, {"b", "second"}});
    ASSERT_NE(handle, nullptr);
    vellix_add(handle.get(), "c", "third");
    vellix_add(handle.get(), "a", "shadowed");
    for (int i = 0; i < 100; ++i) vellix_add(handle.get(), ("k" + std::to_string(i)).c_str(), "more");
    EXPECT_STREQ(vellix_get(handle.get(), "a", nullptr), "first") << "the first of duplicate keys";
    EXPECT_STREQ(vellix_get(handle.get(), "c", nullptr), "third");
    EXPECT_STREQ(vellix_get(handle.get(), "k99", nullptr), "more");
    EXPECT_EQ(vellix_get(handle.get(), "zz", nullptr), nullptr);
    EXPECT_STREQ(vellix_getkeys(handle.get())[102], "k98");
    // Freed by the handle's release: the loaded strings with the block, the added ones one by one
    // (a leak or a wrong free shows under the sanitizers).
}

TEST_F(LoadedLookup, PluralFormsFollowAHeaderAddedAfterTheIndex) {
    Handle handle = load({{"files", "one"}, {"files\n#1", "few"}, {"files\n#2", "many"}});
    ASSERT_NE(handle, nullptr);
    for (int i = 0; i < 20; ++i) vellix_get(handle.get(), "files", nullptr);  // the index is built by now
    EXPECT_STREQ(vellix_nget(handle.get(), "files", 5, "s", "p"), "few") << "no header: n != 1";
    vellix_add(handle.get(), "", "Plural-Forms: nplurals=3; plural=n==1 ? 0 : n%10>=2 && n%10<=4 ? 1 : 2;\n");
    EXPECT_STREQ(vellix_nget(handle.get(), "files", 5, "s", "p"), "many") << "the added header's rule";
    EXPECT_STREQ(vellix_nget(handle.get(), "files", 22, "s", "p"), "few");
    EXPECT_STREQ(vellix_nget(handle.get(), "files", 1, "s", "p"), "one");
}

TEST(AssembledRecord, IsNeverReadPastItsFields) {
    // A caller's own record of static arrays, on the heap with nothing after it.
    static char key_a[] = "a", key_b[] = "b", value_a[] = "A", value_b[] = "B";
    static char *keys[] = {key_a, key_b, nullptr};
    static char *values[] = {value_a, value_b, nullptr};
    std::unique_ptr<i18n> record{new i18n{nullptr, values, keys}};
    EXPECT_STREQ(vellix_get(record.get(), "b", nullptr), "B");
    EXPECT_EQ(vellix_get(record.get(), "c", nullptr), nullptr);
    EXPECT_EQ(vellix_getkeys(record.get()), keys);
    EXPECT_STREQ(vellix_nget(record.get(), "a", 1, "one", "many"), "A");
}

TEST_F(LoadedLookup, ManyThreadsLookUpAtOnce) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 5000; ++i) entries.emplace_back("key." + std::to_string(i), "value." + std::to_string(i));
    const Handle handle = load(entries);
    ASSERT_NE(handle, nullptr);
    std::vector<std::thread> threads;
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20000; ++i) {
                const int n = (i * 7 + t) % 6000;
                const std::string key = "key." + std::to_string(n);
                const char *value = vellix_get(handle.get(), key.c_str(), nullptr);
                const bool right = n < 5000 ? value && std::string(value) == "value." + std::to_string(n) : value == nullptr;
                if (!right) ++wrong[t];
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(8, 0));
}

}  // namespace
