// The compiler's driver: reads a catalog source, parses it and writes the catalog file.
#include "compile_catalog.h"

#include "catalog_format.h"
#include "replace_file.h"
#include "catalog_table.h"
#include "source_parser.h"
#include "vellix.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace vellix {
namespace {

// The compiled handle is never released: the process ends right after writing it. Holding it
// here keeps it reachable until then, so leak checkers do not report it.
i18n *compiled_catalog = nullptr;

int report_unopened(const char *program) {
    return report(program, "could not open the output file and/or input file");
}

// Collects the parsed entries and warns about text that belongs to no key.
class CompilerSink : public SourceSink {
public:
    CompilerSink(const char *program, const char *source_path, bool has_byte_order_mark, CatalogEntries &entries)
        : program_(program), source_path_(source_path), has_byte_order_mark_(has_byte_order_mark), entries_(entries) {}

    bool entry(std::string_view key, std::string_view value, std::uint64_t) override {
        return entries_.append(key.data(), key.size(), value.data(), value.size());
    }

    void keyless_text(std::uint64_t first_line) override {
        const bool mark_on_this_line = has_byte_order_mark_ && first_line == 1;
        std::fprintf(stderr, "%s: %s: line %llu: text before the first key line belongs to no key and is dropped%s\n",
                     program_, source_path_, static_cast<unsigned long long>(first_line),
                     mark_on_this_line ? " (the source begins with a UTF-8 byte-order mark, so its first line is "
                                         "never a key line or a comment)"
                                       : "");
    }

private:
    const char *program_;
    const char *source_path_;
    bool has_byte_order_mark_;
    CatalogEntries &entries_;
};

}  // namespace

int report(const char *program, const char *problem) {
    std::fprintf(stderr, "%s: %s\n", program, problem);
    return 1;
}

bool collect_source_entries(const char *program, const char *source_path, const SourceFile &source,
                            CatalogEntries &entries) {
    CompilerSink sink{program, source_path, starts_with_byte_order_mark(source.bytes.get(), source.size), entries};
    return parse_source(source.bytes.get(), source.size, sink);
}

int write_compiled(const char *program, const char *output_path, std::size_t count, const EntryAt &entry_at) {
    std::printf("%llu entries\n", static_cast<unsigned long long>(count));
    const auto write = [&](std::FILE *file) { return write_catalog_entries(count, entry_at, file); };
    if (!write_catalog_output(write, output_path)) {
        std::fflush(stdout);
        return report_unopened(program);
    }
    return 0;
}

int write_compiled(const char *program, const char *output_path, CatalogEntries &entries) {
    compiled_catalog = vellix_empty();
    const std::size_t entry_count = entries.size();
    if (!compiled_catalog || !entries.move_into(compiled_catalog)) return report(program, "out of memory");
    std::printf("%llu entries\n", static_cast<unsigned long long>(entry_count));
    if (!write_catalog_output(compiled_catalog, output_path)) {
        std::fflush(stdout);
        return report_unopened(program);
    }
    return 0;
}

int compile_catalog(const char *program, const char *output_path, const char *source_path) {
    SourceFile source = read_source_file(source_path);
    if (source.result == SourceRead::too_large) {
        std::fprintf(stderr, "%s: %s: a catalog source may hold at most %llu bytes\n", program, source_path,
                     static_cast<unsigned long long>(max_source_size));
        return 1;
    }
    if (source.result != SourceRead::read) return report_unopened(program);
    // Swapped arguments would compile the catalog as a source and overwrite the translator's source.
    if (starts_with_catalog_magic(source.bytes.get(), source.size)) {
        std::fprintf(stderr, "%s: %s: this is a compiled catalog, not a catalog source (OUTPUT comes first: %s OUTPUT "
                             "SOURCE)\n",
                     program, source_path, program);
        return 1;
    }
    if (same_file(output_path, source_path)) {
        std::fprintf(stderr, "%s: %s: OUTPUT and SOURCE are the same file\n", program, output_path);
        return 1;
    }
    CatalogEntries entries;
    if (!collect_source_entries(program, source_path, source, entries)) return report(program, "out of memory");
    source.bytes.reset();
    return write_compiled(program, output_path, entries);
}

}  // namespace vellix
