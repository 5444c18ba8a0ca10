#include "replace_file.h"

#include "catalog_writer.h"
#include "file_system.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vellix {
namespace {

// Where the catalog goes, as found before anything is written.
struct OutputTarget {
    std::string path;        // the output, or the file its symbolic link names
    bool in_place = false;   // not a regular file: written where it is
    unsigned mode = 0;       // POSIX permissions for the new file
};

struct TempFile {
    std::string path;
    std::FILE *file = nullptr;
};

std::string directory_of(const std::string &path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string name_of(const std::string &path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

#ifdef _WIN32

// Sets errno to the nearest meaning of a Windows error, so that messages can name the reason; false.
bool fail_with_windows_error(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED: errno = EACCES; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_WRITE_PROTECT: errno = EROFS; break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: errno = EBUSY; break;
    case ERROR_FILE_TOO_LARGE: errno = EFBIG; break;
    default: errno = EIO; break;
    }
    return false;
}

// A link is replaced by what it names, never by a file of its own.
std::string resolve_links(const char *path) {
    const std::wstring wide = wide_path(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return path;
    wchar_t final_path[32768];
    const DWORD length = GetFinalPathNameByHandleW(handle, final_path, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(handle);
    if (length == 0 || length >= 32768) return path;
    return utf8_from_wide(final_path);
}

bool inspect_output(const char *output_path, OutputTarget &target) {
    target.path = resolve_links(output_path);
    const std::wstring wide = wide_path(target.path.c_str());
    if (names_reserved_device(wide)) {
        target.in_place = true;
        return true;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // a new file
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        errno = EISDIR;
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) return fail_with_windows_error(ERROR_ACCESS_DENIED);
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || fail_with_windows_error(error);  // held: the rename copes
    }
    target.in_place = GetFileType(handle) != FILE_TYPE_DISK;
    CloseHandle(handle);
    return true;
}

std::FILE *stream_of(HANDLE handle, int flags) {
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY | _O_NOINHERIT);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE *file = _fdopen(descriptor, "wb");
    if (!file) _close(descriptor);
    return file;
}

// A name beside `path` that no other process picks: the process ID and a counter.
std::wstring sibling_name(const std::string &path, const char *suffix) {
    static unsigned counter = 0;
    const std::string name = directory_of(path) + "\\." + name_of(path) + "." + std::to_string(GetCurrentProcessId()) +
                             "-" + std::to_string(++counter) + "-" + std::to_string(GetTickCount()) + suffix;
    return wide_path(name.c_str());
}

bool create_temp_beside(const OutputTarget &target, TempFile &temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = sibling_name(target.path, ".tmp");
        HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS) continue;
            return fail_with_windows_error(error);
        }
        temp.path = utf8_from_wide(name.c_str());
        temp.file = stream_of(handle, _O_WRONLY);
        if (!temp.file) DeleteFileW(name.c_str());
        return temp.file != nullptr;
    }
    return false;
}

std::FILE *open_in_place(const std::string &path) { return open_file(path.c_str(), "wb"); }

void remove_file(const std::string &path) { DeleteFileW(wide_path(path.c_str()).c_str()); }

int duplicate_descriptor(std::FILE *file) { return _dup(_fileno(file)); }

// _commit asks Windows to write the file's buffers to the disk (FlushFileBuffers).
bool sync_and_close(int descriptor) {
    const bool synced = _commit(descriptor) == 0;
    return _close(descriptor) == 0 && synced;
}

// The rename itself is written through (MOVEFILE_WRITE_THROUGH): nothing more to sync.
void sync_directory(const std::string &) {}

// Deletes a file now, or, while others hold it, as soon as the last of them closes it.
void delete_when_released(const std::wstring &path) {
    if (DeleteFileW(path.c_str())) return;
    HANDLE handle = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return;
    }
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// A replacing rename fails while another process has the target open, whatever its sharing; a
// file opened with delete sharing can still be moved aside, so the old file goes aside first and is
// deleted once no one holds it (at once, when its holders allowed deletion).
bool move_over_held_file(const std::wstring &from, const std::wstring &to, const std::string &target_path) {
    const std::wstring aside = sibling_name(target_path, ".old");
    if (!MoveFileExW(to.c_str(), aside.c_str(), 0)) return false;
    // Another compiler may have put its catalog there meanwhile: the newer one wins either way.
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        // Put the old catalog back unless another one took its place; never leave it lying aside.
        if (!MoveFileExW(aside.c_str(), to.c_str(), 0)) delete_when_released(aside);
        return false;
    }
    delete_when_released(aside);
    return true;
}

bool rename_over(const std::string &from, const std::string &to) {
    const std::wstring wide_from = wide_path(from.c_str());
    const std::wstring wide_to = wide_path(to.c_str());
    // Another process (a virus scanner, a program loading the catalog) may hold the target for a
    // moment: try for about two seconds.
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) {
            return fail_with_windows_error(error);
        }
        if (move_over_held_file(wide_from, wide_to, to)) return true;
        Sleep(50);
    }
    return fail_with_windows_error(ERROR_SHARING_VIOLATION);
}

#else

// A link is replaced by what it names, never by a file of its own; a chain is followed to its end.
std::string resolve_links(const char *output_path) {
    std::string path = output_path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status;
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        std::string target(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 4096) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(length));
        path = target.front() == '/' ? target : directory_of(path) + "/" + target;
    }
    return path;
}

