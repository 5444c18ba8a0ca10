// Replacing a file whole (a compiled catalog, a PO file) so that nothing is ever lost: a reader,
// another compiler, a full disk or a power loss leaves the old file or the new one, never a part of
// either.
#ifndef VELLIX_REPLACE_FILE_H
#define VELLIX_REPLACE_FILE_H

#include "vellix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

// Has `write` write a temporary file in the directory of `output_path` (of the file it links to, for
// a symbolic link) and renames it over that file only once every byte was written, flushed, closed
// and synced to the disk; the directory is synced after the rename. On any failure the temporary
// file is removed and the output is untouched.
// An output that is not a regular file (a device, a FIFO), or in a directory where no temporary
// file can be made, is written in place; a FIFO without a reader fails instead of blocking. An
// existing output that cannot be opened for writing is refused. `write` must write the whole file,
// flush and close it, and say whether all of that succeeded. True when the file was replaced.
// With `Fallback::refuse`, a regular file is never written in place: where no temporary file can be
// made beside it, it is left as it is and the call fails. On failure, errno says why (as the step
// that failed left it: EFBIG for a file-size limit, ENOSPC for a full disk, EACCES, ...).
// With `Fallback::none`, nothing is ever written in place: an output that is not a regular file, or
// one where no temporary file can be made, fails without `write` being called, so a `write` that
// gives up halfway leaves no trace.
enum class Fallback { write_in_place, refuse, none };
bool replace_file(const char *output_path, const std::function<bool(std::FILE *)> &write,
                  Fallback fallback = Fallback::write_in_place);

// The same with the handle's catalog.
bool replace_file_with_catalog(const char *output_path, const i18n *handle);

// The same with a text given in pieces, written one after the other; the text may be a translator's
// only copy of their work: never written in place over a regular file, so that a failed write cannot
// cut it short.
bool replace_file_with_text(const std::string &output_path, const std::vector<std::string_view> &pieces);

// Why a write failed, for a message, from the errno the functions above leave: the system's text,
// but on Windows for EBUSY (a sharing violation): another program holds the file open.
inline std::string write_failure_reason(int error) {
#ifdef _WIN32
    if (error == EBUSY) return "another program holds it open (close it, or wait, and try again)";
#endif
    return std::strerror(error);
}

// Creates the file at `path` holding `text`, whole or not at all, only if no file is there: of two
// processes creating one file at once, one gets `exists`. The file is written, synced and then
// linked (moved, on Windows) into place without replacing anything. When it fails, errno says why.
enum class Creation { created, exists, failed };
Creation create_file_with_text(const std::string &path, const std::string &text);

}  // namespace vellix

#endif
