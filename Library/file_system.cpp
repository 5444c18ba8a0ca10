#include "file_system.h"

#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cwctype>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vellix {

const char *describe_path_kind(PathKind kind) {
    switch (kind) {
    case PathKind::regular:
    case PathKind::missing:
        return "";
    case PathKind::directory:
        return "a directory";
    case PathKind::fifo:
        return "a FIFO";
    case PathKind::socket:
        return "a socket";
    case PathKind::device:
        return "a device";
    case PathKind::other:
        return "a special file";
    }
    return "";
}

bool open_file_status(std::FILE *file, std::uint64_t &size, bool &regular) {
#ifdef _WIN32
    struct _stat64 status;
    if (_fstat64(_fileno(file), &status) != 0 || status.st_size < 0) return false;
    regular = (status.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || status.st_size < 0) return false;
    regular = S_ISREG(status.st_mode);
#endif
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool regular_file_size(const char *path, std::uint64_t &size) {
#ifdef _WIN32
    const std::wstring wide = wide_path(path);
    if (wide.empty() || names_reserved_device(wide) || wide.compare(0, 4, L"\\\\.\\") == 0) return false;
    struct _stat64 status;
    if (_wstat64(wide.c_str(), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG || status.st_size < 0) return false;
#else
    struct stat status;
    if (stat(path, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) return false;
#endif
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

#ifdef _WIN32
namespace {

std::wstring widen(const char *bytes, UINT code_page, DWORD flags) {
    const int length = MultiByteToWideChar(code_page, flags, bytes, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(code_page, flags, bytes, -1, wide.data(), length);
    wide.pop_back();  // the NUL the count included
    return wide;
}

// UTF-8, or the ANSI code page when the bytes are not valid UTF-8.
std::wstring to_wide(const char *bytes) {
    if (*bytes == '\0') return std::wstring();
    std::wstring wide = widen(bytes, CP_UTF8, MB_ERR_INVALID_CHARS);
    return wide.empty() ? widen(bytes, CP_ACP, 0) : wide;
}

}  // namespace

std::string utf8_from_wide(const wchar_t *wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, bytes.data(), length, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

bool names_reserved_device(const std::wstring &path) {
    const std::size_t slash = path.find_last_of(L"\\/:");
    std::wstring stem = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    stem = stem.substr(0, stem.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t &c : stem) c = static_cast<wchar_t>(std::towupper(c));
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" || stem == L"CONOUT$") {
        return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) && stem[3] >= L'1' &&
           stem[3] <= L'9';
}

// The wide functions take a "\\?\" path up to 32,767 characters long.
std::wstring wide_path(const char *path) {
    std::wstring wide = to_wide(path);
    if (wide.size() < MAX_PATH || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return wide;
    full.resize(written);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::FILE *open_file(const char *path, const char *mode) {
    std::wstring wide_mode = to_wide(mode);
    wide_mode += L'N';  // not inherited by child processes
    return _wfopen(wide_path(path).c_str(), wide_mode.c_str());
}

std::FILE *open_regular_file(const char *path, PathKind &kind) {
    kind = PathKind::missing;
    const std::wstring wide = wide_path(path);
    if (wide.empty()) return nullptr;
    if (names_reserved_device(wide)) {
        kind = PathKind::device;
        return nullptr;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        kind = PathKind::directory;
        return nullptr;
    }
    // Not inherited (no security attributes), and shared so that an installer or a rebuild can
    // rename or delete the catalog while it is loaded.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const DWORD type = GetFileType(handle);
    if (type != FILE_TYPE_DISK) {
        kind = type == FILE_TYPE_PIPE ? PathKind::fifo : type == FILE_TYPE_CHAR ? PathKind::device : PathKind::other;
        CloseHandle(handle);
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE *file = _fdopen(descriptor, "rb");
    if (!file) {
        _close(descriptor);
        return nullptr;
    }
    kind = PathKind::regular;
    return file;
}

bool read_environment(const char *name, std::string &value) {
    const std::wstring wide_name = to_wide(name);
    SetLastError(ERROR_SUCCESS);
    const DWORD needed = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (needed == 0) {
        value.clear();
        return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    std::wstring wide(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), wide.data(), needed);
    if (length == 0 || length >= needed) return false;
    wide.resize(length);
    value = utf8_from_wide(wide.c_str());
    return true;
}

std::string as_utf8(const char *bytes) { return utf8_from_wide(to_wide(bytes).c_str()); }

bool executable_directory(std::string &directory) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return false;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) return false;  // longer than any Windows path
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return false;
    directory = utf8_from_wide(path.substr(0, separator).c_str());
    return true;
}

#else

namespace {

PathKind kind_of(mode_t mode) {
    if (S_ISREG(mode)) return PathKind::regular;
    if (S_ISDIR(mode)) return PathKind::directory;
    if (S_ISFIFO(mode)) return PathKind::fifo;
    if (S_ISSOCK(mode)) return PathKind::socket;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return PathKind::device;
    return PathKind::other;
}

}  // namespace

std::FILE *open_file(const char *path, const char *mode) { return std::fopen(path, mode); }

std::FILE *open_regular_file(const char *path, PathKind &kind) {
    kind = PathKind::missing;
    // Non-blocking, so that a FIFO without a writer or a device does not hang the open.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status;
    if (descriptor < 0) {
        // A socket does not open at all; still say what the path named.
        if (stat(path, &status) == 0 && !S_ISREG(status.st_mode)) kind = kind_of(status.st_mode);
        return nullptr;
    }
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        kind = fstat(descriptor, &status) == 0 ? kind_of(status.st_mode) : PathKind::other;
        close(descriptor);
        return nullptr;
    }
    // O_NONBLOCK stays: it changes nothing for a regular file, and clearing it would cost two calls.
    std::FILE *file = fdopen(descriptor, "rb");
    if (!file) {
        close(descriptor);
        return nullptr;
    }
    kind = PathKind::regular;
    return file;
}

bool read_environment(const char *name, std::string &value) {
    const char *found = std::getenv(name);
    if (!found) return false;
    value = found;
    return true;
}

std::string as_utf8(const char *bytes) { return bytes; }

bool executable_directory(std::string &directory) {
#ifdef __linux__
    // The kernel's name for the running program, with every symbolic link resolved.
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", &path[0], path.size());
        if (length < 0) return false;
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.rfind('/');
    if (path.empty() || path[0] != '/' || separator == std::string::npos) return false;
    directory = separator == 0 ? "/" : path.substr(0, separator);
    return true;
#else
    (void)directory;
    return false;
#endif
}

#endif

}  // namespace vellix
