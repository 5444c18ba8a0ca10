// Writing a compiled catalog to its OUTPUT so that nothing is ever lost: a reader, another compiler
// or a full disk sees the old catalog or the new one, never a part of either.
#ifndef VELLIX_CATALOG_OUTPUT_H
#define VELLIX_CATALOG_OUTPUT_H

#include "vellix.h"

#include <cstdio>
#include <functional>

namespace vellix {

// Whether both paths name one existing file (device and inode, or volume and file ID on Windows).
bool same_file(const char *first_path, const char *second_path);

// Writes the handle's catalog to a temporary file in the directory of `output_path` (of the file it
// links to, for a symbolic link) and renames it over that file only once every byte was written,
// flushed and closed; on any failure the temporary file is removed and the output is untouched.
// An output that is not a regular file (a device, a FIFO), or in a directory where no temporary
// file can be made, is written in place; a FIFO without a reader fails instead of blocking. An
// existing output that cannot be opened for writing is refused. True when the catalog was written.
bool write_catalog_output(const i18n *handle, const char *output_path);

// The same with the catalog written by `write`, which must write the whole file and close it.
bool write_catalog_output(const std::function<bool(std::FILE *)> &write, const char *output_path);

}  // namespace vellix

#endif
