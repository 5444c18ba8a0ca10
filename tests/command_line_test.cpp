// The one option reader and the one exit-status policy: the reader as a function over a table of
// command lines, then every command end to end with the same option forms and the same statuses.
#include "option_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::TempDir;
using vellix_test::write_file;

// What the reader made of a command line: "name=value" for each option, then "| operand" for each
// operand; or "usage" when it refused the line.
std::string read_line(const std::vector<std::string> &words) {
    const vellix::Messages messages{"vellix"};
    vellix::CommandLine line;
    if (!vellix::read_command_line(messages, "test", words,
                                   {{'o', "output", "an OUTPUT"}, {'U', "update", nullptr}, {'\0', "keys", "a KEYS"}}, line)) {
        return "usage";
    }
    std::string shown;
    for (const vellix::GivenOption &option : line.options) shown += option.name + "=" + option.value + " ";
    for (const std::string &operand : line.operands) shown += "| " + operand + " ";
    return shown;
}

TEST(OptionReading, EveryGnuFormAndEveryMistake) {
    struct Row {
        const char *name;
        std::vector<std::string> words;
        std::string read;
    };
    const Row rows[] = {
        {"-o FILE", {"-o", "out", "in"}, "output=out | in "},
        {"-oFILE", {"-oout", "in"}, "output=out | in "},
        {"--output=FILE", {"--output=out", "in"}, "output=out | in "},
        {"--output FILE", {"--output", "out", "in"}, "output=out | in "},
        {"a value that looks like an option", {"-o", "-U", "in"}, "output=-U | in "},
        {"--output= keeps what follows the first '='", {"--output=a=b"}, "output=a=b "},
        {"a flag, short and long", {"-U", "--update"}, "update= update= "},
        {"flags grouped, the last one taking a value", {"-UoFILE", "in"}, "update= output=FILE | in "},
        {"a long option without a short form", {"--keys", "msgctxt"}, "keys=msgctxt "},
        {"options after operands", {"in", "-o", "out"}, "output=out | in "},
        {"-- ends the options", {"--", "-o", "--update"}, "| -o | --update "},
        {"- alone is an operand", {"-", "-o", "out"}, "output=out | - "},
        {"in the order given", {"-o", "a", "-o", "b"}, "output=a output=b "},
        {"an unknown short option", {"-x", "in"}, "usage"},
        {"an unknown option inside a group", {"-Ux"}, "usage"},
        {"an unknown long option", {"--outputs=x"}, "usage"},
        {"a prefix is no abbreviation", {"--out", "x"}, "usage"},
        {"a value missing at the end", {"in", "-o"}, "usage"},
        {"a long value missing at the end", {"--output"}, "usage"},
        {"an empty value", {"--output=", "in"}, "usage"},
        {"a value given to a flag", {"--update=yes"}, "usage"},
        {"no options at all", {"a", "b"}, "| a | b "},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(read_line(row.words), row.read);
    }
}

const std::string template_po = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                                "\"X-Vellix-Keys: msgctxt\\n\"\n\nmsgctxt \"k\"\nmsgid \"Text\"\nmsgstr \"\"\n";
const std::string translation_po = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                                   "\"Plural-Forms: nplurals=2; plural=n != 1;\\n\"\n\"X-Vellix-Keys: msgctxt\\n\"\n\n"
                                   "msgctxt \"k\"\nmsgid \"Text\"\nmsgstr \"Text auf Deutsch\"\n";

// A project of a template, a translation, a source and some code, for the commands to work on.
struct Project {
    TempDir dir;
    Project() {
        write_file(dir.file("app.pot"), template_po);
        write_file(dir.file("de.po"), translation_po);
        write_file(dir.file("de.src"), "-k\nText\n");
        write_file(dir.file("a.c"), "vellix_get(h, \"k\", \"Text\");\n");
    }
    std::string file(const std::string &name) const { return dir.file(name); }
};

// The arguments of each command that writes a file, before and after its output option.
struct Writer {
    const char *command;
    std::vector<std::string> before;  // options that come first
    std::vector<std::string> inputs;  // file names in the project
};

const Writer writers[] = {
    {"compile", {}, {"de.po"}},
    {"extract", {}, {"a.c"}},
    {"merge", {}, {"de.po", "app.pot"}},
    {"init", {"--locale", "de"}, {"app.pot"}},
};

TEST(CommandOptions, EveryWritingCommandTakesEveryOutputForm) {
    for (const Writer &writer : writers) {
        for (const char *form : {"-o FILE", "-oFILE", "--output=FILE", "--output FILE"}) {
            SCOPED_TRACE(std::string(writer.command) + " " + form);
            Project project;
            const std::string out = project.file("out");
            std::vector<std::string> arguments{writer.command};
            arguments.insert(arguments.end(), writer.before.begin(), writer.before.end());
            const std::string written = form;
            if (written == "-o FILE") arguments.insert(arguments.end(), {"-o", out});
            if (written == "-oFILE") arguments.push_back("-o" + out);
            if (written == "--output=FILE") arguments.push_back("--output=" + out);
            if (written == "--output FILE") arguments.insert(arguments.end(), {"--output", out});
            for (const std::string &input : writer.inputs) arguments.push_back(project.file(input));
            const RunResult run = run_tool(arguments);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(std::filesystem::exists(out));
        }
    }
}

