#include "catalog_reader.h"

#include "catalog_format.h"
#include "catalog_table.h"

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

// Reads the entries of a catalog in large blocks and hands them out piece by piece, never past the
// trailing count: every length is checked against the bytes left before anything is allocated.
class CatalogReader {
public:
    CatalogReader(std::FILE *file, std::uint64_t entry_bytes)
        : file_(file), bytes_left_(entry_bytes), unread_(entry_bytes) {}
    CatalogReader(const CatalogReader &) = delete;
    CatalogReader &operator=(const CatalogReader &) = delete;

    std::uint64_t bytes_left() const { return bytes_left_; }

    // Fails when fewer than `size` bytes are left or the file cannot be read.
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

    // Reads one 8-byte length field; fails like read_exactly.
    bool read_length(std::uint64_t &length) {
        unsigned char field[length_field_size];
        if (!read_exactly(field, sizeof field)) return false;
        length = decode_length(field);
        return true;
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

// Keeps the entries in a handle: arrays of count + 1 null slots each, so that a catalog rejected
// halfway is released by the normal release path, and one malloc block per string.
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
    // Room for a piece's bytes, already NUL-terminated and owned by the handle.
    char *place(std::uint64_t index, Piece piece, std::uint64_t length) {
        if (length >= SIZE_MAX) return nullptr;
        auto *text = static_cast<char *>(std::malloc(static_cast<std::size_t>(length) + 1));
        if (!text) return nullptr;
        text[length] = '\0';
        (piece == Piece::key ? handle_->index : handle_->handles)[index] = text;
        return text;
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
    char *place(std::uint64_t, Piece piece, std::uint64_t length) {
        std::string &text = piece == Piece::key ? key_ : value_;
        text.resize(static_cast<std::size_t>(length));
        return text.data();
    }
    void finish_entry(std::uint64_t index) { visitor_.entry(index, key_, value_); }

private:
    CatalogVisitor &visitor_;
    std::string key_;
    std::string value_;
};

enum class PieceFault { field_past_end, field_unreadable, length_past_end, no_memory, bytes_unreadable };

// Kept apart from the reading so that the loop a load spends its time in stays small; the text is
// built only here, when a piece is already known to be bad.
bool piece_damaged(CatalogReport &report, std::uint64_t index, Piece piece, PieceFault fault, std::uint64_t length,
                   std::uint64_t bytes_left) {
    const std::string where = "entry " + std::to_string(index) + ": the " + (piece == Piece::key ? "key" : "value");
    switch (fault) {
    case PieceFault::field_past_end:
        return damaged(report, where + " length field reaches past the entry count");
    case PieceFault::field_unreadable:
        return damaged(report, where + " length field cannot be read");
    case PieceFault::length_past_end:
        return damaged(report, where + " length " + std::to_string(length) + " reaches past the entry count (" +
                                   std::to_string(bytes_left) + " bytes are left)");
    case PieceFault::no_memory:
        return damaged(report, where + " of " + std::to_string(length) + " bytes does not fit in memory");
    case PieceFault::bytes_unreadable:
        return damaged(report, where + " bytes cannot be read");
    }
    return false;
}

// One key or value: its length field, then its bytes; each step one read and one check.
template <class Store>
bool read_piece(CatalogReader &in, Store &store, std::uint64_t index, Piece piece, CatalogReport &report) {
    const auto fail = [&](PieceFault fault, std::uint64_t length) {
        return piece_damaged(report, index, piece, fault, length, in.bytes_left());
    };
    if (in.bytes_left() < length_field_size) return fail(PieceFault::field_past_end, 0);
    std::uint64_t length = 0;
    if (!in.read_length(length)) return fail(PieceFault::field_unreadable, 0);
    if (length > in.bytes_left()) return fail(PieceFault::length_past_end, length);
    char *into = store.place(index, piece, length);
    if (!into) return fail(PieceFault::no_memory, length);
    if (!in.read_exactly(into, static_cast<std::size_t>(length))) return fail(PieceFault::bytes_unreadable, length);
    return true;
}

template <class Store>
bool read_entries(std::FILE *file, Store &store, CatalogReport &report) {
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
    if (!store.begin(report.count)) return damaged(report, "its entry count does not fit in memory");
    CatalogReader in{file, entry_bytes};
    for (std::uint64_t i = 0; i < report.count; ++i) {
        // The key goes in first, so that a missing value leaves nothing unowned.
        if (!read_piece(in, store, i, Piece::key, report)) return false;
        if (!read_piece(in, store, i, Piece::value, report)) return false;
        store.finish_entry(i);
    }
    report.unused_bytes = in.bytes_left();
    return true;
}

// The header, then the entries; fills `report` and gives its verdict.
template <class Store>
LoadVerdict read_catalog_into(std::FILE *file, Store &store, CatalogReport &report) {
    if (check_header(file, report) && read_entries(file, store, report)) report.verdict = LoadVerdict::loaded;
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
    i18n *loaded = create_handle();
    if (!loaded) {
        std::fclose(file);
        damaged(result, "not enough memory for a handle");
        return result.verdict;
    }
    HandleStore store{loaded};
    if (read_catalog_into(file, store, result) != LoadVerdict::loaded) {
        release_handle(loaded);
        std::fclose(file);
        return result.verdict;
    }
    loaded->fp = file;
    *handle = loaded;
    return LoadVerdict::loaded;
}

CatalogReport read_catalog(std::FILE *file, CatalogVisitor &visitor) {
    CatalogReport report;
    VisitorStore store{visitor};
    read_catalog_into(file, store, report);
    return report;
}

}  // namespace vellix
