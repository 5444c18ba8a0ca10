#include "source_file.h"

#include <sys/stat.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <cerrno>
#include <cstdlib>

namespace vellix {
namespace {

// A block of `bytes` bytes for the whole source, released with free(). Page faults are much of
// the cost of reading a large source, so on Linux a large block asks for huge pages.
char *allocate_source_buffer(std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t huge_page = std::size_t{2} << 20;
    if (bytes >= huge_page && bytes <= SIZE_MAX - huge_page) {
        const std::size_t rounded = (bytes + huge_page - 1) / huge_page * huge_page;
        if (void *block = std::aligned_alloc(huge_page, rounded)) {
            madvise(block, rounded, MADV_HUGEPAGE);  // only advice: small pages work too
            return static_cast<char *>(block);
        }
    }
#endif
    return static_cast<char *>(std::malloc(bytes));
}

}  // namespace

bool query_file_size(const char *path, std::uint64_t &size) {
#ifdef _WIN32
    struct _stat64 status;
    if (_stat64(path, &status) != 0 || status.st_size < 0) return false;
#else
    struct stat status;
    if (stat(path, &status) != 0 || status.st_size < 0) return false;
#endif
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool read_source(std::FILE *source, std::uint64_t size, SourceBuffer &buffer, std::size_t &bytes_read) {
    if (size >= SIZE_MAX) return false;
    buffer.reset(allocate_source_buffer(static_cast<std::size_t>(size) + 1));
    if (!buffer) return false;
    bytes_read = std::fread(buffer.get(), 1, static_cast<std::size_t>(size), source);
    buffer.get()[bytes_read] = '\0';
    return std::ferror(source) == 0;
}

SourceFile read_source_file(const char *path) {
    SourceFile source;
    std::FILE *file = std::fopen(path, "rb");
    source.error_number = errno;
    std::uint64_t size = 0;
    if (!file || !query_file_size(path, size)) {
        if (file) std::fclose(file);
        return source;
    }
    if (size > max_source_size) {
        std::fclose(file);
        source.result = SourceRead::too_large;
        return source;
    }
    errno = 0;
    const bool read_ok = read_source(file, size, source.bytes, source.size);
    source.error_number = errno;
    std::fclose(file);
    source.result = read_ok ? SourceRead::read : SourceRead::unreadable;
    return source;
}

}  // namespace vellix
