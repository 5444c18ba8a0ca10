// Reading the printf conversions of a text: which arguments it consumes, and which texts agree.
#include "printf_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

struct FormatCase {
    const char *text;
    Strings conversions;
    Strings argument_types;
};

TEST(PrintfFormat, ReadsConversionsAndArgumentTypes) {
    const FormatCase cases[] = {
        {"no conversions", {}, {}},
        {"%s has %d files", {"%s", "%d"}, {"char *", "signed int"}},
        {"%5.2f%% of %lld, %zu, %hhx", {"%5.2f", "%%", "%lld", "%zu", "%hhx"},
         {"double", "signed long long", "unsigned size_t", "unsigned char"}},
        {"%-+ #0'8.3Lf %c %p %ls %n", {"%-+ #0'8.3Lf", "%c", "%p", "%ls", "%n"},
         {"long double", "int", "void *", "wchar_t *", "int *"}},
        {"%*d and %.*s", {"%*d", "%.*s"}, {"int", "signed int", "int", "char *"}},
        {"%2$s before %1$d", {"%2$s", "%1$d"}, {"signed int", "char *"}},
        {"%3$s only", {"%3$s"}, {"unused", "unused", "char *"}},
        {"%1$s and %1$d", {"%1$s", "%1$d"}, {"conflicting"}},
        {"%*2$d", {"%*2$d"}, {"signed int", "int"}},
        {"%m is no argument", {"%m"}, {}},
        {"%y is text, and so is a last 100%", {}, {}},
        {"100% and more: a conversion", {"% a"}, {"double"}},
        {"50% off", {"% o"}, {"unsigned int"}},
        {"%hf is not valid, %Ls neither", {}, {}},
        {"%<PRIu32>%s and %08<PRIx8>", {"%<PRIu32>", "%s", "%08<PRIx8>"}, {"unsigned int", "char *", "unsigned int"}},
        {"%<PRIu128> is no macro", {}, {}},
    };
    for (const FormatCase &row : cases) {
        SCOPED_TRACE(row.text);
        const vellix::PrintfFormat format = vellix::read_printf_format(row.text);
        EXPECT_EQ(format.conversions, row.conversions);
        EXPECT_EQ(format.argument_types, row.argument_types);
    }
}

TEST(PrintfFormat, AgreesOnArgumentsNotOnSpelling) {
    struct Pair {
        const char *left;
        const char *right;
        bool same;
    };
    const Pair pairs[] = {
        {"%d files", "%i Dateien", true},          {"%x", "%u", true},
        {"%5.2f", "%e", true},                     {"100%%: %s", "%s (100 %%)", true},
        {"%s %d", "%1$d %2$s", false},             {"%s %d", "%1$s %2$d", true},
        {"%d %s", "%2$s %1$d", true},              {"%d", "%ld", false},
        {"%d", "%u", false},                       {"%s", "%c", false},
        {"%f", "%Lf", false},                      {"%*d", "%d", false},
        {"%s", "", false},
    };
    for (const Pair &pair : pairs) {
        SCOPED_TRACE(std::string(pair.left) + " / " + pair.right);
        EXPECT_EQ(vellix::same_arguments(vellix::read_printf_format(pair.left), vellix::read_printf_format(pair.right)),
                  pair.same);
    }
}

}  // namespace
