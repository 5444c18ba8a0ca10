#include "command_support.h"

#include "catalog_format.h"
#include "file_system.h"

#include <cerrno>
#include <cstring>

namespace vellix {

int Messages::trouble(const std::string &text) const {
    std::fprintf(stderr, "%s: %s\n", program_, text.c_str());
    return status_trouble;
}

int Messages::usage_error(const std::string &text) const {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program_, text.c_str(), program_);
    return status_trouble;
}

int Messages::file_trouble(const std::string &path, const std::string &text) const {
    return trouble(path + ": " + text);
}

std::string finding_lines(const std::string &path, std::uint64_t line, const char *kind, const std::string &text,
                          const std::string &note_path, std::uint64_t note_line, const std::string &note) {
    std::string lines = path + (line ? ":" + std::to_string(line) : std::string()) + ": " + kind + ": " + text + "\n";
    if (!note.empty()) lines += note_path + ":" + std::to_string(note_line) + ": note: " + note + "\n";
    return lines;
}

bool has_catalog_magic(const std::string &path) {
    FileHandle file{open_file(path.c_str(), "rb")};
    unsigned char magic[sizeof catalog_magic];
    return file && std::fread(magic, 1, sizeof magic, file.get()) == sizeof magic &&
           std::memcmp(magic, catalog_magic, sizeof magic) == 0;
}

bool read_source_or_report(const Messages &messages, const std::string &path, SourceFile &file) {
    file = read_source_file(path.c_str());
    switch (file.result) {
    case SourceRead::read:
        if (!starts_with_catalog_magic(file.bytes.get(), file.size)) return true;
        messages.file_trouble(path, "this is a compiled catalog, not a catalog source");
        return false;
    case SourceRead::too_large:
        messages.file_trouble(path, "a catalog source may hold at most " + std::to_string(max_source_size) + " bytes");
        return false;
    case SourceRead::unopened:
        messages.file_trouble(path, std::string("cannot open: ") + std::strerror(file.error_number));
        return false;
    case SourceRead::unreadable:
        messages.file_trouble(path, std::string("cannot read: ") +
                                        (file.error_number ? std::strerror(file.error_number) : "read error"));
        return false;
    }
    return false;
}

bool read_catalog_or_report(const Messages &messages, const std::string &path, CatalogVisitor &visitor,
                            CatalogReport &report) {
    FileHandle file{open_file(path.c_str(), "rb")};
    if (!file) {
        messages.file_trouble(path, std::string("cannot open: ") + std::strerror(errno));
        return false;
    }
    report = read_catalog(file.get(), visitor);
    switch (report.verdict) {
    case LoadVerdict::loaded:
        return true;
    case LoadVerdict::bad_magic:
        messages.file_trouble(path, "not a catalog: " + report.problem);
        return false;
    case LoadVerdict::bad_version:
        messages.file_trouble(path, "not a catalog of this version: " + report.problem);
        return false;
    case LoadVerdict::damaged:
        messages.file_trouble(path, "damaged catalog: " + report.problem);
        return false;
    }
    return false;
}

void print_open_verdict(PathKind kind) {
    if (kind == PathKind::missing) std::printf("  does not open\n");
    if (kind != PathKind::missing && kind != PathKind::regular) {
        std::printf("  does not open: it is %s, not a regular file\n", describe_path_kind(kind));
    }
}

void print_load_verdict(const CatalogReport &report, const char *after_refusal) {
    switch (report.verdict) {
    case LoadVerdict::loaded:
        std::printf("  opened: loaded %llu entries\n", static_cast<unsigned long long>(report.count));
        return;
    case LoadVerdict::bad_magic:
        std::printf("  opened: bad magic (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    case LoadVerdict::bad_version:
        std::printf("  opened: bad version (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    case LoadVerdict::damaged:
        std::printf("  opened: damaged (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    }
}

}  // namespace vellix
