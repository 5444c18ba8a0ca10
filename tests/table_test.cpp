// The in-memory table: creating, appending, looking up, listing and releasing entries, and the
// string helpers.
#include "catalog_table.h"
#include "i18nutil.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using vellix_test::Handle;

std::vector<std::string> keys_of(const i18n *handle) {
    std::vector<std::string> keys;
    for (char **key = vellix_getkeys(handle); key && *key; ++key) keys.emplace_back(*key);
    return keys;
}

std::vector<std::string> values_of(const i18n *handle) {
    std::vector<std::string> values;
    for (char **value = handle->handles; value && *value; ++value) values.emplace_back(*value);
    return values;
}

// A handle as the loader leaves it for a catalog without entries: both arrays hold only the null slot.
Handle loaded_empty_handle() {
    Handle handle{vellix_empty()};
    handle->index = static_cast<char **>(std::calloc(1, sizeof(char *)));
    handle->handles = static_cast<char **>(std::calloc(1, sizeof(char *)));
    return handle;
}

TEST(CatalogTable, FreshHandleHasNoFileAndNoArrays) {
    Handle handle{vellix_empty()};
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->fp, nullptr);
    EXPECT_EQ(handle->handles, nullptr);
    EXPECT_EQ(handle->index, nullptr);
    EXPECT_EQ(vellix_getkeys(handle.get()), nullptr);
}

TEST(CatalogTable, AppendsCopiesInOrderWithNullSlots) {
    Handle handle{vellix_empty()};
    std::string key = "first";
    std::string value = "one";
    vellix_add(handle.get(), key.c_str(), value.c_str());
    key.assign("XXXXX");  // the handle holds copies
    value.assign("XXX");
    vellix_add(handle.get(), "second", "two");
    vellix_add(handle.get(), "third", "three");

    EXPECT_EQ(keys_of(handle.get()), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(values_of(handle.get()), (std::vector<std::string>{"one", "two", "three"}));
    char **keys = vellix_getkeys(handle.get());
    EXPECT_EQ(keys, handle->index);
    EXPECT_EQ(keys[3], nullptr);
    EXPECT_EQ(handle->handles[3], nullptr);
}

TEST(CatalogTable, AppendsToHandleLoadedWithoutEntries) {
    Handle handle = loaded_empty_handle();
    vellix_add(handle.get(), "k", "v");
    EXPECT_EQ(keys_of(handle.get()), std::vector<std::string>{"k"});
    EXPECT_STREQ(vellix_get(handle.get(), "k", nullptr), "v");
}

TEST(CatalogLookup, ReturnsFallbackPointerWhenNothingMatches) {
    const char fallback[] = "fallback";
    Handle fresh{vellix_empty()};
    EXPECT_EQ(vellix_get(fresh.get(), "k", fallback), fallback);
    EXPECT_EQ(vellix_get(fresh.get(), "k", nullptr), nullptr);

    Handle loaded = loaded_empty_handle();
    EXPECT_EQ(vellix_get(loaded.get(), "k", fallback), fallback);
    ASSERT_NE(vellix_getkeys(loaded.get()), nullptr);
    EXPECT_EQ(vellix_getkeys(loaded.get())[0], nullptr);

    Handle filled{vellix_empty()};
    vellix_add(filled.get(), "menu.item.1", "one");
    EXPECT_EQ(vellix_get(filled.get(), "menu.item.2", fallback), fallback);
    EXPECT_EQ(vellix_get(filled.get(), "menu.item.", fallback), fallback);
    EXPECT_EQ(vellix_get(filled.get(), "menu.item.10", nullptr), nullptr);
}

TEST(CatalogLookup, ReturnsFirstOfDuplicateKeys) {
    Handle handle{vellix_empty()};
    vellix_add(handle.get(), "greeting", "first");
    vellix_add(handle.get(), "greeting", "second");
    EXPECT_STREQ(vellix_get(handle.get(), "greeting", nullptr), "first");
    EXPECT_EQ(vellix_get(handle.get(), "greeting", nullptr), handle->handles[0]);
}

TEST(CatalogLookup, EmptyKeyIsAKey) {
    Handle handle{vellix_empty()};
    vellix_add(handle.get(), "other", "x");
    vellix_add(handle.get(), "", "");
    const char *found = vellix_get(handle.get(), "", "fallback");
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found, "");
    EXPECT_EQ(found, handle->handles[1]);
}

TEST(CatalogLookup, ComparesEveryByte) {
    Handle handle{vellix_empty()};
    vellix_add(handle.get(), "\xC3\xA9t\xC3\xA9", "summer");
    vellix_add(handle.get(), "\x01\xFF", "high");
    EXPECT_STREQ(vellix_get(handle.get(), "\xC3\xA9t\xC3\xA9", nullptr), "summer");
    EXPECT_STREQ(vellix_get(handle.get(), "\x01\xFF", nullptr), "high");
    EXPECT_EQ(vellix_get(handle.get(), "\x01\xFE", nullptr), nullptr);
}

