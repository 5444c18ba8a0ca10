// The compiler's driver: reads a catalog source, parses it and writes the catalog file.
#include "compile_catalog.h"

#include "catalog_table.h"
#include "source_parser.h"
#include "vellix.h"

#include <sys/stat.h>
#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace vellix {
namespace {

// The compiled handle is never released: the process ends right after writing it. Holding it
// here keeps it reachable until then, so leak checkers do not report it.
i18n *compiled_catalog = nullptr;

int report_unopened(const char *program) {
    return report(program, "could not open the output file and/or input file");
}

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

// Readies the heap for about `bytes` of small strings: grown in one step and, on Linux, backed by
// huge pages, because touching fresh pages is much of a large compile's cost.
void prepare_heap(std::size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
#if __GLIBC_PREREQ(2, 33)
    constexpr std::size_t huge_page = std::size_t{2} << 20;
    if (bytes < 2 * huge_page || bytes > (std::size_t{1} << 29)) return;  // mallopt takes an int
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * bytes));  // the process ends soon: never give it back
    mallopt(M_TOP_PAD, static_cast<int>(bytes));
    // A block larger than the heap's free top makes the heap grow, by the block plus the pad.
    const std::size_t top_now = mallinfo2().keepcost;
    void *probe = std::malloc(top_now + 4096);
    char *heap_end = static_cast<char *>(sbrk(0));
    std::free(probe);
    mallopt(M_TOP_PAD, 128 * 1024);
    auto start = reinterpret_cast<std::uintptr_t>(heap_end) - bytes;
    start = (start + huge_page - 1) / huge_page * huge_page;
    const auto end = reinterpret_cast<std::uintptr_t>(heap_end) / huge_page * huge_page;
    if (probe && end > start) madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
#else
    (void)bytes;
#endif
#else
    (void)bytes;
#endif
}

// Collects the parsed entries and warns about text that belongs to no key.
class CompilerSink : public SourceSink {
public:
    CompilerSink(const char *program, const char *source_path, bool has_byte_order_mark)
        : program_(program), source_path_(source_path), has_byte_order_mark_(has_byte_order_mark) {}

    bool entry(std::string_view key, std::string_view value, std::uint64_t) override {
        return entries.append(key.data(), key.size(), value.data(), value.size());
    }

    void keyless_text(std::uint64_t first_line) override {
        const bool mark_on_this_line = has_byte_order_mark_ && first_line == 1;
        std::fprintf(stderr, "%s: %s: line %llu: text before the first key line belongs to no key and is dropped%s\n",
                     program_, source_path_, static_cast<unsigned long long>(first_line),
                     mark_on_this_line ? " (the source begins with a UTF-8 byte-order mark, so its first line is "
                                         "never a key line or a comment)"
                                       : "");
    }

    CatalogEntries entries;

private:
    const char *program_;
    const char *source_path_;
    bool has_byte_order_mark_;
};

}  // namespace

int report(const char *program, const char *problem) {
    std::fprintf(stderr, "%s: %s\n", program, problem);
    return 1;
}

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

int compile_catalog(const char *program, const char *output_path, const char *source_path) {
    SourceFile source = read_source_file(source_path);
    if (source.result == SourceRead::too_large) {
        std::fprintf(stderr, "%s: %s: a catalog source may hold at most %llu bytes\n", program, source_path,
                     static_cast<unsigned long long>(max_source_size));
        return 1;
    }
    compiled_catalog = source.result == SourceRead::read ? vellix_empty() : nullptr;
    if (!compiled_catalog) return report_unopened(program);
    const std::size_t bytes_read = source.size;
    SourceBuffer &buffer = source.bytes;

    prepare_heap(bytes_read + bytes_read / 2);
    CompilerSink sink{program, source_path, starts_with_byte_order_mark(buffer.get(), bytes_read)};
    if (!parse_source(buffer.get(), bytes_read, sink)) return report(program, "out of memory");
    const std::size_t entry_count = sink.entries.size();
    if (!sink.entries.move_into(compiled_catalog)) return report(program, "out of memory");
    buffer.reset();

    std::printf("%llu entries\n", static_cast<unsigned long long>(entry_count));
    if (vellix_write(compiled_catalog, output_path) != 0) {
        std::fflush(stdout);
        return report_unopened(program);
    }
    return 0;
}

}  // namespace vellix
