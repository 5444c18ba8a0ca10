// vellix check [--strict] [--against REFERENCE] SOURCE...: the findings of each source, and, with
// a reference, the keys and printf arguments that differ from it.
#include "commands.h"
#include "source_check.h"

#include <cstdio>
#include <string>
#include <vector>

namespace vellix {
namespace {

void print_finding(const Finding &finding, const std::string &path, const std::string &reference_path) {
    if (finding.line) {
        std::printf("%s:%llu: warning: %s\n", path.c_str(), static_cast<unsigned long long>(finding.line), finding.text.c_str());
    } else {
        std::printf("%s: warning: %s\n", path.c_str(), finding.text.c_str());
    }
    if (!finding.note.empty()) {
        std::printf("%s:%llu: note: %s\n", (finding.note_in_reference ? reference_path : path).c_str(),
                    static_cast<unsigned long long>(finding.note_line), finding.note.c_str());
    }
}

}  // namespace

// check [--strict] [--against REFERENCE] SOURCE...
int run_check(const Messages &messages, const Arguments &words) {
    bool strict = false;
    std::string reference_path;
    bool has_reference = false;
    std::vector<std::string> paths;
    bool options_done = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (options_done || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            paths.push_back(word);
        } else if (word == "--") {
            options_done = true;
        } else if (word == "--strict") {
            strict = true;
        } else if (word == "--against" || word.compare(0, 10, "--against=") == 0) {
            if (word == "--against" && i + 1 == words.size()) return messages.usage_error("check: --against needs a REFERENCE");
            reference_path = word == "--against" ? words[++i] : word.substr(10);
            has_reference = true;
        } else {
            return messages.usage_error("check: unknown option '" + word + "'");
        }
    }
    if (paths.empty()) return messages.usage_error("check: no SOURCE given");

    SourceKeys reference;
    if (has_reference) {
        SourceFile file;
        if (!read_source_or_report(messages, reference_path, file)) return status_trouble;
        reference = check_source(file.bytes.get(), file.size, nullptr, [](const Finding &) {});
    }
    int status = status_clean;
    for (const std::string &path : paths) {
        SourceFile file;
        if (!read_source_or_report(messages, path, file)) {
            status = status_trouble;
            continue;
        }
        // Each finding is printed as soon as it is found.
        check_source(file.bytes.get(), file.size, has_reference ? &reference : nullptr, [&](const Finding &finding) {
            print_finding(finding, path, reference_path);
            if ((finding.serious || strict) && status == status_clean) status = status_findings;
        });
    }
    return status;
}

}  // namespace vellix
