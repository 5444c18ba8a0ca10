// Feeds arbitrary bytes to the loader as a catalog file found through NLSPATH, walks every entry it
// loads, and checks what it loads against the file's own bytes; reads the same bytes through the
// entry visitor, and checks that what the dump writes as source parses back to the same entries.
#include "catalog_dump.h"
#include "catalog_search.h"
#include "source_parser.h"
#include "vellix.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::filesystem::path &work_dir() {
    static const std::filesystem::path dir = [] {
        auto made = std::filesystem::temp_directory_path() / ("vellix-load-fuzz-" + std::to_string(std::rand()));
        std::filesystem::create_directories(made);
        setenv("NLSPATH", (made / "%N").string().c_str(), 1);
        return made;
    }();
    return dir;
}

std::uint64_t length_at(const std::uint8_t *bytes) {
    std::uint64_t length = 0;
    for (int i = 7; i >= 0; --i) length = length << 8 | bytes[i];
    return length;
}

// The bytes a writer gives for the first `count` entries of `data`, or nothing when an entry holds a
// NUL (which the loaded strings cannot carry) or does not fit.
bool expected_rewrite(const std::uint8_t *data, std::size_t size, std::uint64_t count, std::vector<std::uint8_t> &out) {
    std::size_t offset = 7;
    for (std::uint64_t i = 0; i < 2 * count; ++i) {
        if (size - 8 - offset < 8) return false;
        const std::uint64_t length = length_at(data + offset);
        offset += 8;
        if (length > size - 8 - offset) return false;
        if (std::memchr(data + offset, 0, length)) return false;
        offset += length;
    }
    out.assign(data, data + offset);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
    return true;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

struct CollectingVisitor : vellix::CatalogVisitor {
    Entries entries;
    void entry(std::uint64_t index, std::string_view key, std::string_view value) override {
        if (index != entries.size()) std::abort();
        entries.emplace_back(key, value);
    }
};

struct CollectingSink : vellix::SourceSink {
    Entries entries;
    bool entry(std::string_view key, std::string_view value, std::uint64_t) override {
        entries.emplace_back(key, value);
        return true;
    }
};

// What the visitor reads must be what vellix_open loaded, and the dump of it must parse back.
void check_visited(const std::filesystem::path &catalog, const i18n *handle) {
    std::FILE *file = std::fopen(catalog.string().c_str(), "rb");
    if (!file) std::abort();
    CollectingVisitor visitor;
    const vellix::CatalogReport report = vellix::read_catalog(file, visitor);
    std::fclose(file);
    if ((report.verdict == vellix::LoadVerdict::loaded) != (handle != nullptr)) std::abort();
    if (!handle) return;
    if (visitor.entries.size() != report.count) std::abort();
    Entries expressible;
    std::string dumped;
    for (std::size_t i = 0; i < visitor.entries.size(); ++i) {
        const auto &[key, value] = visitor.entries[i];
        // The handle's strings end at the first NUL of the stored bytes.
        if (key.c_str() != std::string(handle->index[i]) || value.c_str() != std::string(handle->handles[i])) std::abort();
        if (!vellix::inexpressible_because(key, value).empty()) continue;
        expressible.push_back(visitor.entries[i]);
        dumped += vellix::source_lines(key, value);
    }
    CollectingSink sink;
    vellix::parse_source(dumped.data(), dumped.size(), sink);
    if (sink.entries != expressible) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::filesystem::path catalog = work_dir() / "fuzz.18c";
    std::FILE *file = std::fopen(catalog.string().c_str(), "wb");
    if (!file) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    i18n *handle = vellix_open("fuzz");
    check_visited(catalog, handle);
    if (!handle) return 0;
    // A loaded catalog had a good header and a count that its entries satisfy.
    if (size < 15 || std::memcmp(data, "\x7F" "18C\x01\x00\x00", 7) != 0) std::abort();
    std::uint64_t count = 0;
    for (std::size_t i = 0; handle->index[i]; ++i) {
        if (!handle->handles[i]) std::abort();
        if (vellix_get(handle, handle->index[i], nullptr) == nullptr) std::abort();
        count = i + 1;
    }
    if (handle->handles[count] != nullptr || count != length_at(data + size - 8)) std::abort();

    std::vector<std::uint8_t> expected;
    if (expected_rewrite(data, size, count, expected)) {
        const std::string rewritten = (work_dir() / "rewritten.18c").string();
        if (vellix_write(handle, rewritten.c_str()) != 0) std::abort();
        std::FILE *in = std::fopen(rewritten.c_str(), "rb");
        std::vector<std::uint8_t> actual(expected.size() + 1);
        const std::size_t got = std::fread(actual.data(), 1, actual.size(), in);
        std::fclose(in);
        if (got != expected.size() || std::memcmp(actual.data(), expected.data(), got) != 0) std::abort();
    }
    vellix_free(handle);
    return 0;
}
