// vellix.hpp: formatting checked against the arguments' real types, and a catalog whose tr/ntr
// give way to the program's text when a translation does not fit.
#include "test_support.h"
#include "vellix.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using vellix_test::TempDir;

struct FormatRow {
    const char *what;
    std::function<std::string()> format;
    std::string expected;  // the text, or for a refusal the start of format_error's message
    bool throws;
};

TEST(CppLayer, FormatChecksEachConversionAgainstItsArgument) {
    const std::string owned = "owned";
    const std::string_view part = std::string_view("viewed text").substr(0, 6);
    const int number = 7;
    const FormatRow rows[] = {
        {"int, string", [] { return vellix::format("%d %s", 42, "abc"); }, "42 abc", false},
        {"positions", [] { return vellix::format("%2$s: %1$d", 3, "Dateien"); }, "Dateien: 3", false},
        {"std::string and string_view", [&] { return vellix::format("%s|%s|%.3s", owned, part, part); },
         "owned|viewed|vie", false},
        {"sizes", [] { return vellix::format("%hhd %hd %ld %lld %zu %jd", std::int8_t{-1}, short{-2}, -3L, -4LL,
                                             std::size_t{5}, std::intmax_t{6}); },
         "-1 -2 -3 -4 5 6", false},
        {"short promotes to int", [] { return vellix::format("%d %u", short{-2}, static_cast<unsigned char>(200)); },
         "-2 200", false},
        {"unsigned", [] { return vellix::format("%u %lx %#o", 3u, 255ul, 8u); }, "3 ff 010", false},
        {"char and int for %c", [] { return vellix::format("%c%c", 'o', 107); }, "ok", false},
        {"double and float", [] { return vellix::format("%.2f %g", 1.5, 0.25f); }, "1.50 0.25", false},
        {"long double", [] { return vellix::format("%.1Lf", 2.5L); }, "2.5", false},
        {"pointer", [&] { return vellix::format("%p", static_cast<const void *>(nullptr)); }, "(nil)", false},
        {"star", [&] { return vellix::format("[%*d]", 4, number); }, "[   7]", false},
        {"extra arguments", [] { return vellix::format("%d", 1, "unused"); }, "1", false},
        {"%% and no arguments", [] { return vellix::format("100%%"); }, "100%", false},
        {"string for %d", [] { return vellix::format("%d", "x"); }, "'%d' needs signed int for argument 1, not a string", true},
        {"int for %s", [] { return vellix::format("%s", 1); }, "'%s' needs char * for argument 1, not a signed int", true},
        {"int for %ld, even where they are one size", [] { return vellix::format("%ld", 1); },
         "'%ld' needs signed long for argument 1, not a signed int", true},
        {"unsigned for %d", [] { return vellix::format("%d", 1u); }, "'%d' needs signed int for argument 1, not an unsigned int", true},
        {"long for %d", [] { return vellix::format("%d", 1L); }, "'%d' needs signed int for argument 1, not a signed long", true},
        {"long long for %ld", [] { return vellix::format("%ld", 1LL); }, "'%ld' needs signed long", true},
        {"wchar_t judged by size", [] { return vellix::format("%lc", L'x'); }, "'%lc' needs wint_t", true},
        {"double for %d", [] { return vellix::format("%d", 1.0); }, "'%d' needs signed int for argument 1, not a double", true},
        {"int for %f", [] { return vellix::format("%f", 1); }, "'%f' needs double", true},
        {"char for %s", [] { return vellix::format("%s", 'c'); }, "'%s' needs char * for argument 1, not a char", true},
        {"missing argument", [] { return vellix::format("%d %d", 1); }, "'%d' reads argument 2, but only 1 is given", true},
        {"missing position", [] { return vellix::format("%2$s", "a", "b"); }, "argument 1 is not used", true},
        {"%n", [] { return vellix::format("%n", 1); }, "%n writes through an argument", true},
        {"stray percent", [] { return vellix::format("100%"); }, "the text ends in the middle of a conversion", true},
        {"mixed", [] { return vellix::format("%1$d %d", 1, 2); }, "it names arguments both by position and in turn", true},
        {"wide string", [] { return vellix::format("%ls", "x"); }, "'%ls' needs wchar_t *", true},
        {"null format", [] { return vellix::format(nullptr); }, "no format", true},
    };
    for (const FormatRow &row : rows) {
        SCOPED_TRACE(row.what);
        try {
            const std::string text = row.format();
            EXPECT_FALSE(row.throws) << text;
            EXPECT_EQ(text, row.expected);
        } catch (const vellix::format_error &error) {
            EXPECT_TRUE(row.throws) << error.what();
            EXPECT_EQ(std::string(error.what()).substr(0, row.expected.size()), row.expected);
        }
    }
    const std::string long_text(1000, 'x');  // beyond the first buffer
    EXPECT_EQ(vellix::format("[%s]", long_text), "[" + long_text + "]");
}

