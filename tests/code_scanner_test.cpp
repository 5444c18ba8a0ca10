// The C and C++ reader of `vellix extract`: every literal form and escape, comments and character
// literals never taken for calls, splices, and calls split over lines or nested in others.
#include "code_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each call of f as "LINE: arg|arg|..." with non-literal arguments shown as "?", a parameter of the
// wrapper macro the call is in as "p" (and "!" before a literal with an escape too large), and its
// comment.
std::vector<std::string> calls_of(const std::string &code, const char *tag = "TR:") {
    std::vector<std::string> seen;
    vellix::scan_calls(
        code, [](std::string_view name) { return name == "f" || name == "g" || name == ".f"; }, tag,
        [&](const vellix::FoundCall &call) {
            std::string line = call.name + "@" + std::to_string(call.line) + ":";
            for (const vellix::CallArgument &argument : call.arguments) {
                const std::string text = (argument.escape_too_large ? "!" : "") + std::string(argument.text);
                line += (argument.is_literal ? "[" + text + "]" : argument.is_macro_parameter ? "p" : "?") + "@" +
                        std::to_string(argument.line);
            }
            if (!call.comment.empty()) line += " #" + call.comment;
            seen.push_back(line);
        });
    return seen;
}

struct Row {
    const char *name;
    std::string code;
    std::vector<std::string> calls;
};

