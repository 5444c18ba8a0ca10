// Findings as editors and CI logs parse them: "PATH:LINE: KIND: TEXT", then, for a note,
// "NOTE_PATH:NOTE_LINE: note: NOTE"; each line ending in LF.
#ifndef VELLIX_FINDING_PRINTER_H
#define VELLIX_FINDING_PRINTER_H

#include "finding.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace vellix {

// "PATH:LINE: KIND: TEXT" (or "PATH: KIND: TEXT" for line 0) and LF, then, when `note` is not
// empty, "NOTE_PATH:NOTE_LINE: note: NOTE" and LF.
std::string finding_lines(const std::string &path, std::uint64_t line, const char *kind, const std::string &text,
                          const std::string &note_path = "", std::uint64_t note_line = 0, const std::string &note = "");

// The lines of a finding in `path`; a note in the reference names `reference_path`.
std::string finding_lines(const std::string &path, const Finding &finding, const std::string &reference_path = "");

// Prints each finding of one file to a stream as it comes, and counts what it saw.
class FindingPrinter : public FindingSink {
public:
    FindingPrinter(std::FILE *stream, const std::string &path, const std::string &reference_path = "")
        : stream_(stream), path_(path), reference_path_(reference_path) {}
    void finding(const Finding &finding) override;

    std::size_t failing = 0;  // findings that fail a check (errors and serious warnings)
    std::size_t all = 0;

private:
    std::FILE *stream_;
    const std::string &path_;
    const std::string &reference_path_;
};

}  // namespace vellix

#endif
