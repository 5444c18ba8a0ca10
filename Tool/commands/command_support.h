// What the commands of `vellix` share: exit statuses, messages, and reading a source or a catalog
// or saying why not.
#ifndef VELLIX_COMMAND_SUPPORT_H
#define VELLIX_COMMAND_SUPPORT_H

#include "catalog_reader.h"
#include "file_system.h"
#include "input_file.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vellix {

// Exit statuses of every command.
constexpr int status_clean = 0;
constexpr int status_findings = 1;
constexpr int status_trouble = 2;  // a usage error, an unreadable file or a damaged catalog

// A command's arguments, after the command's name.
using Arguments = std::vector<std::string>;

// Where messages go and what the program calls itself.
class Messages {
public:
    explicit Messages(const char *program) : program_(program) {}
    const char *program() const { return program_; }

    // "PROGRAM: TEXT" on standard error; gives status_trouble.
    int trouble(const std::string &text) const;
    // The same and a pointer to --help; gives status_trouble.
    int usage_error(const std::string &text) const;
    // "PROGRAM: PATH: TEXT"; gives status_trouble.
    int file_trouble(const std::string &path, const std::string &text) const;

private:
    const char *program_;
};

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// "PATH:LINE: KIND: TEXT" (or "PATH: KIND: TEXT" for line 0) and LF, then, when `note` is not
// empty, "NOTE_PATH:NOTE_LINE: note: NOTE" and LF: the form editors and CI logs parse.
std::string finding_lines(const std::string &path, std::uint64_t line, const char *kind, const std::string &text,
                          const std::string &note_path = "", std::uint64_t note_line = 0, const std::string &note = "");

// Whether the file begins with the catalog magic; false also when it cannot be opened.
bool has_catalog_magic(const std::string &path);

// The lines of `vellix where` for one path: "  does not open" and why, when `kind` is not a regular
// file; then, for a file that opened, "  opened: " and what loading it gave, with `after_refusal`
// after a refusal.
void print_open_verdict(PathKind kind);
void print_load_verdict(const CatalogReport &report, const char *after_refusal);

// Reads a source whole, or says why not (a compiled catalog is no source).
bool read_source_or_report(const Messages &messages, const std::string &path, SourceFile &file);

// Hands a catalog's entries to `visitor`, or says why it cannot be read.
bool read_catalog_or_report(const Messages &messages, const std::string &path, CatalogVisitor &visitor,
                            CatalogReport &report);

}  // namespace vellix

#endif