TEST(CatalogTable, NullHandleIsAcceptedEverywhere) {
    const char fallback[] = "fb";
    vellix_add(nullptr, "k", "v");
    EXPECT_EQ(vellix_get(nullptr, "k", fallback), fallback);
    EXPECT_EQ(vellix_getkeys(nullptr), nullptr);
    vellix_free(nullptr);
}

TEST(CatalogTable, NullKeyOrValueAddsNothing) {
    Handle handle{vellix_empty()};
    vellix_add(handle.get(), nullptr, "v");
    vellix_add(handle.get(), "k", nullptr);
    EXPECT_EQ(handle->index, nullptr);
    vellix_add(handle.get(), "k", "v");
    vellix_add(handle.get(), nullptr, "v");
    EXPECT_EQ(keys_of(handle.get()), std::vector<std::string>{"k"});
    EXPECT_EQ(values_of(handle.get()), std::vector<std::string>{"v"});
    EXPECT_EQ(vellix_get(handle.get(), nullptr, "fb"), std::string("fb"));
}

TEST(CatalogTable, AppendStopsAtCapacity) {
    EXPECT_EQ(vellix::max_catalog_entries, 2147483646u);
    Handle handle{vellix_empty()};
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(vellix::append_entry(handle.get(), "k", "v", 3));
    EXPECT_FALSE(vellix::append_entry(handle.get(), "extra", "v", 3));
    EXPECT_EQ(keys_of(handle.get()), (std::vector<std::string>{"k", "k", "k"}));
    EXPECT_EQ(values_of(handle.get()).size(), 3u);
}

TEST(CatalogBulkEntries, MovesEntriesAfterExistingOnes) {
    Handle handle{vellix_empty()};
    vellix_add(handle.get(), "old", "1");
    vellix::CatalogEntries entries;
    ASSERT_TRUE(entries.append("a\0ignored", 1, "x", 1));
    ASSERT_TRUE(entries.append("", 0, "yy", 2));
    ASSERT_TRUE(entries.move_into(handle.get()));
    EXPECT_EQ(entries.size(), 0u);
    EXPECT_EQ(keys_of(handle.get()), (std::vector<std::string>{"old", "a", ""}));
    EXPECT_EQ(values_of(handle.get()), (std::vector<std::string>{"1", "x", "yy"}));
    EXPECT_EQ(handle->index[3], nullptr);
    EXPECT_EQ(handle->handles[3], nullptr);
}

TEST(CatalogBulkEntries, NothingToMoveLeavesFreshHandleFresh) {
    Handle handle{vellix_empty()};
    vellix::CatalogEntries entries;
    EXPECT_TRUE(entries.move_into(handle.get()));
    EXPECT_EQ(handle->index, nullptr);
    EXPECT_EQ(handle->handles, nullptr);
    EXPECT_FALSE(entries.move_into(nullptr));
}

TEST(CatalogBulkEntries, UnmovedEntriesAreReleasedWithTheList) {
    // Under AddressSanitizer a leak here fails the run.
    vellix::CatalogEntries entries;
    ASSERT_TRUE(entries.append("key", 3, "value", 5));
    EXPECT_EQ(entries.size(), 1u);
}

struct HelperCase {
    const char *name;
    char *result;
    const char *expected;  // null when the helper must give null
};

TEST(StringHelpers, JoinAndCopy) {
    const char original[] = "text";
    const HelperCase cases[] = {
        {"strdup copies", __vellix_strdup(original), "text"},
        {"strdup of empty", __vellix_strdup(""), ""},
        {"concat joins", __vellix_concat("ab", "cd"), "abcd"},
        {"concat of empties", __vellix_concat("", ""), ""},
        {"concat with empty first", __vellix_concat("", "x"), "x"},
        {"concat3 joins", __vellix_concat3("a", "b", "c"), "abc"},
        {"concat3 keeps high bytes", __vellix_concat3("\xEF\xBB", "\xBF", "\xFF"), "\xEF\xBB\xBF\xFF"},
        {"strdup of null", __vellix_strdup(nullptr), nullptr},
        {"concat with null first", __vellix_concat(nullptr, "x"), nullptr},
        {"concat with null second", __vellix_concat("x", nullptr), nullptr},
        {"concat3 with null first", __vellix_concat3(nullptr, "b", "c"), nullptr},
        {"concat3 with null middle", __vellix_concat3("a", nullptr, "c"), nullptr},
        {"concat3 with null last", __vellix_concat3("a", "b", nullptr), nullptr},
    };
    for (const HelperCase &row : cases) {
        SCOPED_TRACE(row.name);
        if (row.expected) {
            ASSERT_NE(row.result, nullptr);
            EXPECT_STREQ(row.result, row.expected);
            EXPECT_NE(row.result, original);
        } else {
            EXPECT_EQ(row.result, nullptr);
        }
        std::free(row.result);
    }
    EXPECT_STREQ(original, "text");
}

TEST(CatalogTable, VersionString) { EXPECT_STREQ(vellixVersion, "1.5B"); }

}  // namespace
