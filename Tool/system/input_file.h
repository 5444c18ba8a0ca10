// Reading a whole catalog source file into one buffer, as both programs do.
#ifndef VELLIX_SOURCE_FILE_H
#define VELLIX_SOURCE_FILE_H

#include "catalog_table.h"
#include "large_block.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vellix {

// The whole source in one malloc block.
using SourceBuffer = MallocString;

// A source's size and size + 1 must fit in a signed 32-bit number.
constexpr std::uint64_t max_source_size = 2147483646;

// The size the file system records for the file at the path, as a 64-bit number on every platform.
bool query_file_size(const char *path, std::uint64_t &size);

// Reads up to `size` bytes of `source` into a new buffer of size + 1 bytes and puts a NUL after
// the bytes read, which may be fewer than `size` if the file shrank. False on a read error or
// when memory is exhausted.
bool read_source(std::FILE *source, std::uint64_t size, SourceBuffer &buffer, std::size_t &bytes_read);

enum class SourceRead { read, unopened, too_large, unreadable };

// The whole source at `path` (UTF-8 on Windows) in one buffer, NUL after the bytes read. A regular
// file is sized first and read in one go; a pipe, FIFO or device is read to its end. Either may
// hold at most max_source_size bytes. `error_number` is the errno of a failed open or read.
struct SourceFile {
    SourceRead result = SourceRead::unopened;
    int error_number = 0;
    SourceBuffer bytes;
    std::size_t size = 0;
};
SourceFile read_source_file(const char *path);

}  // namespace vellix

#endif
