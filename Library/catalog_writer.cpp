#include "catalog_writer.h"

#include "catalog_format.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace vellix {

CatalogStream::CatalogStream(std::FILE *file) : file_(file), block_(new (std::nothrow) unsigned char[block_size]) {
    if (!block_) {
        ok_ = false;
        error_ = ENOMEM;
    }
    put(catalog_magic, sizeof catalog_magic);
    put(catalog_version, sizeof catalog_version);
}

CatalogStream::~CatalogStream() { close(); }

void CatalogStream::add(std::string_view key, std::string_view value) {
    put_length(key.size());
    put(key.data(), key.size());
    put_length(value.size());
    put(value.data(), value.size());
    ++count_;
}

bool CatalogStream::finish() {
    put_length(count_);
    const bool written = close();
    if (!written) errno = error_;
    return written;
}

void CatalogStream::abandon() {
    used_ = 0;
    close();
}

void CatalogStream::put(const void *bytes, std::size_t size) {
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

void CatalogStream::put_length(std::uint64_t length) {
    unsigned char bytes[length_field_size];
    encode_length(length, bytes);
    put(bytes, sizeof bytes);
}

void CatalogStream::flush_block() {
    if (ok_ && used_ != 0) write_through(block_.get(), used_);
    used_ = 0;
}

void CatalogStream::write_through(const void *bytes, std::size_t size) {
    if (std::fwrite(bytes, 1, size, file_) == size) return;
    if (ok_) error_ = errno;
    ok_ = false;
}

// Flushes and closes the stream, once; true when every write, the flush and the close succeeded.
bool CatalogStream::close() {
    if (!file_) return ok_;
    flush_block();
    const auto failed = [this] {
        if (ok_) error_ = errno;
        ok_ = false;
    };
    if (std::fflush(file_) != 0) failed();
    if (std::fclose(file_) != 0) failed();
    file_ = nullptr;
    return ok_;
}

bool write_catalog_entries(std::size_t count, const EntryAt &entry_at, std::FILE *file) {
    CatalogStream out{file};
    for (std::size_t i = 0; i < count; ++i) {
        const auto [key, value] = entry_at(i);
        out.add(key, value);
    }
    return out.finish();
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
