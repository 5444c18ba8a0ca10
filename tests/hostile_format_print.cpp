// Prints texts looked up in a hostile catalog: every kind of conversion, %n, missing and extra
// arguments, wrong positions, invalid formats and 10,000 random translations of printf formats,
// through vellix_getf/vellix_ngetf with printf and vellix_printf, and through vellix.hpp's tr/ntr.
// It must run clean under AddressSanitizer and UBSan and print the same on Linux and under Wine
// (CI compares the two outputs); each random batch is printed as a digest.
#include "vellix.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

// What the program passes with each of its own texts.
enum class Arguments { count, name_and_size, percent, two_chars, size_and_pointer, wide_numbers };

struct Source {
    const char *format;
    Arguments arguments;
};

const Source sources[] = {
    {"%d files", Arguments::count},
    {"%s has %lu items", Arguments::name_and_size},
    {"%5.2f%% done", Arguments::percent},
    {"%c%c", Arguments::two_chars},
    {"%zu bytes at %p", Arguments::size_and_pointer},
    {"%lld / %x", Arguments::wide_numbers},
};

const char *const hostile[] = {
    "%n", "%hhn%d", "%s", "%d %d", "%d %s %f", "%2$s", "%1$d %s", "%99$d", "%3$d %1$d", "%1$s %1$d", "%ls", "%S",
    "%", "100%", "%5", "%.*s", "%*d", "%*.*f", "%1$*2$d", "%lu", "%llu", "%p", "%q", "%y", "%hs", "%hf", "%Lf",
    "%-+ #0'20.10lld", "%m", "%%%", "%2$p %1$zu", "%2$lu: %1$s", "%1$c", "%1$.*1$d", "%9999$d", "%10000$d",
    "%<PRIu64>", "\xff\xfe%d", "%0999999999d", "%.2147483647d", "%2147483648$d",
};

// One printed line per call: through vellix_printf, and through the C library's snprintf (into a
// buffer, not printed: its output is the platform's) to show that it too is given a safe format.
std::uint64_t digest = 14695981039346656037u;
bool printing = true;

void emit(const std::string &line) {
    if (printing) {
        vellix_printf("%s\n", line.c_str());
    } else {
        for (const char c : line) digest = (digest ^ static_cast<unsigned char>(c)) * 1099511628211u;
    }
}

template <class... Args>
void print_both(const char *format, const Args &...args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    const int length = vellix_snprintf(buffer, sizeof buffer, format, args...);
    emit(length < 0 ? std::string("(refused)") : std::string(buffer));
}

// Looks `key` up for `source`, plain and plural, prints it with the source's arguments.
void print_lookups(const i18n *handle, const vellix::catalog &texts, const std::string &key, const Source &source,
                   unsigned long n) {
    const char *single = vellix_getf(handle, key.c_str(), source.format);
    const char *plural = vellix_ngetf(handle, key.c_str(), n, source.format, source.format);
    for (const char *format : {single, plural}) {
        switch (source.arguments) {
        case Arguments::count: print_both(format, 3); break;
        case Arguments::name_and_size: print_both(format, "notes.txt", 12ul); break;
        case Arguments::percent: print_both(format, 99.5); break;
        case Arguments::two_chars: print_both(format, 'o', 'k'); break;
        case Arguments::size_and_pointer: print_both(format, static_cast<size_t>(4096), static_cast<void *>(nullptr)); break;
        case Arguments::wide_numbers: print_both(format, -5000000000ll, 0xbeefu); break;
        }
    }
    switch (source.arguments) {
    case Arguments::count: emit(texts.tr(key.c_str(), source.format, 3) + "|" + texts.ntr(key.c_str(), n, source.format, source.format, 3)); break;
    case Arguments::name_and_size: emit(texts.tr(key.c_str(), source.format, "notes.txt", 12ul)); break;
    case Arguments::percent: emit(texts.tr(key.c_str(), source.format, 99.5)); break;
    case Arguments::two_chars: emit(texts.tr(key.c_str(), source.format, 'o', 'k')); break;
    case Arguments::size_and_pointer: emit(texts.tr(key.c_str(), source.format, static_cast<size_t>(4096), nullptr)); break;
    case Arguments::wide_numbers: emit(texts.ntr(key.c_str(), n, source.format, source.format, -5000000000ll, 0xbeefu)); break;
    }
}

// A random translation of a printf format: pieces that conversions are made of, in any order.
std::string random_translation(std::mt19937 &random) {
    static const char *const pieces[] = {
        "%", "%", "%", "d", "i", "u", "x", "s", "c", "p", "n", "f", "e", "g", "a", "l", "ll", "h", "hh", "z", "j", "t",
        "L", "q", "$", "*", ".", "-", "+", " ", "#", "0", "1", "2", "3", "9", "10", "'", "text ", "%%", "1$", "2$",
    };
    std::string text;
    for (unsigned count = 1 + random() % 8; count > 0; --count) text += pieces[random() % (sizeof pieces / sizeof *pieces)];
    return text;
}

// A catalog of `translations` under the keys k0, k1, ... (each also as the plural form 1), loaded
// both as a handle and as a vellix::catalog.
vellix::catalog written_catalog(const std::vector<std::string> &translations, const std::string &path) {
    i18n *made = vellix_empty();
    vellix_add(made, "", "Plural-Forms: nplurals=2; plural=n != 1;\n");
    for (std::size_t i = 0; i < translations.size(); ++i) {
        const std::string key = "k" + std::to_string(i);
        vellix_add(made, key.c_str(), translations[i].c_str());
        vellix_add(made, (key + "\n#1").c_str(), translations[(i + 1) % translations.size()].c_str());
    }
    const int written = vellix_write(made, path.c_str());
    vellix_free(made);
    if (written != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return vellix::catalog::load(path.c_str());
}

void print_all(const std::vector<std::string> &translations, const std::string &path) {
    const vellix::catalog texts = written_catalog(translations, path);
    for (std::size_t i = 0; i < translations.size(); ++i) {
        for (const Source &source : sources) print_lookups(texts.handle(), texts, "k" + std::to_string(i), source, i % 3);
    }
}

}  // namespace

int main(int argc, char **argv) {
    const std::string directory = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const std::string path = directory + "/hostile_format_print.18c";
    print_all(std::vector<std::string>(std::begin(hostile), std::end(hostile)), path);
    printing = false;
    std::mt19937 random(25);
    for (int batch = 0; batch < 10; ++batch) {
        std::vector<std::string> translations;
        for (int i = 0; i < 1000; ++i) translations.push_back(random_translation(random));
        print_all(translations, path);
        vellix_printf("random batch %d: digest %016llx\n", batch, static_cast<unsigned long long>(digest));
    }
    std::remove(path.c_str());
    return 0;
}
