// The one reader of every command's options, in the GNU style: `-o FILE`, `-oFILE`, `--output=FILE`,
// `--output FILE`, short flags grouped (`-Uq`), `--` ends the options, `-` alone is an operand; any
// other word starting with '-' that is not an option of the command is a usage error naming it.
#ifndef VELLIX_OPTION_READER_H
#define VELLIX_OPTION_READER_H

#include "messages.h"

#include <string>
#include <vector>

namespace vellix {

struct KnownOption {
    char short_name;         // '\0' for none
    const char *long_name;   // without "--"; every option has one
    const char *value_name;  // what the option takes, with its article ("an OUTPUT"); null for a flag
};

struct GivenOption {
    std::string name;   // the long name, however it was written
    std::string value;  // "" for a flag
    bool is(const char *long_name) const { return name == long_name; }
};

struct CommandLine {
    std::vector<GivenOption> options;  // in the order given
    std::vector<std::string> operands;
};

// Reads `words` (the arguments after the command's name) by `known_options`. On a usage error prints
// "vellix: COMMAND: PROBLEM" and a pointer to --help, and gives false.
bool read_command_line(const Messages &messages, const char *command, const Arguments &words,
                       const std::vector<KnownOption> &known_options, CommandLine &line);

}  // namespace vellix

#endif
