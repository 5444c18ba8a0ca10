// vellix_snprintf and vellix_fprintf: positional arguments everywhere, glibc's output byte for byte,
// and nothing written for a format printf could misread.
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Every row of the table formats these arguments (positions 1 to 8).
#define FIXED_ARGUMENTS 7, "abc", -7L, 3000000000u, static_cast<size_t>(12), 'x', 1.5, static_cast<void *>(nullptr)

TEST(FormatOutput, PositionalAndPlainConversionsOnEveryPlatform) {
    const struct Row {
        const char *format, *expected;
    } rows[] = {
        {"%2$s has %1$d", "abc has 7"},
        {"%1$d %1$d", "7 7"},  // one argument read twice as one type
        {"%2$-6s|%1$+05d", "abc   |+0007"},
        {"%3$ld %2$s %1$x", "-7 abc 7"},
        {"%4$u %3$ld %2$.2s %1$#o", "3000000000 -7 ab 07"},
        {"%5$zu %4$X %3$li %2$s %1$c", "12 B2D05E00 -7 abc \a"},
        {"%2$*1$s|%2$-*1$s|", "    abc|abc    |"},
        {"%1$.*1$d|%1$0*1$d|%1$-*1$.3d|", "0000007|0000007|007    |"},
        {"%1$d%2$s%3$ld%4$u%5$zu%6$c%6$c", "7abc-7300000000012xx"},
        {"%7$.2f %7$g %1$d%2$s%3$ld%4$u%5$zu%6$c", "1.50 1.5 7abc-7300000000012x"},
        {"%8$p|%8$8p|%7$g%6$c%5$zu%4$u%3$ld%2$s%1$d", "(nil)|   (nil)|1.5x123000000000-7abc7"},
        {"%d%% of %s", "7% of abc"},
        {"%1$5d|%1$-5d|%1$05d|%1$+d|%1$ d|%1$.3d|%1$.0d", "    7|7    |00007|+7| 7|007|7"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.format);
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(vellix_snprintf(buffer, sizeof buffer, row.format, FIXED_ARGUMENTS),
                  static_cast<int>(std::strlen(row.expected)));
        EXPECT_STREQ(buffer, row.expected);
    }
}

TEST(FormatOutput, TruncatesAsSnprintfDoes) {
    const struct Row {
        std::size_t size;
        const char *expected;
    } rows[] = {{1, ""}, {4, "abc"}, {9, "abc has "}, {10, "abc has 7"}, {11, "abc has 7"}};
    for (const Row &row : rows) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(vellix_snprintf(buffer, row.size, "%2$s has %1$d", 7, "abc"), 9);
        EXPECT_STREQ(buffer, row.expected);
        EXPECT_EQ(buffer[row.size], '#');  // nothing past the size
    }
    EXPECT_EQ(vellix_snprintf(nullptr, 0, "%2$s has %1$d", 7, "abc"), 9);
}

TEST(FormatOutput, RefusesWhatPrintfCouldMisread) {
    const char *const formats[] = {
        "%1$d %s",    // positions mixed with plain conversions
        "%d %2$s",
        "%1$*d",      // the width read in turn, the value by position
        "%2$s",       // position 1 skipped
        "%1$s %1$d",  // one argument read as two types
        "%n", "%s%hhn",
        "100%",       // a '%' that starts no conversion
        "%y", "%hs", "%hf", nullptr,
    };
    for (const char *format : formats) {
        SCOPED_TRACE(format ? format : "(null)");
        char buffer[16] = "unchanged";
        int unused = 0;
        EXPECT_EQ(vellix_snprintf(buffer, sizeof buffer, format, "abc", &unused), -1);
        EXPECT_STREQ(buffer, "");
    }
}

