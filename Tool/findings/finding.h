// What every reader and check of the tools finds: a line of a file, how grave it is, a text and an
// optional note pointing at another line. Readers and checks hand findings to a sink and never
// print; the command decides how to print them and what they cost.
#ifndef VELLIX_FINDING_H
#define VELLIX_FINDING_H

#include <cstdint>
#include <string>
#include <utility>

namespace vellix {

enum class Severity { warning, error };

struct Finding {
    std::uint64_t line = 0;  // 0: the file as a whole
    Severity severity = Severity::warning;
    std::string text;
    // A warning that fails a check even when warnings alone do not; an error always does.
    bool serious = false;
    // An optional second line, "note: NOTE", at note_line of this file or of the reference.
    std::string note;
    std::uint64_t note_line = 0;
    bool note_in_reference = false;
    std::string note_path;  // the note's file, when it is neither this one nor the reference

    bool is_error() const { return severity == Severity::error; }
    bool fails() const { return serious || severity == Severity::error; }
};

// Receives findings in the order they become certain.
class FindingSink {
public:
    virtual ~FindingSink() = default;
    virtual void finding(const Finding &finding) = 0;
};

// An error at a line, without a note.
inline Finding error_at(std::uint64_t line, std::string text) {
    Finding finding;
    finding.line = line;
    finding.severity = Severity::error;
    finding.text = std::move(text);
    return finding;
}

// A warning at a line, without a note.
inline Finding warning_at(std::uint64_t line, std::string text) {
    Finding finding;
    finding.line = line;
    finding.text = std::move(text);
    return finding;
}

}  // namespace vellix

#endif
