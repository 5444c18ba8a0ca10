// Helpers shared by the test suites: temporary directories, whole-file reads and writes, and
// running a program with its output captured.
#ifndef VELLIX_TEST_SUPPORT_H
#define VELLIX_TEST_SUPPORT_H

#include "vellix.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellix_test {

using Bytes = std::vector<unsigned char>;

// A handle released with vellix_free when it goes.
struct HandleDeleter {
    void operator()(i18n *handle) const { vellix_free(handle); }
};
using Handle = std::unique_ptr<i18n, HandleDeleter>;

// Every byte value from 0x01 to 0xFF, in order.
std::string every_byte_but_nul();

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &path() const { return path_; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

Bytes read_file(const std::string &path);
void write_file(const std::string &path, std::string_view bytes);
Bytes to_bytes(std::string_view text);

// The bytes of a catalog file holding the given (key, value) entries, built from the layout.
Bytes catalog_bytes(const std::vector<std::pair<std::string, std::string>> &entries);

// A catalog whose length field at `offset` is replaced by `length`.
Bytes with_length_at(Bytes bytes, std::size_t offset, std::uint64_t length);

// A catalog whose trailing count is replaced by `count`.
Bytes with_count(const Bytes &bytes, std::uint64_t count);

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` (args[0] is what the program sees as its own name).
RunResult run_program(const std::string &program, const std::vector<std::string> &args);

#ifdef VELLIX_TOOL_PATH
// Runs the companion program with `arguments`, under the name "vellix".
inline RunResult run_tool(const std::vector<std::string> &arguments) {
    std::vector<std::string> argv{"vellix"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run_program(VELLIX_TOOL_PATH, argv);
}
#endif

// A whole file as a string.
std::string text_of(const std::string &path);

// Sets or removes an environment variable of this process.
void set_env(const char *name, const std::string &value);
void unset_env(const char *name);

// Saves an environment variable when made and puts it back (or removes it again) when it goes, so
// that a test may set it freely.
class ScopedEnv {
public:
    explicit ScopedEnv(const char *name);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;
    void set(const std::string &value) const { set_env(name_.c_str(), value); }
    void unset() const { unset_env(name_.c_str()); }

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Puts the process in the "C" locale while it lives and restores the locale it found.
class CLocale {
public:
    CLocale();
    ~CLocale();
    CLocale(const CLocale &) = delete;
    CLocale &operator=(const CLocale &) = delete;

private:
    std::string saved_;
};

}  // namespace vellix_test

#endif
