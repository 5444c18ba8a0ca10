#include "catalog_reader.h"

#include "catalog_format.h"
#include "catalog_table.h"
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

// The entries' bytes in memory, handed out piece by piece, never past the trailing count: every
// length is checked against the bytes left. Each piece is NUL-terminated in place once the length
// field that follows it has been read, since the terminator overwrites that field's first byte.
class BlockReader {
public:
    BlockReader(char *block, std::uint64_t entry_bytes) : block_(block), bytes_left_(entry_bytes) {}

    std::uint64_t bytes_left() const { return bytes_left_; }

    // Reads one length field; the caller has checked that it fits.
    std::uint64_t read_length() {
        const std::uint64_t length = decode_length(reinterpret_cast<const unsigned char *>(block_ + at_));
        terminate_previous();
        at_ += length_field_size;
        bytes_left_ -= length_field_size;
        return length;
    }
    // The next `length` bytes; the caller has checked that they fit.
    char *take(std::uint64_t length) {
        char *piece = block_ + at_;
        at_ += static_cast<std::size_t>(length);
        bytes_left_ -= length;
        end_of_previous_ = at_;
        return piece;
    }
    // Terminates the last piece: the byte after it is unused or the count's, read already.
    void finish() { terminate_previous(); }

private:
    void terminate_previous() {
        if (end_of_previous_ != no_piece) block_[end_of_previous_] = '\0';
        end_of_previous_ = no_piece;
    }

    static constexpr std::size_t no_piece = static_cast<std::size_t>(-1);
    char *block_;
    std::size_t at_ = 0;
    std::uint64_t bytes_left_;
    std::size_t end_of_previous_ = no_piece;
};

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
    void place(std::uint64_t index, Piece piece, char *text, std::uint64_t) {
        (piece == Piece::key ? handle_->index : handle_->handles)[index] = text;
    }
    void finish_entry(std::uint64_t) {}

private:
    i18n *handle_;
};

// Hands each entry to a visitor as stored, lengths and all.
class VisitorStore {
public:
    explicit VisitorStore(CatalogVisitor &visitor) : visitor_(visitor) {}

    bool begin(std::uint64_t) { return true; }
    void place(std::uint64_t, Piece piece, const char *text, std::uint64_t length) {
        (piece == Piece::key ? key_ : value_) = std::string_view(text, static_cast<std::size_t>(length));
    }
    void finish_entry(std::uint64_t index) { visitor_.entry(index, key_, value_); }

private:
    CatalogVisitor &visitor_;
    std::string_view key_;
    std::string_view value_;
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

// One key or value: its length field, then its bytes; each step one read and one check.
template <class Store>
bool read_piece(BlockReader &in, Store &store, std::uint64_t index, Piece piece, CatalogReport &report) {
    if (in.bytes_left() < length_field_size) return piece_damaged(report, index, piece, PieceFault::field_past_end, 0, in.bytes_left());
    const std::uint64_t length = in.read_length();
    if (length > in.bytes_left()) return piece_damaged(report, index, piece, PieceFault::length_past_end, length, in.bytes_left());
    store.place(index, piece, in.take(length), length);
    return true;
}

// The count and the sizes, checked before anything is allocated; then the file from its entries
// on, read in one go into one block that `block` then owns, and the entries, pointers into it.
template <class Store>
bool read_entries(std::FILE *file, Store &store, MallocString &block, std::size_t &block_size, CatalogReport &report) {
    std::uint64_t file_size = 0;
    if (!query_stream_size(file, file_size)) return damaged(report, "its size cannot be found");
    if (file_size < empty_catalog_size) {
        return damaged(report, "the file holds " + std::to_string(file_size) + " bytes, fewer than the 15 of an empty catalog");
    }
    if (!read_count(file, file_size, report.count)) return damaged(report, "its entry count cannot be read");
    const std::uint64_t entry_bytes = file_size - empty_catalog_size;
    if (report.count > entry_bytes / smallest_entry_size) {
        return damaged(report, "the entry count " + std::to_string(report.count) + " cannot fit in the " +
                                   std::to_string(entry_bytes) + " bytes between the header and the count");
    }
    if (report.count > max_catalog_entries) {
        return damaged(report, "the entry count " + std::to_string(report.count) + " is more than the " +
                                   std::to_string(max_catalog_entries) + " entries a handle can hold");
    }
    const std::uint64_t bytes = file_size - catalog_header_size;  // the entries and the count
    if (bytes > SIZE_MAX) return damaged(report, "the file does not fit in memory");
    block_size = static_cast<std::size_t>(bytes);
    block.reset(static_cast<char *>(std::malloc(block_size)));
    if (!block) return damaged(report, "the file of " + std::to_string(file_size) + " bytes does not fit in memory");
    if (std::fread(block.get(), 1, block_size, file) != block_size) return damaged(report, "its entries cannot be read");
    if (!store.begin(report.count)) return damaged(report, "its entry count does not fit in memory");
    BlockReader in{block.get(), entry_bytes};
    for (std::uint64_t i = 0; i < report.count; ++i) {
        if (!read_piece(in, store, i, Piece::key, report)) return false;
        if (!read_piece(in, store, i, Piece::value, report)) return false;
        store.finish_entry(i);
    }
    in.finish();
    report.unused_bytes = in.bytes_left();
    return true;
}

// The header, then the entries; fills `report` and gives its verdict.
template <class Store>
LoadVerdict read_catalog_into(std::FILE *file, Store &store, MallocString &block, std::size_t &block_size,
                              CatalogReport &report) {
    if (check_header(file, report) && read_entries(file, store, block, block_size, report)) report.verdict = LoadVerdict::loaded;
    return report.verdict;
}

// Releases what a load made before it failed: the arrays and the record; the block goes with its holder.
void release_unloaded(LoadedCatalog *loaded) {
    std::free(loaded->record.index);
    std::free(loaded->record.handles);
    std::free(loaded);
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
    void *memory = std::calloc(1, sizeof(LoadedCatalog));
    auto *loaded = memory ? new (memory) LoadedCatalog{} : nullptr;  // released with free(): nothing to destroy
    if (!loaded) {
        std::fclose(file);
        damaged(result, "not enough memory for a handle");
        return result.verdict;
    }
    HandleStore store{&loaded->record};
    MallocString block;
    std::size_t block_size = 0;
    if (read_catalog_into(file, store, block, block_size, result) != LoadVerdict::loaded) {
        release_unloaded(loaded);
        std::fclose(file);
        return result.verdict;
    }
    loaded->block = block.release();
    loaded->block_size = block_size;
    loaded->loaded_entries = static_cast<std::size_t>(result.count);
    loaded->record.fp = file;  // from here on the record is a loaded one
    *handle = &loaded->record;
    return LoadVerdict::loaded;
}

CatalogReport read_catalog(std::FILE *file, CatalogVisitor &visitor) {
    CatalogReport report;
    VisitorStore store{visitor};
    MallocString block;
    std::size_t block_size = 0;
    read_catalog_into(file, store, block, block_size, report);
    return report;
}

}  // namespace vellix
