#include "command_files.h"

#include "catalog_format.h"
#include "charset_conversion.h"
#include "po_charset.h"
#include "file_system.h"
#include "finding_printer.h"
#include "replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vellix {
namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool has_catalog_magic(const std::string &path) {
    FileHandle file{open_file(path.c_str(), "rb")};
    unsigned char magic[sizeof catalog_magic];
    return file && std::fread(magic, 1, sizeof magic, file.get()) == sizeof magic &&
           std::memcmp(magic, catalog_magic, sizeof magic) == 0;
}

bool read_source_or_report(const Messages &messages, const std::string &path, SourceFile &file) {
    file = read_source_file(path.c_str());
    return source_usable_or_report(messages, path, file);
}

bool source_usable_or_report(const Messages &messages, const std::string &path, const SourceFile &file) {
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

int read_po_or_report(const Messages &messages, const std::string &path, PoFile &file) {
    SourceFile source;
    if (!read_source_or_report(messages, path, source)) return status_trouble;
    FindingPrinter printer{stderr, path};
    const std::string_view raw(source.bytes.get(), source.size);
    const PoInUtf8 po = po_in_utf8(raw);
    if (po.failed) {
        printer.finding(po.problem);
        return status_findings;
    }
    file.charset = po.charset;
    const std::string_view text = po.readable(raw);
    return read_po_file(text.data(), text.size(), file, printer) == 0 ? status_clean : status_findings;
}

int write_po_output(const Messages &messages, const std::string &path, const std::string &text, const std::string &charset) {
    if (charset.empty()) return write_output(messages, path, text);
    const Utf8Conversion back = convert_from_utf8(text, charset);
    if (back.outcome != Utf8Conversion::Outcome::converted) {
        return messages.cannot_write(path.empty() ? "-" : path, "the text holds characters that " + charset +
                                                                    " cannot hold: convert the translation to UTF-8 (msgconv "
                                                                    "--to-code=UTF-8) first");
    }
    return write_output(messages, path, back.text);
}

int write_po_entries(const Messages &messages, const std::string &path, const std::string &charset,
                     const std::function<void(PoText &text)> &make) {
    if (path.empty() || !charset.empty()) {
        PoText text;
        make(text);
        return write_po_output(messages, path, text.text(), charset);
    }
    const bool replaced = replace_file(
        path.c_str(),
        [&make](std::FILE *file) {
            bool written = true;
            PoText text{[&](std::string_view piece) { written = written && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size(); }};
            make(text);
            text.flush();
            const bool flushed = std::fflush(file) == 0;
            return std::fclose(file) == 0 && written && flushed;
        },
        Fallback::refuse);
    if (replaced) return status_clean;
    return messages.cannot_write(path, write_failure_reason(errno));
}

int write_output(const Messages &messages, const std::string &path, const std::string &text) {
    return write_output(messages, path, std::vector<std::string_view>{text});
}

int write_output(const Messages &messages, const std::string &path, const std::vector<std::string_view> &pieces) {
    if (path.empty()) {
        for (const std::string_view piece : pieces) std::fwrite(piece.data(), 1, piece.size(), stdout);
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status_clean;
        return messages.cannot_write("the standard output", std::strerror(errno));
    }
    if (replace_file_with_text(path, pieces)) return status_clean;
    return messages.cannot_write(path, write_failure_reason(errno));
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

}  // namespace vellix