bool inspect_output(const char *output_path, OutputTarget &target) {
    target.path = resolve_links(output_path);
    const mode_t mask = umask(0);
    umask(mask);
    target.mode = 0666 & ~mask;
    struct stat status;
    if (stat(target.path.c_str(), &status) != 0) return true;  // a new file
    if (!S_ISREG(status.st_mode)) {
        target.in_place = true;
        return true;
    }
    // An output that could not be written in place is not replaced behind its back either.
    const int descriptor = open(target.path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    close(descriptor);
    target.mode = status.st_mode & 07777;
    return true;
}

bool create_temp_beside(const OutputTarget &target, TempFile &temp) {
    std::string name = directory_of(target.path) + "/." + name_of(target.path) + ".XXXXXX";
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) return false;
    fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    fchmod(descriptor, static_cast<mode_t>(target.mode));
    temp.file = fdopen(descriptor, "wb");
    if (!temp.file) {
        close(descriptor);
        unlink(name.c_str());
        return false;
    }
    temp.path = name;
    return true;
}

// Non-blocking, so that a FIFO without a reader fails at once instead of hanging.
std::FILE *open_in_place(const std::string &path) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    const int flags = fcntl(descriptor, F_GETFL);
    std::FILE *file = flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0 ? nullptr : fdopen(descriptor, "wb");
    if (!file) close(descriptor);
    return file;
}

void remove_file(const std::string &path) { unlink(path.c_str()); }

int duplicate_descriptor(std::FILE *file) { return fcntl(fileno(file), F_DUPFD_CLOEXEC, 0); }

bool sync_and_close(int descriptor) {
    const bool synced = fsync(descriptor) == 0;
    return close(descriptor) == 0 && synced;
}

// The rename is an entry of the directory: until the directory is synced, a power loss may undo it.
// A directory that cannot be opened or synced (some file systems refuse) leaves the rename as it is.
void sync_directory(const std::string &directory) {
    const int descriptor = open(directory.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return;
    fsync(descriptor);
    close(descriptor);
}

bool rename_over(const std::string &from, const std::string &to) { return rename(from.c_str(), to.c_str()) == 0; }

#endif

// Has `write` write the temporary file and close it, then syncs it through a second descriptor that
// outlives the stream; true when all of that succeeded. On failure, errno says why the first step
// that failed did.
bool write_and_sync(TempFile &temp, const std::function<bool(std::FILE *)> &write) {
    const int sync_descriptor = duplicate_descriptor(temp.file);
    const int dup_reason = errno;
    const bool written = write(temp.file);
    const int write_reason = errno;
    const bool synced = sync_descriptor >= 0 && sync_and_close(sync_descriptor);
    if (!written) errno = write_reason;
    if (sync_descriptor < 0) errno = dup_reason;
    return synced && written;
}

// Writes the pieces of a text to the stream, flushes and closes it; true when all of that succeeded.
bool write_text(std::FILE *file, const std::vector<std::string_view> &pieces) {
    bool written = true;
    for (const std::string_view piece : pieces) written = written && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    const bool flushed = std::fflush(file) == 0;
    return std::fclose(file) == 0 && written && flushed;
}

// Puts the finished temporary file at `to` unless a file is there already.
Creation move_into_place(const std::string &from, const std::string &to) {
#ifdef _WIN32
    if (MoveFileExW(wide_path(from.c_str()).c_str(), wide_path(to.c_str()).c_str(), MOVEFILE_WRITE_THROUGH)) return Creation::created;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Creation::exists;
    fail_with_windows_error(error);
    return Creation::failed;
#else
    // A link never replaces its target; the temporary name goes once the file has its own.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return Creation::created;
    }
    if (errno == EEXIST) return Creation::exists;
    // A file system without links (FAT, some network shares): create the name exclusively.
    const int descriptor = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return errno == EEXIST ? Creation::exists : Creation::failed;
    close(descriptor);
    return rename(from.c_str(), to.c_str()) == 0 ? Creation::created : Creation::failed;
#endif
}

}  // namespace

bool replace_file(const char *output_path, const std::function<bool(std::FILE *)> &write, Fallback fallback) {
    OutputTarget target;
    if (!inspect_output(output_path, target)) return false;
    if (target.in_place && fallback == Fallback::none) {
        errno = ENOTSUP;
        return false;
    }
    TempFile temp;
    if (!target.in_place && !create_temp_beside(target, temp) && fallback != Fallback::write_in_place) return false;
    if (target.in_place || !temp.file) {
        std::FILE *file = open_in_place(target.path);
        return file && write(file);
    }
    if (write_and_sync(temp, write) && rename_over(temp.path, target.path)) {
        sync_directory(directory_of(target.path));
        return true;
    }
    const int reason = errno;
    remove_file(temp.path);
    errno = reason;
    return false;
}

Creation create_file_with_text(const std::string &path, const std::string &text) {
    OutputTarget target;
    inspect_output(path.c_str(), target);  // where the temporary file goes, and the new file's permissions
    TempFile temp;
    if (!create_temp_beside(target, temp)) return Creation::failed;
    const auto write = [&text](std::FILE *file) { return write_text(file, {text}); };
    const Creation created = write_and_sync(temp, write) ? move_into_place(temp.path, path) : Creation::failed;
    const int reason = errno;
    if (created != Creation::created) remove_file(temp.path);
    errno = reason;
    if (created == Creation::created) sync_directory(directory_of(path));
    return created;
}

bool replace_file_with_catalog(const char *output_path, const i18n *handle) {
    return replace_file(output_path, [handle](std::FILE *file) { return write_catalog(handle, file); });
}

bool replace_file_with_text(const std::string &output_path, const std::vector<std::string_view> &pieces) {
    return replace_file(output_path.c_str(), [&pieces](std::FILE *file) { return write_text(file, pieces); }, Fallback::refuse);
}

}  // namespace vellix
