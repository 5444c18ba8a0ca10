#include "messages.h"

#include <cstdio>

namespace vellix {

void Messages::say(const std::string &text) const {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", program_, text.c_str());
}

int Messages::trouble(const std::string &text) const {
    say(text);
    return status_trouble;
}

int Messages::usage_error(const std::string &text) const {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program_, text.c_str(), program_);
    return status_trouble;
}

int Messages::file_trouble(const std::string &path, const std::string &text) const {
    return trouble(path + ": " + text);
}

int Messages::cannot_write(const std::string &path, const std::string &reason) const {
    trouble("cannot write " + path + ": " + reason);
    return status_findings;
}

}  // namespace vellix
