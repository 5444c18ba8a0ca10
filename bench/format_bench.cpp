// vellix_snprintf beside the C library's snprintf on the same formats and arguments: the plain
// ones a program writes, the numbered ones a translation writes (where the C library has them).
#include "vellix.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

struct Format {
    const char *name, *format;
};
const Format formats[] = {
    {"text", "Saving the document to disk"},
    {"string_int", "%s has %d files"},
    {"mixed", "%-12s|%5lu|%08x|%c|%.3s"},
    {"numbered", "%2$s has %1$d files"},
    {"double", "%.2f%% done, %s left"},
};

// The same arguments for every format: each reads the ones its conversions name.
template <class Print>
void time_format(benchmark::State &state, Print print) {
    const Format &format = formats[state.range(0)];
    state.SetLabel(format.name);
    char buffer[256];
    for (auto _ : state) {
        benchmark::DoNotOptimize(print(buffer, sizeof buffer, format.format));
        benchmark::ClobberMemory();
    }
}

int arguments_of(int (*print)(char *, std::size_t, const char *, ...), char *buffer, std::size_t size,
                 const char *format) {
    if (format[1] == '2') return print(buffer, size, format, 42, "report.txt");
    if (format[1] == '.') return print(buffer, size, format, 99.5, "a minute");
    return print(buffer, size, format, "report.txt", 42ul, 0xbeefu, 'x', "abcdef");
}

void vellix_format(benchmark::State &state) {
    time_format(state, [](char *buffer, std::size_t size, const char *format) {
        return arguments_of(vellix_snprintf, buffer, size, format);
    });
}

void c_library_format(benchmark::State &state) {
    time_format(state, [](char *buffer, std::size_t size, const char *format) {
        return arguments_of(std::snprintf, buffer, size, format);
    });
}

}  // namespace

BENCHMARK(vellix_format)->DenseRange(0, 4);
BENCHMARK(c_library_format)->DenseRange(0, 4);

BENCHMARK_MAIN();
