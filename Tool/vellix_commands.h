// The companion program `vellix`: check, where, dump and stats, as a function tests can call.
#ifndef VELLIX_COMMANDS_H
#define VELLIX_COMMANDS_H

namespace vellix {

// Exit statuses of every command.
constexpr int status_clean = 0;
constexpr int status_findings = 1;
constexpr int status_trouble = 2;  // a usage error, an unreadable file or a damaged catalog

// Runs the command line; gives the exit status.
int run_vellix(int argc, char **argv);

}  // namespace vellix

#endif
