// The compiler's driver: reads a catalog source, parses it and writes the catalog file.
#include "compile_catalog.h"

#include "catalog_format.h"
#include "catalog_table.h"
#include "replace_file.h"
#include "same_file.h"
#include "source_parser.h"
#include "vellix.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace vellix {
namespace {

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

bool collect_source_entries(const char *program, const char *source_path, const SourceFile &source,
                            CatalogEntries &entries) {
    CompilerSink sink{program, source_path, starts_with_byte_order_mark(source.bytes.get(), source.size), entries};
    return parse_source(source.bytes.get(), source.size, sink);
}

int compile_catalog(const char *program, const char *output_path, const char *source_path) {
    SourceFile source = read_source_file(source_path);
    if (source.result == SourceRead::too_large) {
        std::fprintf(stderr, "%s: %s: a catalog source may hold at most %llu bytes\n", program, source_path,
                     static_cast<unsigned long long>(max_source_size));
        return 1;
    }
    if (source.result != SourceRead::read) return report(program, could_not_open);
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
    return write_compiled(program, output_path, entries, CompileVoice::vellmake);
}

}  // namespace vellix