TEST(CodeScanning, ReadsLiteralsAsCompilersDo) {
    const Row rows[] = {
        {"plain and adjacent literals", "f(\"a\", \"b\" \"c\");", {"f@1:[a]@1[bc]@1"}},
        {"simple escapes", R"(f("\n\t\v\b\r\f\a\\\?\'\"");)", {"f@1:[\n\t\v\b\r\f\a\\?'\"]@1"}},
        {"octal and hex", R"(f("\101\1012\x41\x0041");)", {"f@1:[AA2AA]@1"}},
        {"universal characters as UTF-8", R"(f("\u00fc\U0001F600");)", {"f@1:[\xC3\xBC\xF0\x9F\x98\x80]@1"}},
        {"prefixes", "f(u8\"a\", L\"b\", u\"c\", U\"d\");", {"f@1:[a]@1[b]@1[c]@1[d]@1"}},
        {"hex escapes of wide literals are code points", R"(f(L"\x4142", u"\x41", u8"\x41");)", {"f@1:[\xE4\x85\x82]@1[A]@1[A]@1"}},
        {"an escape too large for a narrow literal", R"(f("\x4142", "\777" L"x", "y" "\x100");)", {"f@1:[!]@1[!x]@1[!y]@1"}},
        {"literal suffixes belong to the literal", "f(\"a\"sv, \"b\"_tr \"c\", \"d\"s);", {"f@1:[a]@1[bc]@1[d]@1"}},
        {"a macro right after a literal is no suffix", "f(\"%\"PRIu64Z, \"e\"x);", {"f@1:?@1?@1"}},
        {"<inttypes.h> macros as xgettext writes them", "f(\"%\" PRIu64 \" of %08\"PRIxMAX \"\"PRIdFAST16, \"%\" PRIu128, PRIu64 \"x\");",
         {"f@1:[%<PRIu64> of %08<PRIxMAX><PRIdFAST16>]@1?@1?@1"}},
        {"raw strings keep every byte", "f(R\"x(a \"quoted\" \\n )\" )x\");", {"f@1:[a \"quoted\" \\n )\" ]@1"}},
        {"a raw string over lines", "f(R\"(one\ntwo)\", 1);", {"f@1:[one\ntwo]@1?@2"}},
        {"a long raw delimiter", "f(LR\"" + std::string(300, 'd') + "()" + std::string(299, 'd') + "\")" + std::string(300, 'd') + "\");",
         {"f@1:[)" + std::string(299, 'd') + "\"]@1"}},
        {"a raw delimiter cannot hold ')'", "f(R\"a)b(x)a)b\", \"y\");", {"f@1:?@1[y]@1"}},
        {"nor a space: R is a name, then a string", "f(R\"a b(x\", \"y\");", {"f@1:?@1[y]@1"}},
        {"nor a backslash", "f(R\"a\\b(x)a\\b\");\nf(\"z\");", {"f@1:?@1", "f@2:[z]@2"}},
        {"line splices", "f(\"ab\\\nc\", \"d\");\nf(\"e\");", {"f@1:[abc]@1[d]@2", "f@3:[e]@3"}},
        {"a call over lines", "f(\n  \"k\",\n  \"t\"\n  \"u\");", {"f@1:[k]@2[tu]@3"}},
        {"non-literal arguments", "f(x, \"a\" + 1, g2(\"b\"), \"c\");", {"f@1:?@1?@1?@1[c]@1"}},
        {"nested calls both found", "f(g(\"in\"), \"out\");", {"f@1:?@1[out]@1", "g@1:[in]@1"}},
        {"calls in the order of their names", "f(\"a\", g(f(\"b\"), x), g());\ng(\"c\")",
         {"f@1:[a]@1?@1?@1", "g@1:?@1?@1", "f@1:[b]@1", "g@1:", "g@2:[c]@2"}},
        {"brackets and braces in arguments", "f(a[1, 2], {3, 4}, \"z\");", {"f@1:?@1?@1[z]@1"}},
        {"member calls are asked for with a '.'", "a.f(\"m\"); p->f(\"n\"); f(\"free\"); a.g(\"no\"); x - f(\"o\");",
         {".f@1:[m]@1", ".f@1:[n]@1", "f@1:[free]@1", "f@1:[o]@1"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(calls_of(row.code), row.calls);
    }
}

TEST(CodeScanning, KnowsTheParametersOfWrapperMacros) {
    const Row rows[] = {
        {"a wrapper", "#define T(k, t) f(cat, k, t)\n", {"f@1:?@1p@1p@1"}},
        {"over spliced lines, spaces after the '#'", "  #  define T(k, t) \\\n    f(k,\\\n t)\n", {"f@2:p@2p@3"}},
        {"another name is no parameter", "#define T(k) f(other, k, __VA_ARGS__)\n", {"f@1:?@1p@1?@1"}},
        {"an object-like macro has none", "#define T f(k, t)\n", {"f@1:?@1?@1"}},
        {"the definition ends with its line", "#define T(k, t) x\nf(k, t);", {"f@2:?@2?@2"}},
        {"a '#' inside a line starts no directive", "x # define T(k) f(k)\n", {"f@1:?@1"}},
        {"an expression of a parameter is none", "#define T(k) f(k + 1, (k))\n", {"f@1:?@1?@1"}},
        {"literals in a wrapper stay literals", "#define T(t) f(\"key\", t)\n", {"f@1:[key]@1p@1"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(calls_of(row.code), row.calls);
    }
}

TEST(CodeScanning, NeverTakesCommentsStringsOrCharactersForCalls) {
    const Row rows[] = {
        {"a call in a line comment", "// f(\"no\")\nf(\"yes\");", {"f@2:[yes]@2"}},
        {"a call in a block comment", "/* f(\"no\") */ f(\"yes\");", {"f@1:[yes]@1"}},
        {"a call in a string", "puts(\"f(\\\"no\\\")\"); f(\"yes\");", {"f@1:[yes]@1"}},
        {"a quote as a character", "char c = '\"'; f(\"yes\");", {"f@1:[yes]@1"}},
        {"digit separators", "int n = 1'000'000; f(\"yes\");", {"f@1:[yes]@1"}},
        {"the name as a variable", "int f = 3; f = f + 1; f(\"yes\");", {"f@1:[yes]@1"}},
        {"a longer name", "ff(\"no\"); f_(\"no\"); f(\"yes\");", {"f@1:[yes]@1"}},
        {"unbalanced parentheses end at the end", "f(\"a\", (", {"f@1:[a]@1?@1"}},
        {"unclosed nested calls end at the end", "f(\"a\", g(\"b\", f(\n\"c\"",
         {"f@1:[a]@1?@1", "g@1:[b]@1?@1", "f@1:[c]@2"}},
        {"a stray closing bracket", "); ] f(\"a\"));", {"f@1:[a]@1"}},
        {"an unterminated string", "f(\"abc\n", {"f@1:[abc]@1"}},
        {"code under #if 0 is still read", "#if 0\nf(\"zero\");\n#endif", {"f@2:[zero]@2"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(calls_of(row.code), row.calls);
    }
}

TEST(CodeScanning, KeepsTheTaggedCommentJustBefore) {
    const Row rows[] = {
        {"the line before", "// TR: title bar\nf(\"k\");", {"f@2:[k]@2 #TR: title bar"}},
        {"a block comment on the same line", "/* TR: inline */ f(\"k\");", {"f@1:[k]@1 #TR: inline"}},
        {"inside an outer call", "// TR: nested\nputs(f(\"k\"));", {"f@2:[k]@2 #TR: nested"}},
        {"an untagged comment is no comment", "// title bar\nf(\"k\");", {"f@2:[k]@2"}},
        {"too far above", "// TR: far\n\nf(\"k\");", {"f@3:[k]@3"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(calls_of(row.code), row.calls);
    }
}

}  // namespace
