#include "catalog_writer.h"

#include "catalog_format.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace vellix {
namespace {

// Writes pieces to a stream through a block of its own, so that small pieces cost a copy rather
// than a stream call each, and remembers whether every byte went through.
class CatalogWriter {
public:
    explicit CatalogWriter(std::FILE *file) : file_(file), block_(new (std::nothrow) unsigned char[block_size]) {
        if (!block_) ok_ = false;
    }
    CatalogWriter(const CatalogWriter &) = delete;
    CatalogWriter &operator=(const CatalogWriter &) = delete;

    void put(const void *bytes, std::size_t size) {
        if (!ok_ || size == 0) return;
        if (size > block_size - used_) {
            flush_block();
            if (size >= block_size) {
                write_through(bytes, size);
                return;
            }
        }
        std::memcpy(block_.get() + used_, bytes, size);
        used_ += size;
    }
    void put_length(std::uint64_t length) {
        unsigned char bytes[length_field_size];
        encode_length(length, bytes);
        put(bytes, sizeof bytes);
    }
    // A length field, then the bytes.
    void put_bytes(std::string_view bytes) {
        put_length(bytes.size());
        put(bytes.data(), bytes.size());
    }
    // Flushes and closes the stream; true when every write, the flush and the close succeeded.
    bool close() {
        flush_block();
        if (std::fflush(file_) != 0) ok_ = false;
        if (std::fclose(file_) != 0) ok_ = false;
        return ok_;
    }

private:
    static constexpr std::size_t block_size = 64 * 1024;

    void flush_block() {
        if (ok_ && used_ != 0) write_through(block_.get(), used_);
        used_ = 0;
    }
    void write_through(const void *bytes, std::size_t size) {
        if (std::fwrite(bytes, 1, size, file_) != size) ok_ = false;
    }

    std::FILE *file_;
    std::unique_ptr<unsigned char[]> block_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

}  // namespace

bool write_catalog_entries(std::size_t count, const EntryAt &entry_at, std::FILE *file) {
    CatalogWriter out{file};
    out.put(catalog_magic, sizeof catalog_magic);
    out.put(catalog_version, sizeof catalog_version);
    for (std::size_t i = 0; i < count; ++i) {
        const auto [key, value] = entry_at(i);
        out.put_bytes(key);
        out.put_bytes(value);
    }
    out.put_length(count);
    return out.close();
}

bool write_catalog(const i18n *handle, std::FILE *file) {
    std::size_t count = 0;
    if (handle->index && handle->handles) {
        while (handle->index[count] && handle->handles[count]) ++count;
    }
    return write_catalog_entries(
        count, [handle](std::size_t i) { return std::make_pair(std::string_view(handle->index[i]), std::string_view(handle->handles[i])); },
        file);
}

}  // namespace vellix
