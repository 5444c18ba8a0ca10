// The optional key index gives exactly the answers of vellix_get.
#include "catalog_search.h"
#include "catalog_table.h"
#include "key_hash.h"
#include "index_layout.h"
#include "loaded_catalog.h"
#include "test_support.h"
#include "vellix.h"
#include "vellix_index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

using vellix_test::Handle;
using vellix_test::every_byte_but_nul;
struct IndexDeleter {
    void operator()(vellix_index *index) const { vellix_index_free(index); }
};
using Index = std::unique_ptr<vellix_index, IndexDeleter>;

Handle built_handle(const Entries &entries) {
    vellix::CatalogEntries collected;
    for (const auto &[key, value] : entries) collected.append(key.data(), key.size(), value.data(), value.size());
    Handle handle{vellix_empty()};
    collected.move_into(handle.get());
    return handle;
}

// The same entries as a handle loaded from a catalog file.
Handle loaded_handle(const Entries &entries) {
    vellix_test::TempDir dir;
    const std::string path = dir.file("index.18c");
    vellix_test::write_file(path, [&] {
        const vellix_test::Bytes bytes = vellix_test::catalog_bytes(entries);
        return std::string(bytes.begin(), bytes.end());
    }());
    i18n *handle = nullptr;
    vellix::load_catalog(std::fopen(path.c_str(), "rb"), &handle);
    return Handle{handle};
}

// Every key of the handle and every probe must give the very pointer vellix_get gives.
void expect_same_answers(const i18n *handle, const std::vector<std::string> &probes) {
    Index index{vellix_index_build(handle)};
    ASSERT_NE(index, nullptr);
    const char fallback[] = "fallback";
    std::vector<std::string> keys = probes;
    for (char **key = vellix_getkeys(handle); key && *key; ++key) keys.emplace_back(*key);
    for (const std::string &key : keys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(vellix_index_get(index.get(), key.c_str(), fallback), vellix_get(handle, key.c_str(), fallback));
        EXPECT_EQ(vellix_index_get(index.get(), key.c_str(), nullptr), vellix_get(handle, key.c_str(), nullptr));
    }
}

const std::vector<std::string> absent_keys{"absent", "", "menu.item.", "menu.item.1.labe", "menu.item.1.label.",
                                           std::string(300, 'k'), "\xFF"};

TEST(CatalogIndex, AgreesWithLookupOnKnownCatalogs) {
    Entries many;
    for (int i = 0; i < 5000; ++i) many.emplace_back("menu.item." + std::to_string(i) + ".label", std::to_string(i));
    const std::pair<const char *, Entries> catalogs[] = {
        {"no entries", {}},
        {"duplicates", {{"k", "first"}, {"k", "second"}, {"other", "x"}, {"k", "third"}}},
        {"empty keys and values", {{"", "empty key"}, {"key", ""}, {"", "second empty key"}}},
        {"every byte value", {{every_byte_but_nul(), "all"}, {"\x01", "one"}, {"\xFF", "high"}}},
        {"keys longer than a word", {{"abcdefgh", "8"}, {"abcdefghi", "9"}, {"abcdefg", "7"}, {"abcdefgh1", "9b"}}},
        {"thousands of shared prefixes", many},
    };
    for (const auto &[name, entries] : catalogs) {
        SCOPED_TRACE(name);
        expect_same_answers(built_handle(entries).get(), absent_keys);
        expect_same_answers(loaded_handle(entries).get(), absent_keys);
    }
}

TEST(CatalogIndex, FreshHandleAndNullArguments) {
    Handle fresh{vellix_empty()};
    expect_same_answers(fresh.get(), absent_keys);
    EXPECT_EQ(vellix_index_build(nullptr), nullptr);
    const char fallback[] = "fallback";
    EXPECT_EQ(vellix_index_get(nullptr, "k", fallback), fallback);
    Handle handle = built_handle({{"k", "v"}});
    Index index{vellix_index_build(handle.get())};
    EXPECT_EQ(vellix_index_get(index.get(), nullptr, fallback), fallback);
    vellix_index_free(nullptr);
}

TEST(CatalogIndex, RebuiltIndexSeesAddedEntries) {
    Handle handle = built_handle({{"a", "1"}});
    vellix_add(handle.get(), "b", "2");
    vellix_add(handle.get(), "a", "shadowed");
    expect_same_answers(handle.get(), {"a", "b", "c"});
}

