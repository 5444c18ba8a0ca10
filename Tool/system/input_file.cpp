#include "input_file.h"

#include "file_system.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vellix {
namespace {

// Reads a pipe, FIFO or device to its end into one buffer that grows geometrically; `too_large`
// when it holds more than max_source_size bytes.
SourceRead read_stream(std::FILE *stream, SourceBuffer &buffer, std::size_t &bytes_read) {
    std::size_t capacity = 64 * 1024;
    bytes_read = 0;
    buffer.reset(static_cast<char *>(std::malloc(capacity)));
    if (!buffer) return SourceRead::unreadable;
    for (;;) {
        if (bytes_read == capacity - 1) {
            if (bytes_read > max_source_size) return SourceRead::too_large;
            const std::size_t larger = capacity * 2 > max_source_size + 2 ? max_source_size + 2 : capacity * 2;
            char *grown = static_cast<char *>(std::realloc(buffer.get(), larger));
            if (!grown) return SourceRead::unreadable;
            buffer.release();
            buffer.reset(grown);
            capacity = larger;
        }
        const std::size_t got = std::fread(buffer.get() + bytes_read, 1, capacity - 1 - bytes_read, stream);
        bytes_read += got;
        if (got == 0) break;
    }
    buffer.get()[bytes_read] = '\0';
    if (std::ferror(stream)) return SourceRead::unreadable;
    return bytes_read > max_source_size ? SourceRead::too_large : SourceRead::read;
}

}  // namespace

bool query_file_size(const char *path, std::uint64_t &size) {
    std::FILE *file = open_file(path, "rb");
    if (!file) return false;
    bool regular = false;
    const bool known = open_file_status(file, size, regular);
    std::fclose(file);
    return known;
}

bool read_source(std::FILE *source, std::uint64_t size, SourceBuffer &buffer, std::size_t &bytes_read) {
    if (size >= SIZE_MAX) return false;
    buffer.reset(allocate_large_block(static_cast<std::size_t>(size) + 1));
    if (!buffer) return false;
    bytes_read = std::fread(buffer.get(), 1, static_cast<std::size_t>(size), source);
    buffer.get()[bytes_read] = '\0';
    return std::ferror(source) == 0;
}

SourceFile read_source_file(const char *path) {
    SourceFile source;
    errno = 0;
    std::FILE *file = open_file(path, "rb");
    source.error_number = errno;
    if (!file) return source;
    std::uint64_t size = 0;
    bool regular = false;
    if (!open_file_status(file, size, regular)) {
        std::fclose(file);
        return source;
    }
    errno = 0;
    if (!regular) {
        source.result = read_stream(file, source.bytes, source.size);
    } else if (size > max_source_size) {
        source.result = SourceRead::too_large;
    } else {
        // Read whole into our own block, a stream buffer is of no use: unbuffered, the C library
        // neither allocates one nor asks the file's size again, so a small file costs one read.
        std::setvbuf(file, nullptr, _IONBF, 0);
        source.result = read_source(file, size, source.bytes, source.size) ? SourceRead::read : SourceRead::unreadable;
    }
    source.error_number = errno;
    std::fclose(file);
    if (source.result != SourceRead::read) source.bytes.reset();
    return source;
}

}  // namespace vellix
