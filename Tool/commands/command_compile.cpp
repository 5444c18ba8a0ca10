// vellix compile [--use-fuzzy] [--keys=msgid|msgctxt] [--keep-charset] -o CATALOG INPUT: a PO file
// (.po, .pot) or a catalog source compiled into a catalog, written whole or not at all.
#include "commands.h"
#include "catalog_format.h"
#include "compile_catalog.h"
#include "input_file.h"
#include "file_system.h"
#include "option_reader.h"
#include "po_catalog.h"
#include "po_charset.h"
#include "replace_file.h"
#include "same_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellix {
namespace {

// A PO file's entries, back to back in one text: no allocation per entry, since they are only
// written out.
class PackedEntries {
public:
    // Room for a file of `file_size` bytes, which its entries take at most unless it was converted
    // (then the text grows); reserved memory costs nothing until it is touched, and a large text is
    // in huge pages (large_block.h).
    explicit PackedEntries(std::size_t file_size) {
        bytes_.reserve(file_size);
        spans_.reserve(file_size / 64);
    }
    void add(std::string_view key, std::string_view value) {
        spans_.push_back(Span{bytes_.size(), key.size(), value.size()});
        bytes_.append(key.data(), key.size()).append(value.data(), value.size());
    }
    std::size_t size() const { return spans_.size(); }
    std::pair<std::string_view, std::string_view> at(std::size_t index) const {
        const Span &span = spans_[index];
        const std::string_view all(bytes_.data(), bytes_.size());
        return {all.substr(span.offset, span.key_length), all.substr(span.offset + span.key_length, span.value_length)};
    }

private:
    struct Span {
        std::size_t offset;
        std::size_t key_length;
        std::size_t value_length;
    };
    LargeText bytes_;
    std::vector<Span, LargeBlockAllocator<Span>> spans_;
};

// Hands a PO file's entries on (to the catalog being written, or to be kept until it is) and prints
// its findings on standard error.
template <typename Entries>
class CompileSink : public PoCatalogSink {
public:
    CompileSink(const std::string &path, Entries &entries) : printer_(stderr, path), entries_(entries) {}