// A catalog file with these entries, loaded as a vellix::catalog.
vellix::catalog catalog_of(const TempDir &directory, const std::vector<std::pair<const char *, const char *>> &entries) {
    i18n *made = vellix_empty();
    for (const auto &[key, value] : entries) vellix_add(made, key, value);
    const std::string path = directory.file("texts.18c");
    EXPECT_EQ(vellix_write(made, path.c_str()), 0);
    vellix_free(made);
    return vellix::catalog::load(path.c_str());
}

TEST(CppLayer, TranslationsThatDoNotFitGiveWayToTheProgramsText) {
    const TempDir directory;
    const vellix::catalog texts = catalog_of(directory, {
        {"", "Plural-Forms: nplurals=2; plural=n != 1;\n"},
        {"saved", "%2$s gespeichert (%1$d KB)"},
        {"wrong type", "%s Dateien"},
        {"extra", "%d von %d"},
        {"writes", "%n"},
        {"padding", "%1000d Dateien"},
        {"files", "eine Datei"},
        {"files\n#1", "%lu Dateien"},
        {"bad plural", "%lu Datei"},
        {"bad plural\n#1", "%s Dateien"},
    });
    ASSERT_TRUE(texts);
    const struct Row {
        std::string given, expected;
    } rows[] = {
        {texts.tr("saved", "%d KB of %s saved", 12, "report.txt"), "report.txt gespeichert (12 KB)"},
        {texts.tr("wrong type", "%d files", 3), "3 files"},
        {texts.tr("extra", "%d files", 3), "3 files"},
        {texts.tr("writes", "%d files", 3), "3 files"},
        {texts.tr("padding", "%d files", 3), "3 files"},  // judged as vellix_getf judges: no gigabyte of padding
        {texts.tr("missing", "%d files", 3), "3 files"},
        {texts.ntr("files", 1, "one file", "%lu files", 1ul), "eine Datei"},
        {texts.ntr("files", 4, "one file", "%lu files", 4ul), "4 Dateien"},
        {texts.ntr("bad plural", 1, "%lu file", "%lu files", 1ul), "1 Datei"},
        {texts.ntr("bad plural", 5, "%lu file", "%lu files", 5ul), "5 files"},
    };
    for (const Row &row : rows) EXPECT_EQ(row.given, row.expected);
    // The program's own text not fitting its arguments is the program's bug, whatever the catalog.
    EXPECT_THROW(texts.tr("saved", "%d KB of %s saved", "report.txt", 12), vellix::format_error);
    EXPECT_THROW(texts.ntr("files", 4, "one file", "%lu files", 4), vellix::format_error);  // an int, not unsigned long
    EXPECT_STREQ(texts.get("missing", "text"), "text");
    EXPECT_NE(texts.handle(), nullptr);
}

TEST(CppLayer, WithoutACatalogEveryLookupGivesTheProgramsText) {
    const vellix::catalog none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.handle(), nullptr);
    EXPECT_EQ(none.tr("k", "%s!", "hi"), "hi!");
    EXPECT_EQ(none.ntr("k", 2, "%d file", "%d files", 2), "2 files");
    const char *text = "text";
    EXPECT_EQ(none.get("k", text), text);
    EXPECT_FALSE(vellix::catalog::load("/no/such/catalog.18c"));

    const TempDir directory;
    vellix::catalog moved = catalog_of(directory, {{"k", "translated"}});
    vellix::catalog target = std::move(moved);
    EXPECT_FALSE(moved);  // NOLINT(bugprone-use-after-move): a moved-from catalog is empty
    EXPECT_EQ(target.tr("k", "text"), "translated");
    target = vellix::catalog();
    EXPECT_EQ(target.tr("k", "text"), "text");
}

}  // namespace
