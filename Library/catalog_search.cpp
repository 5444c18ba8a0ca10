#include "catalog_search.h"

#include "catalog_format.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace vellix {
namespace {

constexpr char catalog_extension[] = ".18c";
constexpr std::size_t smallest_entry_size = 2 * length_field_size;

// Seeks with a 64-bit offset on every platform (a long is 32 bits on 64-bit Windows).
bool seek_64(std::FILE *file, std::int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(file, offset, origin) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), origin) == 0;
#endif
}

bool seek_to(std::FILE *file, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) && seek_64(file, static_cast<std::int64_t>(offset), SEEK_SET);
}

// Reads the entries of a catalog in large blocks and hands them out piece by piece, never past the
// trailing count: every length is checked against the bytes left before anything is allocated.
class CatalogReader {
public:
    CatalogReader(std::FILE *file, std::uint64_t entry_bytes)
        : file_(file), bytes_left_(entry_bytes), unread_(entry_bytes) {}
    CatalogReader(const CatalogReader &) = delete;
    CatalogReader &operator=(const CatalogReader &) = delete;

    bool read_exactly(void *destination, std::size_t size) {
        if (size > bytes_left_) return false;
        auto *out = static_cast<unsigned char *>(destination);
        while (size != 0) {
            if (block_used_ == block_filled_ && !refill(size)) return false;
            if (block_used_ == block_filled_) {  // a large piece, read straight into place
                if (std::fread(out, 1, size, file_) != size) return false;
                unread_ -= size;
                bytes_left_ -= size;
                return true;
            }
            const std::size_t piece = std::min(size, block_filled_ - block_used_);
            std::memcpy(out, block_.get() + block_used_, piece);
            block_used_ += piece;
            bytes_left_ -= piece;
            out += piece;
            size -= piece;
        }
        return true;
    }

    // One length field; fails when it, or the bytes it announces, would reach past the entries.
    bool read_length(std::uint64_t &length) {
        unsigned char bytes[length_field_size];
        if (!read_exactly(bytes, sizeof bytes)) return false;
        length = decode_length(bytes);
        return length <= bytes_left_;
    }

    // One length-prefixed string as a new NUL-terminated malloc block, or null.
    char *read_string() {
        std::uint64_t length = 0;
        if (!read_length(length) || length >= SIZE_MAX) return nullptr;
        auto *text = static_cast<char *>(std::malloc(static_cast<std::size_t>(length) + 1));
        if (!text) return nullptr;
        if (!read_exactly(text, static_cast<std::size_t>(length))) {
            std::free(text);
            return nullptr;
        }
        text[length] = '\0';
        return text;
    }

private:
    static constexpr std::size_t block_size = 64 * 1024;

    // Fills the block for a piece of `wanted` bytes; a piece at least a block long is left to be
    // read straight into place.
    bool refill(std::size_t wanted) {
        if (wanted >= block_size) return true;
        if (!block_) {
            block_.reset(new (std::nothrow) unsigned char[block_size]);
            if (!block_) return false;
        }
        const std::size_t amount = static_cast<std::size_t>(std::min<std::uint64_t>(block_size, unread_));
        if (std::fread(block_.get(), 1, amount, file_) != amount) return false;
        unread_ -= amount;
        block_used_ = 0;
        block_filled_ = amount;
        return true;
    }

    std::FILE *file_;
    std::uint64_t bytes_left_;  // entry bytes not yet handed out
    std::uint64_t unread_;      // entry bytes not yet read from the file
    std::unique_ptr<unsigned char[]> block_;
    std::size_t block_used_ = 0;
    std::size_t block_filled_ = 0;
};

LoadVerdict check_header(std::FILE *file) {
    unsigned char header[catalog_header_size];
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    if (got < sizeof catalog_magic || std::memcmp(header, catalog_magic, sizeof catalog_magic) != 0) {
        return LoadVerdict::bad_magic;
    }
    if (got < sizeof header || std::memcmp(header + sizeof catalog_magic, catalog_version, sizeof catalog_version) != 0) {
        return LoadVerdict::bad_version;
    }
    return LoadVerdict::loaded;
}

// The count is stored after the entries, so it is read first to know how many to expect.
bool read_count(std::FILE *file, std::uint64_t file_size, std::uint64_t &count) {
    unsigned char bytes[length_field_size];
    if (!seek_to(file, file_size - length_field_size) || std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) {
        return false;
    }
    count = decode_length(bytes);
    return seek_to(file, catalog_header_size);
}

// Gives the handle arrays of count + 1 null slots each, so that a catalog rejected halfway is
// released by vellix_free.
bool allocate_slots(i18n *handle, std::uint64_t count) {
    if (count >= SIZE_MAX / sizeof(char *)) return false;
    const std::size_t slots = static_cast<std::size_t>(count) + 1;
    handle->handles = static_cast<char **>(std::calloc(slots, sizeof(char *)));
    handle->index = static_cast<char **>(std::calloc(slots, sizeof(char *)));
    return handle->handles && handle->index;
}

bool read_entries(std::FILE *file, std::uint64_t file_size, i18n *handle) {
    std::uint64_t count = 0;
    if (file_size < empty_catalog_size || !read_count(file, file_size, count)) return false;
    const std::uint64_t entry_bytes = file_size - empty_catalog_size;
    if (count > entry_bytes / smallest_entry_size || !allocate_slots(handle, count)) return false;
    CatalogReader in{file, entry_bytes};
    for (std::uint64_t i = 0; i < count; ++i) {
        // The key goes in first, so that a missing value leaves nothing unowned.
        if (!(handle->index[i] = in.read_string())) return false;
        if (!(handle->handles[i] = in.read_string())) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string_view> split_search_path(std::string_view search_path) {
    std::vector<std::string_view> templates;
    for (;;) {
        const std::size_t separator = search_path.find(';');
        templates.push_back(search_path.substr(0, separator));
        if (separator == std::string_view::npos) return templates;
        search_path.remove_prefix(separator + 1);
    }
}

std::string expand_template(std::string_view pattern, std::string_view name, const char *locale) {
    std::string path;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            path += pattern[i];
        } else if (++i == pattern.size()) {
            break;  // a trailing '%' gives nothing
        } else if (pattern[i] == 'N') {
            path.append(name).append(catalog_extension);
        } else if (pattern[i] == 'L') {
            if (locale) path += locale;
        } else {
            path += pattern[i];
        }
    }
    return path;
}

bool query_stream_size(std::FILE *file, std::uint64_t &size) {
    if (!seek_64(file, 0, SEEK_END)) return false;
#ifdef _WIN32
    const std::int64_t end = _ftelli64(file);
#else
    const std::int64_t end = ftello(file);
#endif
    if (end < 0) return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

LoadVerdict load_catalog(std::FILE *file, i18n **handle) {
    *handle = nullptr;
    LoadVerdict verdict = check_header(file);
    i18n *loaded = verdict == LoadVerdict::loaded ? vellix_empty() : nullptr;
    std::uint64_t file_size = 0;
    if (verdict == LoadVerdict::loaded &&
        (!loaded || !query_stream_size(file, file_size) || !read_entries(file, file_size, loaded))) {
        verdict = LoadVerdict::damaged;
    }
    if (verdict != LoadVerdict::loaded) {
        vellix_free(loaded);
        std::fclose(file);
        return verdict;
    }
    loaded->fp = file;
    *handle = loaded;
    return verdict;
}

}  // namespace vellix
