// Loading and lookup costs, side by side with what they are held to: reading the catalog file's bytes
// with one fread, and glibc's gettext() on the same keys compiled with msgfmt.
#include "catalog_table.h"
#include "vellix.h"
#include "vellix_index.h"

#include <benchmark/benchmark.h>
#include <libintl.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Keys of 10 to 40 bytes, as real catalogs have: "menu." and the number, padded to a length that
// varies with it.
std::string key_of(std::size_t i) {
    std::string key = "menu." + std::to_string(i) + ".";
    const std::size_t length = 10 + (i * 7919) % 31;
    for (std::size_t letter = 0; key.size() < length; ++letter) key += static_cast<char>('a' + (i + letter) % 26);
    return key;
}

// A generated catalog of `entries` entries, written once as a vellix catalog (catalog_path) and as a
// gettext message catalog in the domain `domain` under `directory`.
struct BenchCatalog {
    std::string directory;
    std::string catalog_path;
    std::string domain;
    std::uintmax_t file_size = 0;
    bool have_gettext = false;
};

BenchCatalog make_catalog(std::size_t entries) {
    BenchCatalog made;
    made.directory = (fs::temp_directory_path() / ("vellix-bench-" + std::to_string(entries))).string();
    made.domain = "vellixbench" + std::to_string(entries);
    fs::create_directories(made.directory + "/C.UTF-8/LC_MESSAGES");
    made.catalog_path = made.directory + "/bench.18c";

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> length(20, 80);
    std::uniform_int_distribution<int> letter('a', 'z');
    vellix::CatalogEntries collected;
    std::ofstream po(made.directory + "/bench.po");
    po << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
    for (std::size_t i = 0; i < entries; ++i) {
        const std::string key = key_of(i);
        std::string value(static_cast<std::size_t>(length(random)), ' ');
        for (char &c : value) c = static_cast<char>(letter(random));
        collected.append(key.data(), key.size(), value.data(), value.size());
        po << "msgid \"" << key << "\"\nmsgstr \"" << value << "\"\n\n";
    }
    po.close();
    i18n *handle = vellix_empty();
    collected.move_into(handle);
    vellix_write(handle, made.catalog_path.c_str());
    vellix_free(handle);
    made.file_size = fs::file_size(made.catalog_path);

    const std::string msgfmt = "msgfmt -o '" + made.directory + "/C.UTF-8/LC_MESSAGES/" + made.domain + ".mo' '" +
                               made.directory + "/bench.po'";
    made.have_gettext = std::system(msgfmt.c_str()) == 0 && std::setlocale(LC_ALL, "C.UTF-8") != nullptr;
    if (made.have_gettext) bindtextdomain(made.domain.c_str(), made.directory.c_str());
    return made;
}

const BenchCatalog &catalog_of(std::size_t entries) {
    static std::map<std::size_t, BenchCatalog> made;
    auto found = made.find(entries);
    if (found == made.end()) found = made.emplace(entries, make_catalog(entries)).first;
    return found->second;
}

// Hits and misses alternating; the misses share the hits' long prefix.
std::vector<std::string> lookup_keys(std::size_t entries) {
    std::mt19937 random(54321);
    std::uniform_int_distribution<std::size_t> pick(0, entries - 1);
    std::vector<std::string> keys;
    // Nine hits in ten, as a program looks up mostly keys its catalog has.
    for (int i = 0; i < 1024; ++i) keys.push_back(i % 10 != 0 ? key_of(pick(random)) : key_of(entries + pick(random)));
    return keys;
}

void open_and_free(benchmark::State &state) {
    const BenchCatalog &catalog = catalog_of(static_cast<std::size_t>(state.range(0)));
    setenv("NLSPATH", (catalog.directory + "/%N").c_str(), 1);
    for (auto _ : state) {
        i18n *handle = vellix_open("bench");
        if (!handle) state.SkipWithError("the catalog did not load");
        vellix_free(handle);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * catalog.file_size));
}

// One fread of the whole file. With `fresh_buffer`, into memory allocated for it (and released) in
// each round, as a program reading the file would; otherwise into one buffer reused by every round.
// What a program that shows one string pays: the load, one lookup (and so the index), the release.
void open_lookup_free(benchmark::State &state) {
    const BenchCatalog &catalog = catalog_of(static_cast<std::size_t>(state.range(0)));
    setenv("NLSPATH", (catalog.directory + "/%N").c_str(), 1);
    const std::string key = key_of(static_cast<std::size_t>(state.range(0)) / 2);
    for (auto _ : state) {
        i18n *handle = vellix_open("bench");
        if (!handle) state.SkipWithError("the catalog did not load");
        benchmark::DoNotOptimize(vellix_get(handle, key.c_str(), nullptr));
        vellix_free(handle);
    }
}

