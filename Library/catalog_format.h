// Layout of a catalog file, shared by the writer and the reader: the magic, the version, the
// entries (key length, key, value length, value) and the entry count after them. Every length is
// an unsigned 64-bit number in 8 bytes, least significant first.
#ifndef VELLIX_CATALOG_FORMAT_H
#define VELLIX_CATALOG_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vellix {

constexpr unsigned char catalog_magic[4] = {0x7F, '1', '8', 'C'};
constexpr unsigned char catalog_version[3] = {0x01, 0x00, 0x00};
constexpr std::size_t catalog_header_size = sizeof catalog_magic + sizeof catalog_version;
constexpr std::size_t length_field_size = 8;
constexpr std::size_t empty_catalog_size = catalog_header_size + length_field_size;

// A catalog file's name: the catalog's name and this extension.
constexpr char catalog_extension[] = ".18c";

// The catalog key under which plural form `form` (1 and up) of `key` is stored: the key, a line
// feed, '#' and the form's number. Form 0 is stored under the key itself; the header entry (its
// Plural-Forms field) under the empty key.
std::string plural_form_key(std::string_view key, unsigned long form);

// Whether `key` is the key of plural form 1 or higher of another key: that key, a line feed, '#'
// and the form's number in decimal without leading zeros. Gives the other key and the form.
bool split_plural_form_key(std::string_view key, std::string_view &base, unsigned long &form);

// Whether the bytes begin with the catalog magic (no useful catalog source does).
inline bool starts_with_catalog_magic(const char *bytes, std::size_t size) {
    return size >= sizeof catalog_magic && std::memcmp(bytes, catalog_magic, sizeof catalog_magic) == 0;
}

inline void encode_length(std::uint64_t length, unsigned char (&bytes)[length_field_size]) {
    for (std::size_t i = 0; i < length_field_size; ++i) bytes[i] = static_cast<unsigned char>(length >> (8 * i));
}

inline std::uint64_t decode_length(const unsigned char *bytes) {
#if (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) || defined(_WIN32)
    // The file's order is the machine's: one unaligned load, which a load of many entries feels.
    std::uint64_t length;
    std::memcpy(&length, bytes, sizeof length);
    return length;
#else
    std::uint64_t length = 0;
    for (std::size_t i = length_field_size; i-- > 0;) length = length << 8 | bytes[i];
    return length;
#endif
}

}  // namespace vellix

#endif
