#include "test_support.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char **environ;
#endif

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace vellix_test {

namespace {
int process_id() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}
}  // namespace

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("vellix-test-" + std::to_string(process_id()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(path_)) return;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string text_of(const std::string &path) {
    const Bytes bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

Bytes to_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string every_byte_but_nul() {
    std::string bytes;
    for (int byte = 1; byte <= 0xFF; ++byte) bytes.push_back(static_cast<char>(byte));
    return bytes;
}

namespace {
void append_length(Bytes &bytes, std::uint64_t length) {
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<unsigned char>(length >> (8 * i)));
}

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
}  // namespace

Bytes catalog_bytes(const std::vector<std::pair<std::string, std::string>> &entries) {
    Bytes bytes{0x7F, '1', '8', 'C', 0x01, 0x00, 0x00};
    for (const auto &[key, value] : entries) {
        append_length(bytes, key.size());
        bytes.insert(bytes.end(), key.begin(), key.end());
        append_length(bytes, value.size());
        bytes.insert(bytes.end(), value.begin(), value.end());
    }
    append_length(bytes, entries.size());
    return bytes;
}

Bytes with_length_at(Bytes bytes, std::size_t offset, std::uint64_t length) {
    for (std::size_t i = 0; i < 8; ++i) bytes.at(offset + i) = static_cast<unsigned char>(length >> (8 * i));
    return bytes;
}

Bytes with_count(const Bytes &bytes, std::uint64_t count) { return with_length_at(bytes, bytes.size() - 8, count); }

#ifdef _WIN32
namespace {
// Quotes one argument so that the C runtime's command-line parser gives it back unchanged.
std::string quote_argument(const std::string &arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

// Standard output and error are text streams, which end lines with CR LF on Windows; the tests
// compare lines as the program wrote them.
std::string text_lines(const std::string &written) {
    std::string lines;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (!(written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n')) lines += written[i];
    }
    return lines;
}

// Arguments and variables are UTF-8 in the tests, as the programs take them; Windows wants UTF-16.
std::wstring wide(const std::string &utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text.data(), length);
    text.pop_back();
    return text;
}

HANDLE inheritable_file(const std::string &path) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
}  // namespace

RunResult run_program(const std::string &program, const std::vector<std::string> &args) {
    TempDir outputs;
    const std::string out_path = outputs.file("stdout");
    const std::string err_path = outputs.file("stderr");
    std::string command_line;
    for (const std::string &arg : args) command_line += (command_line.empty() ? "" : " ") + quote_argument(arg);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritable_file(out_path);
    startup.hStdError = inheritable_file(err_path);
    PROCESS_INFORMATION process{};
    std::wstring writable = wide(command_line);
    const BOOL started = CreateProcessW(wide(program).c_str(), writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) throw std::runtime_error("cannot start " + program);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 0;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);

    RunResult result;
    result.status = static_cast<int>(exit_code);
    result.out = text_lines(slurp(out_path));
    result.err = text_lines(slurp(err_path));
    return result;
}

void set_env(const char *name, const std::string &value) { _wputenv_s(wide(name).c_str(), wide(value).c_str()); }

// An empty value removes the variable on Windows.
void unset_env(const char *name) { _wputenv_s(wide(name).c_str(), L""); }
#else
RunResult run_program(const std::string &program, const std::vector<std::string> &args) {
    TempDir outputs;
    const std::string out_path = outputs.file("stdout");
    const std::string err_path = outputs.file("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char *> argv;
    for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);

    RunResult result;
    pid_t child = 0;
    const int spawn_error = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawn_error != 0) throw std::runtime_error("cannot start " + program);
    int wait_status = 0;
    if (waitpid(child, &wait_status, 0) != child) throw std::runtime_error("lost " + program);
    if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    return result;
}

void set_env(const char *name, const std::string &value) { setenv(name, value.c_str(), 1); }

void unset_env(const char *name) { unsetenv(name); }
#endif

CLocale::CLocale() : saved_(std::setlocale(LC_ALL, nullptr)) { std::setlocale(LC_ALL, "C"); }

CLocale::~CLocale() { std::setlocale(LC_ALL, saved_.c_str()); }

ScopedEnv::ScopedEnv(const char *name) : name_(name) {
    if (const char *value = std::getenv(name)) saved_ = value;
}

ScopedEnv::~ScopedEnv() {
    if (saved_) {
        set_env(name_.c_str(), *saved_);
    } else {
        unset_env(name_.c_str());
    }
}

}  // namespace vellix_test
