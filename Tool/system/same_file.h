// Whether two paths name one file, so that a command never writes over what it reads.
#ifndef VELLIX_SAME_FILE_H
#define VELLIX_SAME_FILE_H

namespace vellix {

// Whether both paths name one existing file (device and inode, or volume and file ID on Windows).
bool same_file(const char *first_path, const char *second_path);

}  // namespace vellix

#endif
