// Feeds arbitrary bytes to the source parser, then writes what it yields as a catalog and loads it
// back: the same entries must come out, in the same order. The checker reads the same bytes and
// must name only lines that exist.
#include "catalog_search.h"
#include "source_check.h"
#include "catalog_table.h"
#include "source_parser.h"
#include "vellix.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

struct CollectingSink : vellix::SourceSink {
    std::vector<std::pair<std::string, std::string>> entries;
    vellix::CatalogEntries table;

    bool entry(std::string_view key, std::string_view value, std::uint64_t) override {
        // What a line can hold: no line end, no NUL; a value is never empty.
        if (key.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos) std::abort();
        if (value.empty() || value.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos) std::abort();
        entries.emplace_back(key, value);
        return table.append(key.data(), key.size(), value.data(), value.size());
    }
};

const std::string &catalog_path() {
    static const std::string path = [] {
        auto dir = std::filesystem::temp_directory_path() / ("vellix-parse-fuzz-" + std::to_string(std::rand()));
        std::filesystem::create_directories(dir);
        return (dir / "parsed.18c").string();
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    CollectingSink sink;
    if (!vellix::parse_source(reinterpret_cast<const char *>(data), size, sink)) std::abort();
    i18n *written = vellix_empty();
    if (!sink.table.move_into(written) || vellix_write(written, catalog_path().c_str()) != 0) std::abort();
    vellix_free(written);

    std::FILE *file = std::fopen(catalog_path().c_str(), "rb");
    i18n *loaded = nullptr;
    if (!file || vellix::load_catalog(file, &loaded) != vellix::LoadVerdict::loaded) std::abort();
    std::size_t i = 0;
    for (; loaded->index[i]; ++i) {
        if (i >= sink.entries.size() || sink.entries[i].first != loaded->index[i] ||
            sink.entries[i].second != loaded->handles[i]) {
            std::abort();
        }
    }
    if (i != sink.entries.size()) std::abort();
    vellix_free(loaded);

    const vellix::SourceCheck check = vellix::check_source(reinterpret_cast<const char *>(data), size);
    const std::uint64_t lines = 1 + static_cast<std::uint64_t>(std::count(data, data + size, '\n'));
    for (const vellix::Finding &finding : check.findings) {
        if (finding.line == 0 || finding.line > lines || finding.note_line > lines || finding.text.empty()) std::abort();
    }
    return 0;
}
