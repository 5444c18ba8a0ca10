#include "catalog_search.h"

#include "catalog_format.h"

#include <algorithm>
#include <clocale>
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

// Says what is wrong when someone asks; a plain load asks nothing and builds no text.
class ProblemNote {
public:
    explicit ProblemNote(CatalogReport *report) : report_(report) {}
    bool wanted() const { return report_ != nullptr; }
    // Records `text` and gives false, so that a failing check can return it.
    bool operator()(const std::string &text) const {
        if (report_) report_->problem = text;
        return false;
    }

private:
    CatalogReport *report_;
};

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

LoadVerdict check_header(std::FILE *file, const ProblemNote &note) {
    unsigned char header[catalog_header_size];
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    const bool magic_ok = got >= sizeof catalog_magic && std::memcmp(header, catalog_magic, sizeof catalog_magic) == 0;
    if (!magic_ok) {
        if (note.wanted()) {
            note(got < sizeof catalog_magic ? "the file holds " + std::to_string(got) + " bytes, too few for the catalog magic"
                                            : "its first bytes " + hex_bytes(header, sizeof catalog_magic) +
                                                  " are not the catalog magic " + hex_bytes(catalog_magic, sizeof catalog_magic));
        }
        return LoadVerdict::bad_magic;
    }
    if (got < sizeof header || std::memcmp(header + sizeof catalog_magic, catalog_version, sizeof catalog_version) != 0) {
        if (note.wanted()) {
            note(got < sizeof header ? "the file holds " + std::to_string(got) + " bytes, too few for the magic and the version"
                                     : "its version bytes " + hex_bytes(header + sizeof catalog_magic, sizeof catalog_version) +
                                           " are not " + hex_bytes(catalog_version, sizeof catalog_version));
        }
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

enum class Piece { key, value };

// Keeps the entries in a handle: arrays of count + 1 null slots each, so that a catalog rejected
// halfway is released by vellix_free, and one malloc block per string.
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

// Kept apart from the reading so that the loop a load spends its time in stays small.
bool note_piece_fault(const ProblemNote &note, std::uint64_t index, Piece piece, PieceFault fault,
                      std::uint64_t length, std::uint64_t bytes_left) {
    if (!note.wanted()) return false;
    const std::string where = "entry " + std::to_string(index) + ": the " + (piece == Piece::key ? "key" : "value");
    switch (fault) {
    case PieceFault::field_past_end:
        return note(where + " length field reaches past the entry count");
    case PieceFault::field_unreadable:
        return note(where + " length field cannot be read");
    case PieceFault::length_past_end:
        return note(where + " length " + std::to_string(length) + " reaches past the entry count (" +
                    std::to_string(bytes_left) + " bytes are left)");
    case PieceFault::no_memory:
        return note(where + " of " + std::to_string(length) + " bytes does not fit in memory");
    case PieceFault::bytes_unreadable:
        return note(where + " bytes cannot be read");
    }
    return false;
}

template <class Store>
bool read_piece(CatalogReader &in, Store &store, std::uint64_t index, Piece piece, const ProblemNote &note) {
    unsigned char field[length_field_size];
    std::uint64_t length = 0;
    PieceFault fault = PieceFault::field_past_end;
    if (in.bytes_left() >= sizeof field) {
        fault = PieceFault::field_unreadable;
        if (in.read_exactly(field, sizeof field)) {
            length = decode_length(field);
            fault = PieceFault::length_past_end;
            if (length <= in.bytes_left()) {
                char *into = store.place(index, piece, length);
                fault = into ? PieceFault::bytes_unreadable : PieceFault::no_memory;
                if (into && in.read_exactly(into, static_cast<std::size_t>(length))) return true;
            }
        }
    }
    return note_piece_fault(note, index, piece, fault, length, in.bytes_left());
}

template <class Store>
bool read_entries(std::FILE *file, Store &store, CatalogReport &report, const ProblemNote &note) {
    std::uint64_t file_size = 0;
    if (!query_stream_size(file, file_size)) return note.wanted() && note("its size cannot be found");
    if (file_size < empty_catalog_size) {
        return note.wanted() && note("the file holds " + std::to_string(file_size) +
                                     " bytes, fewer than the 15 of an empty catalog");
    }
    if (!read_count(file, file_size, report.count)) return note.wanted() && note("its entry count cannot be read");
    const std::uint64_t entry_bytes = file_size - empty_catalog_size;
    if (report.count > entry_bytes / smallest_entry_size) {
        return note.wanted() && note("the entry count " + std::to_string(report.count) + " cannot fit in the " +
                                     std::to_string(entry_bytes) + " bytes between the header and the count");
    }
    if (!store.begin(report.count)) return note.wanted() && note("its entry count does not fit in memory");
    CatalogReader in{file, entry_bytes};
    for (std::uint64_t i = 0; i < report.count; ++i) {
        // The key goes in first, so that a missing value leaves nothing unowned.
        if (!read_piece(in, store, i, Piece::key, note) || !read_piece(in, store, i, Piece::value, note)) return false;
        store.finish_entry(i);
    }
    report.unused_bytes = in.bytes_left();
    return true;
}

// The header, then the entries; fills `report` and gives its verdict.
template <class Store>
LoadVerdict read_catalog_into(std::FILE *file, Store &store, CatalogReport &report, bool wants_problem) {
    const ProblemNote note{wants_problem ? &report : nullptr};
    report.verdict = check_header(file, note);
    if (report.verdict == LoadVerdict::loaded && !read_entries(file, store, report, note)) {
        report.verdict = LoadVerdict::damaged;
    }
    return report.verdict;
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

LoadVerdict load_catalog(std::FILE *file, i18n **handle, CatalogReport *report) {
    *handle = nullptr;
    CatalogReport local;
    CatalogReport &result = report ? *report : local;
    i18n *loaded = vellix_empty();
    if (!loaded) {
        std::fclose(file);
        result = CatalogReport{};
        if (report) report->problem = "not enough memory for a handle";
        return LoadVerdict::damaged;
    }
    HandleStore store{loaded};
    if (read_catalog_into(file, store, result, report != nullptr) != LoadVerdict::loaded) {
        vellix_free(loaded);
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
    read_catalog_into(file, store, report, true);
    return report;
}

i18n *search_catalog(const char *name, SearchObserver *observer) {
    const char *search_path = std::getenv("NLSPATH");
    if (!search_path) {
        if (observer) observer->started(nullptr, nullptr);
        return nullptr;
    }
    const std::string templates_text{search_path};  // private copy: the environment may change
    const char *locale = std::setlocale(LC_ALL, nullptr);
    if (observer) observer->started(templates_text.c_str(), locale);
    const std::vector<std::string_view> templates = split_search_path(templates_text);
    for (std::size_t i = 0; i < templates.size(); ++i) {
        const std::string path = expand_template(templates[i], name, locale);
        FILE *file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
        if (observer) observer->tried(i + 1, templates.size(), templates[i], path, file != nullptr);
        if (!file) continue;
        // The first file that opens ends the search, whatever it holds.
        i18n *handle = nullptr;
        CatalogReport report;
        load_catalog(file, &handle, observer ? &report : nullptr);
        if (observer) observer->loaded(report, handle);
        return handle;
    }
    return nullptr;
}

}  // namespace vellix
