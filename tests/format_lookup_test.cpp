// vellix_getf and vellix_ngetf: a translation reaches printf only when it reads what the program's
// own text reads; else the program's text does.
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vellix_test::Handle;

TEST(FormatLookup, TheTranslationOnlyWhenItReadsWhatTheTextReads) {
    const struct Row {
        const char *text, *translation;
        bool taken;
    } rows[] = {
        {"%d files", "%d Dateien", true},
        {"%d files", "Dateien", true},                      // reads less
        {"%d of %s", "%2$s: %1$d", true},                   // reordered
        {"%s", "%1$s, %1$s", true},                         // one argument read twice as one type
        {"%5.*f", "%.*f", true},                            // the precision's int, then the double
        {"100%% done", "zu 100 %% fertig", true},
        {"%lu files", "%lu Dateien", true},
        {"%d files", "%s Dateien", false},                  // another type
        {"%lu files", "%u Dateien", false},
        {"%d", "%d %d", false},                             // an argument the program does not pass
        {"%d of %s", "%2$s", false},                        // a gap among the positions
        {"%d %s", "%1$d %s", false},                        // positions mixed with plain conversions
        {"%s", "%n%s", false},                              // writes through an argument
        {"%s%n", "%s%n", false},                            // %n is never safe, even where the text has it
        {"%s", "100%", false},                              // no valid format
        {"%s", "%1$s %1$d", false},                         // one argument read as two types
        {"%1$s %1$d", "%1$d %1$s", false},                  // ... even where the text does the same
        {"no conversion", "%s", false},
        {"%d", "%1$512d|%1$.512d", true},                // any width a column needs
        {"%d", "%513d", false},                            // but not a gigabyte of padding
        {"%d", "%.100000d", false},
        {"%2000d", "%2000d", true},                        // as wide as the program's own text
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.text) + " -> " + row.translation);
        const Handle catalog{vellix_empty()};
        vellix_add(catalog.get(), "k", row.translation);
        const char *given = vellix_getf(catalog.get(), "k", row.text);
        if (row.taken) {
            EXPECT_STREQ(given, row.translation);
        } else {
            EXPECT_EQ(given, row.text);  // the very pointer, as vellix_get gives its fallback
        }
    }
    const char *text = "%d files";
    EXPECT_EQ(vellix_getf(nullptr, "k", text), text);
    const Handle empty{vellix_empty()};
    EXPECT_EQ(vellix_getf(empty.get(), "k", text), text);
    EXPECT_EQ(vellix_getf(empty.get(), nullptr, text), text);
}

TEST(FormatLookup, EachPluralFormJudgedByThePluralText) {
    const char *singular = "one file", *plural = "%lu files";
    const struct Row {
        const char *form0, *form1;
        unsigned long n;
        std::string expected;
    } rows[] = {
        {"eine Datei", "%lu Dateien", 1, "eine Datei"},  // the form for one may leave the number out
        {"eine Datei", "%lu Dateien", 2, "%lu Dateien"},
        {"%s Datei", "%lu Dateien", 1, "one file"},      // a bad form gives the program's text for that n
        {"eine Datei", "%s Dateien", 5, "%lu files"},
        {"%lu Datei", "%lu Dateien %d", 0, "%lu files"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.form0) + " / " + row.form1 + " n=" + std::to_string(row.n));
        const Handle catalog{vellix_empty()};
        vellix_add(catalog.get(), "files", row.form0);
        vellix_add(catalog.get(), "files\n#1", row.form1);
        EXPECT_EQ(vellix_ngetf(catalog.get(), "files", row.n, singular, plural), row.expected);
    }
    EXPECT_EQ(vellix_ngetf(nullptr, "files", 1, singular, plural), singular);
    EXPECT_EQ(vellix_ngetf(nullptr, "files", 2, singular, plural), plural);
}

}  // namespace
