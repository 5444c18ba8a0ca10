#include "finding_printer.h"

namespace vellix {

std::string finding_lines(const std::string &path, std::uint64_t line, const char *kind, const std::string &text,
                          const std::string &note_path, std::uint64_t note_line, const std::string &note) {
    std::string lines = path + (line ? ":" + std::to_string(line) : std::string()) + ": " + kind + ": " + text + "\n";
    if (!note.empty()) lines += note_path + ":" + std::to_string(note_line) + ": note: " + note + "\n";
    return lines;
}

std::string finding_lines(const std::string &path, const Finding &finding, const std::string &reference_path) {
    return finding_lines(path, finding.line, finding.is_error() ? "error" : "warning", finding.text,
                         !finding.note_path.empty() ? finding.note_path : finding.note_in_reference ? reference_path : path,
                         finding.note_line, finding.note);
}

void FindingPrinter::finding(const Finding &finding) {
    const std::string lines = finding_lines(path_, finding, reference_path_);
    std::fwrite(lines.data(), 1, lines.size(), stream_);
    ++all;
    if (finding.fails()) ++failing;
}

}  // namespace vellix