#ifndef _WIN32
// Random conversions of every kind against glibc's snprintf, plain and by position.
std::string random_conversion(std::mt19937 &random, int slot, bool positional) {
    static const char *const letters[] = {
        "d i u o x X", "s", "f F e E g G a A", "u o x X d i", "d i u o x X", "p", "c", "u d x o X",
    };
    // glibc prints a numbered %qd or %Ld as an int (the low 32 bits of the long long it reads):
    // vellix prints the whole value, so those two are compared in plain formats only.
    const char *const lengths[] = {"|h|hh", "", "|l", "l", positional ? "ll" : "ll|q|L", "", "", "z|Z|j"};
    const auto pick = [&random](const std::string &choices) {
        std::vector<std::string> words;
        std::size_t at = 0;
        for (std::size_t bar; (bar = choices.find_first_of("| ", at)) != std::string::npos; at = bar + 1) {
            words.push_back(choices.substr(at, bar - at));
        }
        words.push_back(choices.substr(at));
        return words[random() % words.size()];
    };
    std::string conversion = "%";
    if (positional) conversion += std::to_string(slot + 1) + "$";
    for (const char flag : std::string("-+ #0")) {
        if (random() % 4 == 0) conversion += flag;
    }
    if (random() % 2) conversion += std::to_string(random() % 25);
    if (random() % 2) conversion += "." + std::to_string(random() % 14);
    return conversion + pick(lengths[slot]) + pick(letters[slot]);
}

TEST(FormatOutput, AgreesWithGlibcOnRandomFormats) {
    std::mt19937 random(20261209);
    const int ints[] = {0, 1, -1, 42, -42, 2147483647, -2147483647 - 1, 255, 65536};
    const char *const strings[] = {"", "abc", "h\xc3\xa9llo w\xc3\xb6rld", nullptr};
    const double doubles[] = {0.0, -0.0, 1.5, -2.25e-7, 1e300, 123456.789, INFINITY, -NAN, 0.1};
    const unsigned long longs[] = {0, 1, 4294967296ul, 18446744073709551615ul};
    const long long long_longs[] = {0, -1, 9223372036854775807ll, -9223372036854775807ll - 1};
    void *const pointers[] = {nullptr, reinterpret_cast<void *>(0x10), reinterpret_cast<void *>(0x7fffdeadbeef)};
    const size_t sizes[] = {0, 12, static_cast<size_t>(-1), static_cast<size_t>(1) << 32};
    for (int round = 0; round < 30000; ++round) {
        const bool positional = round % 3 == 0;
        std::string format = random() % 2 ? "text " : "";
        std::vector<int> order = {0, 1, 2, 3, 4, 5, 6, 7};
        if (positional) std::shuffle(order.begin(), order.end(), random);
        for (const int slot : order) format += random_conversion(random, slot, positional) + (random() % 3 ? " | " : "%%");
        if (positional && random() % 2) format += random_conversion(random, order[0], true);  // one read again
        const int i = ints[random() % std::size(ints)];
        const char *s = strings[random() % std::size(strings)];
        double d = doubles[random() % std::size(doubles)];
        if (random() % 2) {  // any bits at all: subnormals, halfway cases, NaNs with payloads
            const std::uint64_t bits = (static_cast<std::uint64_t>(random()) << 32) | random();
            std::memcpy(&d, &bits, sizeof d);
        }
        const unsigned long l = longs[random() % std::size(longs)];
        const long long ll = long_longs[random() % std::size(long_longs)];
        void *p = pointers[random() % std::size(pointers)];
        const int c = "az \x7f\xe9"[random() % 5];
        const size_t z = sizes[random() % std::size(sizes)];
        char expected[1024], given[1024];
        const std::size_t size = random() % 4 == 0 ? random() % 40 : sizeof given;
        std::memset(given, '#', sizeof given);
        const int expected_length = std::snprintf(expected, size, format.c_str(), i, s, d, l, ll, p, c, z);
        const int given_length = vellix_snprintf(given, size, format.c_str(), i, s, d, l, ll, p, c, z);
        ASSERT_EQ(given_length, expected_length) << format << "\n" << given << "\n" << expected;
        if (size > 0) {
            ASSERT_STREQ(given, expected) << format;
        }
        if (size < sizeof given) {
            ASSERT_EQ(given[size], '#') << format;  // nothing past the size
        }
        // The same format made one printf could misread is refused, with nothing written.
        static const char *const faults[] = {"%n", "%hhn", "%", "%y", "%1$d", "%d", "%10$d", "%1$s"};
        std::string faulty = format;
        const std::string fault = faults[random() % std::size(faults)];
        const bool mixes = fault.find('$') != std::string::npos ? !positional : positional;
        if (fault == "%1$s" || fault == "%10$d") {
            if (!positional) continue;  // read two ways, or a gap: only among numbered arguments
        } else if ((fault == "%1$d" || fault == "%d") && !mixes) {
            continue;
        }
        faulty.insert(random() % 2 || fault == "%" ? faulty.size() : 0, fault);  // a '%' before one would be "%%"
        std::memset(given, '#', sizeof given);
        ASSERT_EQ(vellix_snprintf(given, sizeof given, faulty.c_str(), i, s, d, l, ll, p, c, z), -1) << faulty;
        ASSERT_EQ(given[0], '\0') << faulty;
    }
}

