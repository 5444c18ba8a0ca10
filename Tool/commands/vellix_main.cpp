// vellix COMMAND ...: checks catalog sources and inspects compiled catalogs. The table below lists
// the commands; each lives in its own command_NAME.cpp.
#include "commands.h"
#include "process_setup.h"
#include "program_arguments.h"
#include "vellix.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

struct Command {
    const char *name;
    int (*run)(const vellix::Messages &, const vellix::Arguments &);
    const char *help;  // the command's lines of --help
};

const Command commands[] = {
    {"compile", vellix::run_compile,
     "  compile [--use-fuzzy] [--keys=msgid|msgctxt] [--keep-charset] [--target=PLATFORM] -o CATALOG INPUT\n"
     "      Compiles INPUT, a PO file (.po, .pot) or a catalog source, into CATALOG, replacing it\n"
     "      whole or not at all. PO keys are msgid (msgctxt, 0x04, msgid with a context), or msgctxt\n"
     "      with --keys=msgctxt or the header field X-Vellix-Keys: msgctxt. Untranslated and fuzzy\n"
     "      entries are left out (--use-fuzzy keeps fuzzy ones). In c-format entries, %<PRIu64> and\n"
     "      the other <inttypes.h> macros become the conversion of this platform, or of\n"
     "      --target=linux|windows. Errors are FILE:LINE: error: TEXT.\n"
     "      Exit status: 0 when CATALOG was written, 1 for any error in INPUT or a CATALOG that\n"
     "      cannot be written (nothing is written).\n"},
    {"check", vellix::run_check,
     "  check [--strict] [--against REFERENCE] SOURCE...\n"
     "  check --complete [--strict] [--against TEMPLATE] PO...\n"
     "      Reports, as FILE:LINE: warning: TEXT, what the source format loses without a word:\n"
     "      duplicate keys, keys without a value, text before the first key line, a byte-order\n"
     "      mark, carriage returns that cut lines, NUL bytes, lines ending in spaces or tabs.\n"
     "      A PO file (.po, .pot) gets the errors vellix compile reports.\n"
     "      With --against, also keys missing from or extra to REFERENCE, and values whose printf\n"
     "      conversions differ from REFERENCE's. With --complete, each untranslated or fuzzy entry\n"
     "      of a PO file is an error. Exit status: 0 without findings; 1 for errors, printf\n"
     "      differences or missing keys, or for any finding with --strict.\n"},
    {"where", vellix::run_where,
     "  where NAME\n"
     "  where --dir DIRECTORY NAME\n"
     "      Replays the NLSPATH search that vellix_open(NAME) makes, after setlocale(LC_ALL, \"\"),\n"
     "      showing each template, its path and what opening it gives; with --dir, the search of\n"
     "      vellix_open_dir(DIRECTORY, NAME): the user's languages and where each came from, each\n"
     "      DIRECTORY/LANGUAGE/NAME.18c tried and its verdict. Exit status: 0 when a catalog would\n"
     "      load, 1 otherwise.\n"},
    {"dump", vellix::run_dump,
     "  dump [--list] CATALOG\n"
     "      Writes CATALOG as a source that vellmake compiles into the same catalog, or with\n"
     "      --list one line per entry: index, key length, value length, key, value (tab-separated,\n"
     "      bytes outside printable ASCII as \\xHH). Exit status: 1 when some entry cannot be\n"
     "      written as source.\n"},
    {"export", vellix::run_export,
     "  export [--reference REFERENCE] INPUT\n"
     "      Writes INPUT, a catalog source or a compiled catalog, as PO on standard output: a\n"
     "      template (msgctxt the key, msgid the text, msgstr empty) or, with the source-language\n"
     "      REFERENCE, a translation (msgid REFERENCE's text, msgstr INPUT's). Exit status: 1 when\n"
     "      an entry cannot be written as PO.\n"},
    {"extract", vellix::run_extract,
     "  extract [-o OUTPUT] [-k|--keyword=NAME:KEY,TEXT[,PLURAL]]... [-c|--add-comments=TAG] FILE...\n"
     "      Writes a PO template of the keys and texts of the calls of vellix_get, vellix_nget (and\n"
     "      their index and f forms) and of each --keyword in C and C++ FILEs: msgctxt the key, msgid the\n"
     "      text. Exit status: 1 when a key is used with two texts, or when no FILE holds a call\n"
     "      with a literal key (nothing is written: give your wrappers' names with --keyword).\n"},
    {"init", vellix::run_init,
     "  init -l|--locale=LL[_CC] [--plural-forms=RULE] [-o OUTPUT] TEMPLATE\n"
     "      Starts a translation (OUTPUT, LL[_CC].po by default, never replaced) from a template:\n"
     "      empty translations, the header's Language and the language's Plural-Forms (GNU msginit's,\n"
     "      else the Unicode CLDR's; RULE for any language). Exit status: 1 when OUTPUT exists, the\n"
     "      language has no known rule and none is given (nothing is written), or an entry lacks its key.\n"},
    {"merge", vellix::run_merge,
     "  merge [-o OUTPUT | -U] TRANSLATION TEMPLATE\n"
     "  merge [--force] [--no-memory] ...\n"
     "      Brings TRANSLATION up to date with TEMPLATE, matching entries by key: a changed text\n"
     "      keeps its translation, marked fuzzy with the old text as #| msgid; a renamed key (same\n"
     "      texts as an obsolete entry) takes its translation, fuzzy, unless --no-memory; other new\n"
     "      keys come untranslated; keys gone become obsolete (#~). -U rewrites TRANSLATION in\n"
     "      place. Prints the kept, fuzzy, new and obsolete counts on standard error. Exit status:\n"
     "      1 for syntax errors, an entry without the msgctxt that holds its key, or (unless\n"
     "      --force) a TEMPLATE without entries or one that would make most translations obsolete.\n"},
    {"plural-forms", vellix::run_plural_forms,
     "  plural-forms [--rule=RULE] [-o OUTPUT | -U] FILE.po\n"
     "      Sets FILE's Plural-Forms to RULE (by default its language's known rule) and renumbers\n"
     "      every plural entry's forms to it: new form k takes the old form of the numbers the new\n"
     "      rule sends to k; where they took different old forms, or none reach k, the entry is\n"
     "      marked fuzzy with a comment naming the numbers. Writes to standard output, OUTPUT, or\n"
     "      FILE itself with -U (whole or not at all), in FILE's charset; says what moved on standard\n"
     "      error. Exit status: 1 for syntax errors or a language without a known rule and no RULE.\n"},
    {"stats", vellix::run_stats,
     "  stats SOURCE|CATALOG...\n"
     "  stats --fail-under=PERCENT PO...\n"
     "      Entries, distinct keys, duplicates, dropped keys, bytes of keys and values, and the\n"
     "      largest value of each file; a catalog is recognised by its magic. For a PO file, one\n"
     "      line of translated, fuzzy and untranslated entries, and a total for several. Exit\n"
     "      status: 1 when a PO file has less than PERCENT of its entries translated (fuzzy ones\n"
     "      and empty plural forms count as untranslated).\n"},
};

