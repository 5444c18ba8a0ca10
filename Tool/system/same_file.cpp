#include "same_file.h"

#include "file_system.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace vellix {

#ifdef _WIN32
namespace {

bool file_identity(const char *path, BY_HANDLE_FILE_INFORMATION &information) {
    HANDLE handle = CreateFileW(wide_path(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    return known;
}

}  // namespace
#endif

bool same_file(const char *first_path, const char *second_path) {
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION first, second;
    return file_identity(first_path, first) && file_identity(second_path, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
#else
    struct stat first, second;
    return stat(first_path, &first) == 0 && stat(second_path, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
#endif
}

}  // namespace vellix