TEST(CommandOptions, AnUnknownOptionIsAUsageErrorInEveryCommand) {
    for (const char *command : {"check", "where", "dump", "stats", "compile", "export", "extract", "init", "merge"}) {
        SCOPED_TRACE(command);
        Project project;
        // A file by that name exists, so that an option taken for a file would be read without a word.
        write_file(project.file("-x"), "-k\nText\n");
        const RunResult run = run_tool({command, "-x", project.file("de.src")});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(std::string("vellix: ") + command + ": unknown option '-x'\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Try 'vellix --help'"), std::string::npos) << run.err;
    }
}

TEST(CommandOptions, DoubleDashLetsAFileStartWithADash) {
    Project project;
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(project.dir.path());
    write_file("-de.src", "-k\nText\n");
    const RunResult check = run_tool({"check", "--", "-de.src"});
    const RunResult stats = run_tool({"stats", "--", "-de.src"});
    std::filesystem::current_path(here);
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(stats.status, 0) << stats.err;
    EXPECT_NE(stats.out.find("-de.src: source"), std::string::npos) << stats.out;
}

// The one policy: 1 for input with errors, whichever command reads it.
TEST(ExitStatus, OneForInputWithErrors) {
    Project project;
    write_file(project.file("bad.po"), "msgid \"a\"\nmsgstr \"unterminated\n");
    write_file(project.file("twice.c"), "vellix_get(h, \"k\", \"one\");\nvellix_get(h, \"k\", \"two\");\n");
    const std::vector<std::vector<std::string>> rows = {
        {"compile", "-o", project.file("out.18c"), project.file("bad.po")},
        {"check", project.file("bad.po")},
        {"merge", project.file("bad.po"), project.file("app.pot")},
        {"merge", project.file("de.po"), project.file("bad.po")},
        {"init", "--locale=de", "-o", project.file("new.po"), project.file("bad.po")},
        {"extract", "-o", project.file("out.pot"), project.file("twice.c")},
    };
    for (const std::vector<std::string> &arguments : rows) {
        SCOPED_TRACE(arguments.front() + " " + arguments.back());
        const RunResult run = run_tool(arguments);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE((run.out + run.err).find(": error: "), std::string::npos) << run.err;  // check prints to stdout
    }
    EXPECT_FALSE(std::filesystem::exists(project.file("new.po")));
    EXPECT_FALSE(std::filesystem::exists(project.file("out.pot")));
}

TEST(CommandOptions, ACommandIsNamedWhole) {
    for (const char *name : {"comp", "checks", "mer", "", "-o"}) {
        SCOPED_TRACE(name);
        const RunResult run = run_tool({name, "x"});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(std::string("unknown command '") + name + "'"), std::string::npos) << run.err;
    }
}

// The one policy: 2 for a file that cannot be read, 1 for an output that cannot be written (nothing
// replaced), whichever command meets it.
TEST(ExitStatus, TwoForAFileThatCannotBeReadOneForOneThatCannotBeWritten) {
    Project project;
    const std::string missing = project.file("missing.po");
    const std::string unwritable = project.file("no-such-dir/out");
    const std::string no_directory = "cannot write " + unwritable + ": No such file or directory\n";
    const struct Row {
        std::vector<std::string> arguments;
        int status;
        std::string said;  // how the message of a failed write ends
    } rows[] = {
        {{"compile", "-o", project.file("out.18c"), missing}, 2, ""},
        {{"check", missing}, 2, ""},
        {{"stats", missing}, 2, ""},
        {{"export", missing}, 2, ""},
        {{"extract", project.file("missing.c")}, 2, ""},
        {{"init", "--locale=de", "-o", project.file("new.po"), missing}, 2, ""},
        {{"merge", missing, project.file("app.pot")}, 2, ""},
        {{"merge", project.file("de.po"), missing}, 2, ""},
        {{"dump", project.file("missing.18c")}, 2, ""},
        {{"compile", "-o", unwritable, project.file("de.po")}, 1, no_directory},
        {{"extract", "-o", unwritable, project.file("a.c")}, 1, no_directory},
        {{"init", "--locale=de", "-o", unwritable, project.file("app.pot")}, 1, no_directory},
        {{"merge", "-o", unwritable, project.file("de.po"), project.file("app.pot")}, 1, no_directory},
#ifdef __linux__
        // A full disk: every write fails.
        {{"merge", "-o", "/dev/full", project.file("de.po"), project.file("app.pot")}, 1, "cannot write /dev/full: No space left on device\n"},
        {{"extract", "-o", "/dev/full", project.file("a.c")}, 1, "cannot write /dev/full: No space left on device\n"},
        {{"compile", "-o", "/dev/full", project.file("de.po")}, 1, "cannot write /dev/full: No space left on device\n"},
        {{"compile", "-o", "/dev/full", project.file("de.src")}, 1, "cannot write /dev/full: No space left on device\n"},
#endif
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.arguments.front() + " " + row.arguments.back());
        const RunResult run = run_tool(row.arguments);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.err, "");
        EXPECT_TRUE(run.err.size() >= row.said.size() && run.err.compare(run.err.size() - row.said.size(), row.said.size(), row.said) == 0)
            << run.err;
        EXPECT_EQ(run.err.find("Try 'vellix --help'"), std::string::npos) << "not a usage error: " << run.err;
        // Nothing was written, so no count of entries written is printed.
        if (row.status == 1) {
            EXPECT_EQ(run.out.find("entr"), std::string::npos) << run.out;
        }
    }
}

}  // namespace
