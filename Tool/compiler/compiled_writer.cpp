#include "compiled_writer.h"

#include "replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

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
int report_unwritten(const char *program, const char *output_path, CompileVoice voice) {
    const int reason = errno;
    std::fflush(stdout);
    if (voice == CompileVoice::vellmake) return report(program, could_not_open);
    std::fprintf(stderr, "%s: cannot write %s: %s\n", program, output_path, write_failure_reason(reason).c_str());
    return 1;
}

// "N entries": vellmake's line, printed before it writes; vellix prints it once the catalog is
// written, and says "1 entry".
void print_count(std::size_t count, CompileVoice voice) {
    const char *noun = count == 1 && voice == CompileVoice::vellix ? "entry" : "entries";
    std::printf("%llu %s\n", static_cast<unsigned long long>(count), noun);
}

}  // namespace

int write_compiled(const char *program, const char *output_path, std::size_t count, const EntryAt &entry_at,
                   CompileVoice voice) {
    if (voice == CompileVoice::vellmake) print_count(count, voice);
    const auto write = [&](std::FILE *file) { return write_catalog_entries(count, entry_at, file); };
    if (!replace_file(output_path, write)) return report_unwritten(program, output_path, voice);
    if (voice == CompileVoice::vellix) print_count(count, voice);
    return 0;
}

int write_compiled(const char *program, const char *output_path, CatalogEntries &entries, CompileVoice voice) {
    compiled_catalog = vellix_empty();
    const std::size_t entry_count = entries.size();
    if (!compiled_catalog || !entries.move_into(compiled_catalog)) return report(program, "out of memory");
    if (voice == CompileVoice::vellmake) print_count(entry_count, voice);
    if (!replace_file_with_catalog(output_path, compiled_catalog)) return report_unwritten(program, output_path, voice);
    if (voice == CompileVoice::vellix) print_count(entry_count, voice);
    return 0;
}

std::optional<int> write_compiled_streamed(const char *program, const char *output_path,
                                           const std::function<int(CatalogStream &)> &produce) {
    bool started = false;
    int status = 0;
    std::size_t count = 0;
    std::exception_ptr failure;
    const auto write = [&](std::FILE *file) {
        started = true;
        CatalogStream out{file};
        try {
            status = produce(out);
        } catch (...) {
            failure = std::current_exception();
        }
        count = out.count();
        if (status == 0 && !failure) return out.finish();
        out.abandon();
        return false;
    };
    const bool written = replace_file(output_path, write, Fallback::none);
    if (failure) std::rethrow_exception(failure);
    if (!started) return std::nullopt;
    if (status != 0) return status;
    if (!written) return report_unwritten(program, output_path, CompileVoice::vellix);
    print_count(count, CompileVoice::vellix);
    return 0;
}

}  // namespace vellix