// Times vellix_get on the handle over the keys that lookup_keys gives for `entries`.
void time_lookups(benchmark::State &state, const i18n *handle, std::size_t entries) {
    const std::vector<std::string> keys = lookup_keys(entries);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vellix_get(handle, keys[next].c_str(), nullptr));
        next = (next + 1) % keys.size();
    }
}

// vellix_getf on the same keys: the lookup and the judging of what it found against a fallback
// with conversions (nine hits in ten; a miss gives the fallback itself, unjudged).
void getf_lookup(benchmark::State &state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const BenchCatalog &catalog = catalog_of(entries);
    i18n *handle = vellix_load(catalog.catalog_path.c_str());
    if (!handle) state.SkipWithError("the catalog did not load");
    const std::vector<std::string> keys = lookup_keys(entries);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vellix_getf(handle, keys[next].c_str(), "%s: %d items"));
        next = (next + 1) % keys.size();
    }
    vellix_free(handle);
}

// A handle built with vellix_add keeps the walk.
void added_lookup(benchmark::State &state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    i18n *handle = vellix_empty();
    for (std::size_t i = 0; i < entries; ++i) vellix_add(handle, key_of(i).c_str(), "value");
    time_lookups(state, handle, entries);
    vellix_free(handle);
}

// vellix_nget on a loaded catalog with the three plural forms of Polish in its header: each call
// finds the rule and the key of the form.
void nget_lookup(benchmark::State &state) {
    const std::string directory = (fs::temp_directory_path() / "vellix-bench-plural").string();
    fs::create_directories(directory);
    i18n *made = vellix_empty();
    vellix_add(made, "", "Plural-Forms: nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);\n");
    for (std::size_t i = 0; i < 1000; ++i) {
        const std::string key = key_of(i);
        vellix_add(made, key.c_str(), "one");
        vellix_add(made, (key + "\n#1").c_str(), "few");
        vellix_add(made, (key + "\n#2").c_str(), "many");
    }
    vellix_write(made, (directory + "/plural.18c").c_str());
    vellix_free(made);
    setenv("NLSPATH", (directory + "/%N").c_str(), 1);
    i18n *handle = vellix_open("plural");
    if (!handle) state.SkipWithError("the catalog did not load");
    const std::string key = key_of(500);
    unsigned long n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(vellix_nget(handle, key.c_str(), n++ % 30, "one", "many"));
    vellix_free(handle);
}

// Building the index of 160,000 keys that share all but a few bytes, as keys made to collide would:
// the seeded hash keeps it near the time of varied keys.
void index_build_similar_keys(benchmark::State &state) {
    i18n *handle = vellix_empty();
    vellix::CatalogEntries entries;
    for (std::size_t i = 0; i < 160000; ++i) {
        std::string key(24, 'x');
        for (int byte = 0; byte < 3; ++byte) key[static_cast<std::size_t>(8 * byte)] = static_cast<char>('a' + (i >> (6 * byte)) % 64);
        entries.append(key.data(), key.size(), "v", 1);
    }
    entries.move_into(handle);
    for (auto _ : state) {
        vellix_index *index = vellix_index_build(handle);
        benchmark::DoNotOptimize(index);
        vellix_index_free(index);
    }
    vellix_free(handle);
}

void read_whole_file(benchmark::State &state, bool fresh_buffer) {
    const BenchCatalog &catalog = catalog_of(static_cast<std::size_t>(state.range(0)));
    const std::size_t size = static_cast<std::size_t>(catalog.file_size);
    std::unique_ptr<char[]> reused{new char[size]};
    for (auto _ : state) {
        std::unique_ptr<char[]> fresh{fresh_buffer ? new char[size] : nullptr};
        char *bytes = fresh_buffer ? fresh.get() : reused.get();
        std::FILE *file = std::fopen(catalog.catalog_path.c_str(), "rb");
        if (!file || std::fread(bytes, 1, size, file) != size) state.SkipWithError("short read");
        if (file) std::fclose(file);
        benchmark::DoNotOptimize(bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * catalog.file_size));
}

