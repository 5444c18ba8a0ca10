// Writing a catalog file: the magic, the version, each entry's lengths and bytes, the count.
#ifndef VELLIX_CATALOG_WRITER_H
#define VELLIX_CATALOG_WRITER_H

#include "vellix.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

namespace vellix {

// Writes a catalog to a stream entry by entry, so that the entries need not be held anywhere first:
// the magic and the version at once, each entry as it comes, the count at the end. Writes through a
// block of its own, so that small pieces cost a copy rather than a stream call each.
class CatalogStream {
public:
    explicit CatalogStream(std::FILE *file);
    // Closes the stream if finish() did not.
    ~CatalogStream();
    CatalogStream(const CatalogStream &) = delete;
    CatalogStream &operator=(const CatalogStream &) = delete;

    void add(std::string_view key, std::string_view value);
    std::size_t count() const { return count_; }
    // Writes the count, flushes and closes the stream. True when every write, the flush and the
    // close succeeded; else errno is as the first failure left it.
    bool finish();
    // Closes the stream without the count: the catalog is not to be used.
    void abandon();

private:
    static constexpr std::size_t block_size = 64 * 1024;
    void put(const void *bytes, std::size_t size);
    void put_length(std::uint64_t length);
    void flush_block();
    void write_through(const void *bytes, std::size_t size);
    bool close();

    std::FILE *file_;
    std::unique_ptr<unsigned char[]> block_;
    std::size_t used_ = 0;
    std::size_t count_ = 0;
    bool ok_ = true;
    int error_ = 0;  // errno at the first failure
};

// Gives entry `index` (from 0) as its key and value bytes.
using EntryAt = std::function<std::pair<std::string_view, std::string_view>(std::size_t index)>;

// Writes `count` entries to `file` as a catalog, then flushes and closes `file` whatever happens.
// True when every write, the flush and the close succeeded.
bool write_catalog_entries(std::size_t count, const EntryAt &entry_at, std::FILE *file);

// The same for the handle's entries, up to the first null key or value.
bool write_catalog(const i18n *handle, std::FILE *file);

}  // namespace vellix

#endif
