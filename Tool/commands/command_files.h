// A command's files: reading its inputs or saying why not (a source or PO file whole, a compiled
// catalog entry by entry, what kind of file a path holds), and writing its output.
#ifndef VELLIX_COMMAND_FILES_H
#define VELLIX_COMMAND_FILES_H

#include "catalog_reader.h"
#include "input_file.h"
#include "messages.h"
#include "po_file.h"
#include "po_writer.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

// Whether the file begins with the catalog magic; false also when it cannot be opened.
bool has_catalog_magic(const std::string &path);

// Reads a source or PO file whole, or says why not (a compiled catalog is no source).
bool read_source_or_report(const Messages &messages, const std::string &path, SourceFile &file);
// The same for a file read already: true when it was read and is no compiled catalog.
bool source_usable_or_report(const Messages &messages, const std::string &path, const SourceFile &file);

// Reads a PO file whole, converted to UTF-8 when it is in another charset (file.charset then names
// it), its syntax errors printed as findings on standard error; gives
// status_clean, status_trouble when it cannot be read, status_findings when it has errors.
int read_po_or_report(const Messages &messages, const std::string &path, PoFile &file);

// Writes `text` to standard output when `path` is empty, else replaces the file at `path` with it;
// gives status_clean, or status_findings after saying why it could not.
int write_output(const Messages &messages, const std::string &path, const std::string &text);
// The same with a text given in pieces, written one after the other.
int write_output(const Messages &messages, const std::string &path, const std::vector<std::string_view> &pieces);

// The same for PO text read from a file in `charset` (PoFile::charset): written back in that charset,
// or refused, nothing written, where it holds characters the charset lacks.
int write_po_output(const Messages &messages, const std::string &path, const std::string &text, const std::string &charset);

// The same for a file whose entries `make` adds to a PoText: written to `path` in pieces as they
// are made (replaced whole once all are written, never in place), or, for standard output (an
// empty path) or a file kept in another charset, whole once made.
int write_po_entries(const Messages &messages, const std::string &path, const std::string &charset,
                     const std::function<void(PoText &text)> &make);

// Hands a catalog's entries to `visitor`, or says why it cannot be read.
bool read_catalog_or_report(const Messages &messages, const std::string &path, CatalogVisitor &visitor,
                            CatalogReport &report);

}  // namespace vellix

#endif