TEST(FormatOutput, WidthsAndPrecisionsFromArgumentsAsGlibc) {
    const char *const formats[] = {"%*d|%-*.*f|%.*s|", "%1$*2$d|%3$*4$.*2$f|%5$.*2$s|"};
    const int numbers[] = {-20, -3, -1, 0, 2, 9};
    for (const int a : numbers) {
        for (const int b : numbers) {
            char expected[256], given[256];
            std::snprintf(expected, sizeof expected, formats[0], a, 42, b, a, 3.14159, b, "strings");
            EXPECT_EQ(vellix_snprintf(given, sizeof given, formats[0], a, 42, b, a, 3.14159, b, "strings"),
                      static_cast<int>(std::strlen(expected)));
            EXPECT_STREQ(given, expected);
            std::snprintf(expected, sizeof expected, formats[1], 42, a, 2.5, b, "strings");
            vellix_snprintf(given, sizeof given, formats[1], 42, a, 2.5, b, "strings");
            EXPECT_STREQ(given, expected) << a << " " << b;
        }
    }
}

TEST(FormatOutput, ErrnoAndLocalizedFlagsAsGlibc) {
    char expected[256], given[256];
    errno = ENOENT;
    std::snprintf(expected, sizeof expected, "%m|%.3m|%-30m|");
    errno = ENOENT;
    EXPECT_EQ(vellix_snprintf(given, sizeof given, "%m|%.3m|%-30m|"), static_cast<int>(std::strlen(expected)));
    EXPECT_STREQ(given, expected);
    EXPECT_EQ(errno, ENOENT);  // left as it was
    std::snprintf(expected, sizeof expected, "%'d %'.2f %ls %lc", 1234567, 1234.5, L"wide", static_cast<wint_t>('w'));
    vellix_snprintf(given, sizeof given, "%'d %'.2f %ls %lc", 1234567, 1234.5, L"wide", static_cast<wint_t>('w'));
    EXPECT_STREQ(given, expected);
}
#endif

TEST(FormatOutput, PrintsToAStreamOrNothing) {
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(vellix_fprintf(file, "%2$s: %1$lu\n", 3ul, "Dateien"), 11);
    const char *mixed = "%1$s %s";  // a translation's format: the compiler cannot see it
    EXPECT_EQ(vellix_fprintf(file, mixed, "refused"), -1);
    EXPECT_EQ(vellix_fprintf(file, "%s", std::string(3000, 'x').c_str()), 3000);  // beyond the first buffer
    std::rewind(file);
    std::string written(4000, '\0');
    written.resize(std::fread(&written[0], 1, written.size(), file));
    std::fclose(file);
    EXPECT_EQ(written, "Dateien: 3\n" + std::string(3000, 'x'));
    EXPECT_EQ(vellix_fprintf(nullptr, "%s", "x"), -1);
    // A stream that cannot be written: the failure is reported, not the length.
    const vellix_test::TempDir directory;
    vellix_test::write_file(directory.file("read-only"), "x");
    std::FILE *read_only = std::fopen(directory.file("read-only").c_str(), "rb");
    ASSERT_NE(read_only, nullptr);
    EXPECT_EQ(vellix_fprintf(read_only, "%s", "text"), -1);
    std::fclose(read_only);
}

}  // namespace
