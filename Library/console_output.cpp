// vellix_printf and vellix_fprintf: vellix_vsnprintf's text written to a stream. On Windows a
// console shows UTF-8 only in the UTF-8 code page, which few consoles use; there the text goes
// through the wide console API instead, so a translation shows whatever the code page.
#include "vellix.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
// Writes `text` to the console behind `stream`; false when the stream is not a console.
bool write_console(std::FILE *stream, const char *text, int length, bool &written) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
    std::fflush(stream);  // what the stream holds goes first
    written = true;
    if (length == 0) return true;
    const int wide_length = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[wide_length > 0 ? wide_length : 1]);
    if (wide_length <= 0 || !wide) {
        written = false;
        return true;
    }
    MultiByteToWideChar(CP_UTF8, 0, text, length, wide.get(), wide_length);
    for (int done = 0; done < wide_length;) {
        DWORD count = 0;
        const DWORD chunk = static_cast<DWORD>(wide_length - done < 16384 ? wide_length - done : 16384);
        if (!WriteConsoleW(handle, wide.get() + done, chunk, &count, nullptr) || count == 0) {
            written = false;
            return true;
        }
        done += static_cast<int>(count);
    }
    return true;
}
#endif

// Writes `length` bytes of `text` to `stream`; false when that fails.
bool write_text(std::FILE *stream, const char *text, int length) {
#ifdef _WIN32
    bool written = false;
    if (write_console(stream, text, length, written)) return written;
#endif
    return std::fwrite(text, 1, static_cast<std::size_t>(length), stream) == static_cast<std::size_t>(length);
}

int print(std::FILE *stream, const char *format, va_list args) {
    if (!stream) return -1;
    char local[512];
    va_list again;
    va_copy(again, args);
    const int length = vellix_vsnprintf(local, sizeof local, format, args);
    const char *text = local;
    std::unique_ptr<char[]> large;
    if (length >= 0 && static_cast<std::size_t>(length) >= sizeof local) {
        large.reset(new (std::nothrow) char[static_cast<std::size_t>(length) + 1]);
        if (large) vellix_vsnprintf(large.get(), static_cast<std::size_t>(length) + 1, format, again);
        text = large.get();
    }
    va_end(again);
    if (length < 0 || !text) return -1;
    return write_text(stream, text, length) ? length : -1;
}

}  // namespace

int vellix_fprintf(FILE *stream, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int length = print(stream, format, args);
    va_end(args);
    return length;
}

int vellix_printf(const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int length = print(stdout, format, args);
    va_end(args);
    return length;
}
