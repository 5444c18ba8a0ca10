// The command line as UTF-8 on every platform: on Windows it is read as UTF-16, so that a path in
// any script reaches the programs whatever the ANSI code page, and the console shows UTF-8.
#ifndef VELLIX_PROGRAM_ARGUMENTS_H
#define VELLIX_PROGRAM_ARGUMENTS_H

#include <string>
#include <vector>

namespace vellix {

// The program's arguments, argv[0] included; `argv` itself on POSIX systems.
std::vector<std::string> program_arguments(int argc, char **argv);

// argv[0] as the program was invoked, or `fallback` when there is none.
const char *program_name(const std::vector<std::string> &arguments, const char *fallback);

}  // namespace vellix

#endif