TEST(CatalogIndex, AgreesWithLookupOnRandomCatalogs) {
    // Keys from a tiny alphabet collide and repeat often; lengths cross the hash's word size.
    std::mt19937 random(2024);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        std::uniform_int_distribution<int> entry_count(0, round < 150 ? 40 : 3000);
        std::uniform_int_distribution<int> key_length(0, round % 2 ? 3 : 12);
        std::uniform_int_distribution<int> letter(0, 2);
        auto random_key = [&] {
            std::string key(static_cast<std::size_t>(key_length(random)), 'a');
            for (char &c : key) c = "ab\xE9"[letter(random)];
            return key;
        };
        Entries entries;
        for (int i = entry_count(random); i > 0; --i) entries.emplace_back(random_key(), std::to_string(i));
        std::vector<std::string> probes;
        for (int i = 0; i < 50; ++i) probes.push_back(random_key());
        expect_same_answers(built_handle(entries).get(), probes);
    }
}

// The fixed hash the index once used, for 16-byte keys: each step is invertible, so for any first
// word there is a second word that brings the state to a chosen value, and every such key collides.
constexpr std::uint64_t fixed_start = 0x9E3779B97F4A7C15u ^ 16;
constexpr std::uint64_t fixed_multiplier = 0xFF51AFD7ED558CCDu;

std::uint64_t fixed_step(std::uint64_t state, std::uint64_t word) {
    const std::uint64_t product = (state ^ word) * fixed_multiplier;
    return product ^ (product >> 32);
}

// The x with fixed_step(0, x) == value.
std::uint64_t fixed_step_inverse(std::uint64_t value) {
    std::uint64_t inverse = fixed_multiplier;  // Newton's iteration for the multiplier's inverse mod 2^64
    for (int i = 0; i < 5; ++i) inverse *= 2 - fixed_multiplier * inverse;
    return (value ^ (value >> 32)) * inverse;
}

bool has_nul_byte(std::uint64_t word) {
    for (int byte = 0; byte < 8; ++byte) {
        if (((word >> (8 * byte)) & 0xFF) == 0) return true;
    }
    return false;
}

// `count` distinct keys of 16 bytes whose two words bring the fixed hash to the same state.
std::vector<std::string> colliding_keys(std::size_t count) {
    const std::uint64_t wanted = fixed_step_inverse(0x0123456789ABCDEFu);
    std::vector<std::string> keys;
    for (std::uint64_t i = 0; keys.size() < count; ++i) {
        const std::uint64_t first = 0x4141414141414141u + (i % 26) + ((i / 26 % 26) << 8) + ((i / 676) << 16);
        const std::uint64_t second = fixed_step(fixed_start, first) ^ wanted;
        if (has_nul_byte(first) || has_nul_byte(second)) continue;
        std::string key(16, '\0');
        std::memcpy(&key[0], &first, 8);
        std::memcpy(&key[8], &second, 8);
        keys.push_back(key);
    }
    return keys;
}

TEST(CatalogIndex, KeysMadeToCollideStillSpread) {
    const std::vector<std::string> keys = colliding_keys(20000);
    std::uint64_t first = 0, second = 0;
    std::memcpy(&first, keys[0].data(), 8);
    std::memcpy(&second, keys[0].data() + 8, 8);
    const std::uint64_t state = fixed_step(fixed_step(fixed_start, first), second);
    Entries entries;
    for (const std::string &key : keys) {
        std::memcpy(&first, key.data(), 8);
        std::memcpy(&second, key.data() + 8, 8);
        ASSERT_EQ(fixed_step(fixed_step(fixed_start, first), second), state) << "the keys do not collide";
        entries.emplace_back(key, "v");
    }
    const Handle handle = built_handle(entries);
    Index index{vellix_index_build(handle.get())};
    ASSERT_NE(index, nullptr);
    // Under a fixed hash every key would lie in one run of 20,000 slots; a seeded one spreads them
    // as random keys (a longest run of a few dozen slots at this load).
    EXPECT_LT(vellix::longest_probe(index.get()), 100u);
    for (std::size_t i = 0; i < keys.size(); i += 97) {
        EXPECT_EQ(vellix_index_get(index.get(), keys[i].c_str(), nullptr), vellix_get(handle.get(), keys[i].c_str(), nullptr));
    }
}

// The index's seed comes from the system's random source, once per process: without address-space
// randomization (under Wine, or setarch -R) the addresses alone gave every run the same seed.
TEST(IndexSeed, DrawnFromTheSystemOncePerProcess) {
    const std::uint64_t seed = vellix::process_random_seed();
    EXPECT_NE(seed, 0u);
    EXPECT_EQ(vellix::process_random_seed(), seed);
}

}  // namespace
