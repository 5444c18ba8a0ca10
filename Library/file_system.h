// Files and the environment by UTF-8 name on every platform. On Windows, names are turned into
// UTF-16 and opened with the wide-character functions, so that no path is ever read in the ANSI code
// page and mapped to another file; long paths work there too.
#ifndef VELLIX_FILE_SYSTEM_H
#define VELLIX_FILE_SYSTEM_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace vellix {

// What a path named when it was opened for reading a catalog.
enum class PathKind { regular, missing, directory, fifo, socket, device, other };

// "a directory", "a FIFO", "a special file" ... for a kind that is not a regular file; "" for regular and missing.
const char *describe_path_kind(PathKind kind);

// std::fopen by UTF-8 path. On Windows, bytes that are not valid UTF-8 are read in the ANSI code
// page instead, and the stream is not inherited by child processes.
std::FILE *open_file(const char *path, const char *mode);

// Opens `path` for binary reading only when it names a regular file; a directory, FIFO, socket or
// device gives null without ever blocking, and `kind` says what the path named. The stream is
// close-on-exec (not inherited on Windows) and, on Windows, lets other processes read, rename or
// delete the file while it is open.
std::FILE *open_regular_file(const char *path, PathKind &kind);

// The size an open file's status gives, without moving the stream, and whether it is a regular
// file (a pipe or a device has no size worth trusting); false when the status cannot be had.
bool open_file_status(std::FILE *file, std::uint64_t &size, bool &regular);

// Whether `path` names a regular file (through links), and its size, found without opening it:
// opening a FIFO only to look would take what its writer sends.
bool regular_file_size(const char *path, std::uint64_t &size);

// The environment variable as UTF-8 (read as UTF-16 on Windows); false when it is not set.
bool read_environment(const char *name, std::string &value);

// `bytes` as UTF-8: on Windows, bytes that are not valid UTF-8 are read in the ANSI code page;
// elsewhere they are kept as they are.
std::string as_utf8(const char *bytes);

// The directory of the running program's executable file, as UTF-8; false where it cannot be found
// (only Linux and Windows say).
bool executable_directory(std::string &directory);

#ifdef _WIN32
// UTF-16 as UTF-8.
std::string utf8_from_wide(const wchar_t *wide);

// A path for the wide-character functions: UTF-8 (or, failing that, the ANSI code page) as UTF-16,
// and a path of MAX_PATH characters or more as an absolute "\\?\" path.
std::wstring wide_path(const char *path);

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices in every directory, with any extension.
bool names_reserved_device(const std::wstring &path);
#endif

}  // namespace vellix

#endif