    void entry(std::string_view key, std::string_view value, std::uint64_t) override { entries_.add(key, value); }
    void finding(const Finding &finding) override { printer_.finding(finding); }

private:
    FindingPrinter printer_;
    Entries &entries_;
};

struct CompileRequest {
    PoOptions options;
    std::string output;
    std::string input;
};

// Gives status_clean when the words make a request, else prints the usage error and gives its status.
int parse_request(const Messages &messages, const Arguments &words, CompileRequest &request) {
    CommandLine line;
    if (!read_command_line(messages, "compile", words,
                           {{'\0', "use-fuzzy", nullptr}, {'\0', "keep-charset", nullptr}, {'\0', "keys", "msgid or msgctxt"},
                            {'o', "output", "a CATALOG"}, {'\0', "target", "a PLATFORM"}},
                           line)) {
        return status_trouble;
    }
    for (const GivenOption &option : line.options) {
        if (option.is("use-fuzzy")) request.options.use_fuzzy = true;
        if (option.is("keep-charset")) request.options.keep_charset = true;
        if (option.is("output")) request.output = option.value;
        if (option.is("target") && !inttypes_target_named(option.value, request.options.target)) {
            return messages.usage_error("compile: --target takes linux (lp64) or windows (mingw), not '" + option.value + "'");
        }
        if (!option.is("keys")) continue;
        if (option.value != "msgid" && option.value != "msgctxt") {
            return messages.usage_error("compile: --keys takes msgid or msgctxt, not '" + option.value + "'");
        }
        request.options.keys = option.value == "msgid" ? PoKeys::msgid : PoKeys::msgctxt;
    }
    if (request.output.empty()) return messages.usage_error("compile: no -o CATALOG given");
    if (line.operands.size() != 1) return messages.usage_error("compile: give exactly one INPUT");
    request.input = line.operands[0];
    return status_clean;
}

// A file this large is read a piece at a time while its catalog is written, when it can be: its
// bytes, like its entries, are then never all in memory at once, and the memory filled is a buffer
// of a megabyte rather than the whole file (filling fresh memory is much of a compile's time).
constexpr std::uint64_t pieces_from_size = std::uint64_t{4} << 20;
constexpr std::size_t header_piece = std::size_t{64} << 10;

// Compiles a large PO file read in pieces. Empty when the file is not one to read so (small, not a
// regular file, not plainly UTF-8 from its header on, or where no temporary file can be made beside
// the output): the caller then reads it whole, and says what it says about it.
std::optional<int> compile_po_in_pieces(const Messages &messages, const CompileRequest &request) {
    // Looked at before it is opened: a FIFO opened only to look would lose what its writer sent.
    std::uint64_t size = 0;
    if (!regular_file_size(request.input.c_str(), size) || size < pieces_from_size || size > max_source_size) return std::nullopt;
    PathKind kind = PathKind::missing;
    std::FILE *file = open_regular_file(request.input.c_str(), kind);
    if (!file) return std::nullopt;
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> closer{file, std::fclose};
    bool regular = false;
    if (!open_file_status(file, size, regular) || !regular || size < pieces_from_size || size > max_source_size) return std::nullopt;
    std::setvbuf(file, nullptr, _IONBF, 0);  // the pieces are read straight into the reader's buffer
    // Its start: the header must say UTF-8, as a file read whole would have found it to be.
    std::string start(header_piece, '\0');
    start.resize(std::fread(&start[0], 1, start.size(), file));
    if (std::ferror(file) || starts_with_catalog_magic(start.data(), start.size()) || !po_declares_utf8(start) ||
        std::fseek(file, 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
    int read_error = 0;
    const auto next = [&](char *buffer, std::size_t room) {
        const std::size_t got = std::fread(buffer, 1, room, file);
        if (got == 0 && std::ferror(file)) read_error = errno ? errno : EIO;
        return got;
    };
    const auto produce = [&](CatalogStream &catalog) {
        CompileSink<CatalogStream> sink{request.input, catalog};
        const PoSummary summary = read_po_catalog_pieces(next, static_cast<std::size_t>(size), request.options, sink);
        if (read_error != 0) {
            messages.file_trouble(request.input, std::string("cannot read: ") + std::strerror(read_error));
            return status_trouble;
        }
        return summary.errors == 0 ? status_clean : status_findings;
    };
    return write_compiled_streamed(messages.program(), request.output.c_str(), produce);
}

}  // namespace

// compile [--use-fuzzy] [--keys=msgid|msgctxt] [--keep-charset] -o CATALOG INPUT
int run_compile(const Messages &messages, const Arguments &words) {
    CompileRequest request;
    if (const int status = parse_request(messages, words, request); status != status_clean) return status;
    const bool same = same_file(request.output.c_str(), request.input.c_str());
    if (is_po_path(request.input) && !same) {
        if (const std::optional<int> status = compile_po_in_pieces(messages, request)) return *status;
    }
    SourceFile input;
    if (!read_source_or_report(messages, request.input, input)) return status_trouble;
    if (same) {
        messages.file_trouble(request.output, "CATALOG and INPUT are the same file");
        return status_findings;  // nothing is written, as vellmake does
    }
    if (is_po_path(request.input)) {
        // The entries go straight into the new catalog's temporary file as they are read; a file
        // with errors leaves nothing. Only where no temporary file can be made are they kept first.
        const auto produce = [&](CatalogStream &catalog) {
            CompileSink<CatalogStream> sink{request.input, catalog};
            return read_po_catalog(input.bytes.get(), input.size, request.options, sink).errors == 0 ? status_clean : status_findings;
        };
        if (const std::optional<int> status = write_compiled_streamed(messages.program(), request.output.c_str(), produce)) {
            return *status;
        }
        PackedEntries entries{input.size};
        CompileSink<PackedEntries> sink{request.input, entries};
        const PoSummary summary = read_po_catalog(input.bytes.get(), input.size, request.options, sink);
        if (summary.errors != 0) return status_findings;  // nothing is written
        input.bytes.reset();
        return write_compiled(messages.program(), request.output.c_str(), entries.size(),
                              [&entries](std::size_t index) { return entries.at(index); }, CompileVoice::vellix);
    }
    CatalogEntries entries;
    if (!collect_source_entries(messages.program(), request.input.c_str(), input, entries)) throw std::bad_alloc();
    input.bytes.reset();
    return write_compiled(messages.program(), request.output.c_str(), entries, CompileVoice::vellix);
}

}  // namespace vellix
