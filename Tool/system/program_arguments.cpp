#include "program_arguments.h"

#ifdef _WIN32
#include "file_system.h"

#include <windows.h>
#include <shellapi.h>
#endif

namespace vellix {

std::vector<std::string> program_arguments(int argc, char **argv) {
#ifdef _WIN32
    // Messages name paths in UTF-8, so the console must show UTF-8.
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i) arguments.push_back(utf8_from_wide(wide[i]));
        LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

const char *program_name(const std::vector<std::string> &arguments, const char *fallback) {
    return arguments.empty() ? fallback : arguments[0].c_str();
}

}  // namespace vellix
