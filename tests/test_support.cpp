#include "test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char **environ;

namespace vellix_test {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("vellix-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
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

Bytes to_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

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

}  // namespace vellix_test