// What a loaded handle costs in allocation alone: the same arrays and strings as open_and_free makes
// for this catalog, allocated and released in the same order, with no file read at all.
void allocation_floor(benchmark::State &state) {
    const BenchCatalog &catalog = catalog_of(static_cast<std::size_t>(state.range(0)));
    setenv("NLSPATH", (catalog.directory + "/%N").c_str(), 1);
    std::vector<std::size_t> key_sizes, value_sizes;
    i18n *handle = vellix_open("bench");
    for (std::size_t i = 0; handle && handle->index[i]; ++i) {
        key_sizes.push_back(std::strlen(handle->index[i]) + 1);
        value_sizes.push_back(std::strlen(handle->handles[i]) + 1);
    }
    vellix_free(handle);
    const std::size_t count = key_sizes.size();
    for (auto _ : state) {
        auto **values = static_cast<char **>(std::calloc(count + 1, sizeof(char *)));
        auto **keys = static_cast<char **>(std::calloc(count + 1, sizeof(char *)));
        for (std::size_t i = 0; i < count; ++i) {
            keys[i] = static_cast<char *>(std::malloc(key_sizes[i]));
            values[i] = static_cast<char *>(std::malloc(value_sizes[i]));
            std::memset(keys[i], 'k', key_sizes[i]);  // written in full, as a loader writes them
            std::memset(values[i], 'v', value_sizes[i]);
        }
        benchmark::DoNotOptimize(keys);
        for (std::size_t i = 0; i < count; ++i) std::free(values[i]);
        std::free(values);
        for (std::size_t i = 0; i < count; ++i) std::free(keys[i]);
        std::free(keys);
    }
}

void vellix_lookup(benchmark::State &state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const BenchCatalog &catalog = catalog_of(entries);
    setenv("NLSPATH", (catalog.directory + "/%N").c_str(), 1);
    i18n *handle = vellix_open("bench");
    time_lookups(state, handle, entries);
    vellix_free(handle);
}

void index_lookup(benchmark::State &state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const BenchCatalog &catalog = catalog_of(entries);
    setenv("NLSPATH", (catalog.directory + "/%N").c_str(), 1);
    i18n *handle = vellix_open("bench");
    vellix_index *index = vellix_index_build(handle);
    const std::vector<std::string> keys = lookup_keys(entries);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vellix_index_get(index, keys[next].c_str(), nullptr));
        next = (next + 1) % keys.size();
    }
    vellix_index_free(index);
    vellix_free(handle);
}

// vellix_open alone (the release is not timed), to set beside building the index.
void open_only(benchmark::State &state) {
    const BenchCatalog &catalog = catalog_of(static_cast<std::size_t>(state.range(0)));
    setenv("NLSPATH", (catalog.directory + "/%N").c_str(), 1);
    for (auto _ : state) {
        i18n *handle = vellix_open("bench");
        state.PauseTiming();
        vellix_free(handle);
        state.ResumeTiming();
    }
}

void index_build(benchmark::State &state) {
    const BenchCatalog &catalog = catalog_of(static_cast<std::size_t>(state.range(0)));
    setenv("NLSPATH", (catalog.directory + "/%N").c_str(), 1);
    i18n *handle = vellix_open("bench");
    for (auto _ : state) vellix_index_free(vellix_index_build(handle));
    vellix_free(handle);
}

void gettext_lookup(benchmark::State &state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const BenchCatalog &catalog = catalog_of(entries);
    if (!catalog.have_gettext) {
        state.SkipWithError("msgfmt or the C.UTF-8 locale is missing");
        return;
    }
    const std::vector<std::string> keys = lookup_keys(entries);
    if (std::string(dgettext(catalog.domain.c_str(), key_of(0).c_str())) == key_of(0)) {
        state.SkipWithError("gettext does not translate here");
        return;
    }
    textdomain(catalog.domain.c_str());
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gettext(keys[next].c_str()));
        next = (next + 1) % keys.size();
    }
}

}  // namespace

BENCHMARK(open_and_free)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(open_lookup_free)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(added_lookup)->Arg(100);
BENCHMARK(nget_lookup);
BENCHMARK(index_build_similar_keys)->Unit(benchmark::kMillisecond);
BENCHMARK(allocation_floor)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_whole_file, fresh_buffer, true)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(read_whole_file, reused_buffer, false)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(vellix_lookup)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(index_lookup)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(getf_lookup)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(gettext_lookup)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(open_only)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(index_build)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
