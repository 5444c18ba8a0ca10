#include "compiled_writer.h"

#include "replace_file.h"

#include <cstdio>

namespace vellix {
namespace {

// The compiled handle is never released: the process ends right after writing it. Holding it
// here keeps it reachable until then, so leak checkers do not report it.
i18n *compiled_catalog = nullptr;

}  // namespace

const char could_not_open[] = "could not open the output file and/or input file";

int report(const char *program, const char *problem) {
    std::fprintf(stderr, "%s: %s\n", program, problem);
    return 1;
}

int write_compiled(const char *program, const char *output_path, std::size_t count, const EntryAt &entry_at) {
    std::printf("%llu entries\n", static_cast<unsigned long long>(count));
    const auto write = [&](std::FILE *file) { return write_catalog_entries(count, entry_at, file); };
    if (!replace_file(output_path, write)) {
        std::fflush(stdout);
        return report(program, could_not_open);
    }
    return 0;
}

int write_compiled(const char *program, const char *output_path, CatalogEntries &entries) {
    compiled_catalog = vellix_empty();
    const std::size_t entry_count = entries.size();
    if (!compiled_catalog || !entries.move_into(compiled_catalog)) return report(program, "out of memory");
    std::printf("%llu entries\n", static_cast<unsigned long long>(entry_count));
    if (!replace_file_with_catalog(output_path, compiled_catalog)) {
        std::fflush(stdout);
        return report(program, could_not_open);
    }
    return 0;
}

}  // namespace vellix
