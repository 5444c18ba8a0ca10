#include "compiled_writer.h"

#include "replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

namespace {

// The message for an output that cannot be written: vellmake's fixed line, or the output and the
// reason (errno as the failed write left it: "File too large", "No space left on device", ...).
int report_unwritten(const char *program, const char *output_path, Unwritten unwritten) {
    const int reason = errno;
    std::fflush(stdout);
    if (unwritten == Unwritten::fixed_message) return report(program, could_not_open);
    std::fprintf(stderr, "%s: %s: cannot write: %s\n", program, output_path, std::strerror(reason));
    return 1;
}

}  // namespace

int write_compiled(const char *program, const char *output_path, std::size_t count, const EntryAt &entry_at,
                   Unwritten unwritten) {
    std::printf("%llu entries\n", static_cast<unsigned long long>(count));
    const auto write = [&](std::FILE *file) { return write_catalog_entries(count, entry_at, file); };
    if (!replace_file(output_path, write)) return report_unwritten(program, output_path, unwritten);
    return 0;
}

int write_compiled(const char *program, const char *output_path, CatalogEntries &entries, Unwritten unwritten) {
    compiled_catalog = vellix_empty();
    const std::size_t entry_count = entries.size();
    if (!compiled_catalog || !entries.move_into(compiled_catalog)) return report(program, "out of memory");
    std::printf("%llu entries\n", static_cast<unsigned long long>(entry_count));
    if (!replace_file_with_catalog(output_path, compiled_catalog)) return report_unwritten(program, output_path, unwritten);
    return 0;
}

}  // namespace vellix