void print_help(const char *program) {
    std::printf("Usage: %s COMMAND [ARGUMENTS]\n"
                "Checks vellix catalog sources and inspects compiled catalogs.\n"
                "\n",
                program);
    for (const Command &command : commands) std::fputs(command.help, stdout);
    std::fputs("  --help       Shows this text.\n"
               "  --version    Shows the version.\n"
               "\n"
               "Options take values as -o FILE, -oFILE, --output=FILE or --output FILE; -- ends the\n"
               "options. Exit status of every command: 0 done; 1 the input has errors or findings that\n"
               "fail, or the output cannot be written; 2 a usage error, or a file that cannot be read.\n",
               stdout);
}

int run_vellix(const vellix::Messages &messages, const std::vector<std::string> &words) {
    if (words.size() < 2) return messages.usage_error("no command given");
    const std::string &name = words[1];
    if (name == "--help" || name == "-h" || name == "help") {
        print_help(messages.program());
        return vellix::status_clean;
    }
    if (name == "--version") {
        // The package's version, as its installed files and CMake's find_package name it, then the
        // library's version string.
        std::printf("vellix %s (library %s)\n", VELLIX_PACKAGE_VERSION, vellixVersion);
        return vellix::status_clean;
    }
    const vellix::Arguments arguments(words.begin() + 2, words.end());
    for (const Command &command : commands) {
        if (name == command.name) return command.run(messages, arguments);
    }
    return messages.usage_error("unknown command '" + name + "'");
}

}  // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> words = vellix::program_arguments(argc, argv);
    const vellix::Messages messages{vellix::program_name(words, "vellix")};
    vellix::fail_writes_past_the_size_limit();
    try {
        return run_vellix(messages, words);
    } catch (const std::bad_alloc &) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: out of memory\n", messages.program());
        return 1;
    } catch (const std::exception &error) {
        // No input may end the program with an abort: whatever was not foreseen is a message.
        std::fflush(stdout);
        std::fprintf(stderr, "%s: cannot go on: %s\n", messages.program(), error.what());
        return 1;
    }
}
