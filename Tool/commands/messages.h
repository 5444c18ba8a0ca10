// What every command of `vellix` shares: the exit statuses, its arguments and where its messages go.
#ifndef VELLIX_MESSAGES_H
#define VELLIX_MESSAGES_H

#include <string>
#include <vector>

namespace vellix {

// The exit statuses of every command, as --help, the man page and the README state them.
constexpr int status_clean = 0;     // done
constexpr int status_findings = 1;  // the input has errors, findings that fail, or the output cannot be written
constexpr int status_trouble = 2;   // a usage error, or a file that cannot be read

// A command's arguments, after the command's name.
using Arguments = std::vector<std::string>;

// Where messages go and what the program calls itself.
class Messages {
public:
    explicit Messages(const char *program) : program_(program) {}
    const char *program() const { return program_; }

    // "PROGRAM: TEXT" on standard error, after what standard output holds.
    void say(const std::string &text) const;
    // The same, for trouble; gives status_trouble.
    int trouble(const std::string &text) const;
    // The same and a pointer to --help; gives status_trouble.
    int usage_error(const std::string &text) const;
    // "PROGRAM: PATH: TEXT"; gives status_trouble.
    int file_trouble(const std::string &path, const std::string &text) const;
    // "PROGRAM: cannot write PATH: REASON"; gives status_findings, as an output that cannot be
    // written fails the command.
    int cannot_write(const std::string &path, const std::string &reason) const;

private:
    const char *program_;
};

}  // namespace vellix

#endif
