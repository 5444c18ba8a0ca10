// The calls in many files, read and scanned on every core the machine has, and handed on in the
// order of the files: what the caller sees (calls, files it could not read, and in which order) is
// what scanning one file after another gives.
#ifndef VELLIX_FILE_SCAN_H
#define VELLIX_FILE_SCAN_H

#include "code_scanner.h"
#include "input_file.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

// One file's outcome: how reading it went (its bytes are released once scanned; a compiled
// catalog's are kept, for the caller to tell), and its calls in scan_calls' order: the first
// `call_count` of `calls`, whose argument texts are kept in `texts`. Outcomes handed on are used
// again for later files, so that the calls of a tree cost no allocation each.
struct ScannedFile {
    SourceFile source;
    bool scanned = false;  // read, and not a compiled catalog
    std::vector<FoundCall> calls;
    std::size_t call_count = 0;
    std::string texts;
};

// Scans paths[i] for every i and hands each outcome to `each(i, outcome)` in the order of i, on
// the calling thread. `wanted` is called from several threads at once and must be safe for that.
// An exception from `each` or from a scan (out of memory) stops every thread and is rethrown.
void scan_files(const std::vector<std::string> &paths, const std::function<bool(std::string_view name)> &wanted,
                std::string_view comment_tag, const std::function<void(std::size_t index, ScannedFile &outcome)> &each);

}  // namespace vellix

#endif
