// Finding a catalog by path and by directory: the user's languages and their fallbacks from every
// combination of the environment, the search over a directory tree, "$ORIGIN", and its replay.
#include "directory_search.h"
#include "test_support.h"
#include "user_languages.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using vellix_test::catalog_bytes;
using vellix_test::Handle;
using vellix_test::TempDir;

using Environment = std::map<std::string, std::string>;

std::vector<std::string> directories_for(const Environment &environment, const std::vector<std::string> &ui_languages = {}) {
    const auto reader = [&](const char *name, std::string &value) {
        const auto found = environment.find(name);
        if (found == environment.end()) return false;
        value = found->second;
        return true;
    };
    const vellix::UserLanguages languages = vellix::read_user_languages(reader, ui_languages);
    std::vector<std::string> directories;
    for (const vellix::CatalogLanguage &language : vellix::catalog_languages(languages)) {
        directories.push_back(language.directory);
    }
    return directories;
}

using Names = std::vector<std::string>;

TEST(UserLanguages, FallbacksOfOneLanguage) {
    const struct {
        const char *language;
        Names directories;
    } rows[] = {
        {"de", {"de"}},
        {"de_AT", {"de_AT", "de"}},
        {"de_AT.UTF-8", {"de_AT", "de"}},
        {"de.ISO-8859-1", {"de"}},
        {"de_AT.UTF-8@euro", {"de_AT@euro", "de@euro", "de_AT", "de"}},
        {"sr_RS@latin", {"sr_RS@latin", "sr@latin", "sr_RS", "sr"}},
        {"sr@latin", {"sr@latin", "sr"}},
        {"zh_Hant_TW", {"zh_Hant_TW", "zh"}},
        {"de_", {"de"}},
        {"C", {}},
        {"POSIX", {}},
        {"C.UTF-8", {}},
        {"C@euro", {}},
        {"", {}},
        {".UTF-8", {}},
        {"_AT", {}},
        {"..", {}},
        {"../../etc", {}},
        {"de/AT", {}},
        {"de\\AT", {}},
        {"de AT", {}},
        {"de:AT", {}},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(vellix::language_fallbacks(row.language), row.directories) << row.language;
    }
}

#ifndef _WIN32
TEST(UserLanguages, FromTheEnvironment) {
    const struct {
        Environment environment;
        Names directories;
    } rows[] = {
        {{}, {}},
        {{{"LANG", "de_AT.UTF-8"}}, {"de_AT", "de"}},
        {{{"LANGUAGE", "pl:de"}, {"LANG", "de_AT.UTF-8"}}, {"pl", "de", "de_AT"}},
        // No locale, or exactly C or POSIX, silences LANGUAGE; C.UTF-8 does not.
        {{{"LANGUAGE", "pl:de"}}, {}},
        {{{"LANGUAGE", "pl:de"}, {"LANG", "C"}}, {}},
        {{{"LANGUAGE", "pl:de"}, {"LANG", "POSIX"}}, {}},
        {{{"LANGUAGE", "pl:de"}, {"LANG", "C.UTF-8"}}, {"pl", "de"}},
        {{{"LANGUAGE", "pl"}, {"LC_ALL", "C"}, {"LANG", "de_DE"}}, {}},
        // The first non-empty of LC_ALL, LC_MESSAGES, LANG.
        {{{"LC_ALL", "fr_FR"}, {"LC_MESSAGES", "it_IT"}, {"LANG", "de"}}, {"fr_FR", "fr"}},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "it_IT"}, {"LANG", "de"}}, {"it_IT", "it"}},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "de"}}, {"de"}},
        {{{"LANGUAGE", "pl"}, {"LC_ALL", ""}, {"LANG", ""}}, {}},
        // Empty items, repeats and names that cannot be directories drop out.
        {{{"LANGUAGE", "::pl::de_DE:pl:"}, {"LANG", "de_DE.UTF-8"}}, {"pl", "de_DE", "de"}},
        {{{"LANGUAGE", "../etc:.hidden:de/AT:_AT:es"}, {"LANG", "en"}}, {"es", "en"}},
        {{{"LANGUAGE", "C:de"}, {"LANG", "fr"}}, {"de", "fr"}},
        {{{"LANGUAGE", ""}, {"LANG", "fr"}}, {"fr"}},
        {{{"LANGUAGE", "sr_RS@latin:de_AT.UTF-8@euro"}, {"LANG", "de_AT"}},
         {"sr_RS@latin", "sr@latin", "sr_RS", "sr", "de_AT@euro", "de@euro", "de_AT", "de"}},
    };
    for (const auto &row : rows) {
        std::string label;
        for (const auto &[name, value] : row.environment) label += name + "=" + value + " ";
        EXPECT_EQ(directories_for(row.environment), row.directories) << label;
    }
}

TEST(UserLanguages, SaysWhereEachCameFromAndWhyLanguageIsIgnored) {
    const Environment environment{{"LANGUAGE", "pl"}, {"LC_MESSAGES", "de_AT"}, {"LANG", "fr"}};
    const auto reader = [&](const char *name, std::string &value) {
        const auto found = environment.find(name);
        return found != environment.end() && (value = found->second, true);
    };
    const vellix::UserLanguages languages = vellix::read_user_languages(reader, {});
    ASSERT_EQ(languages.languages.size(), 2u);
    EXPECT_EQ(languages.languages[1].name, "de_AT");
    EXPECT_EQ(languages.languages[1].origin, "LC_MESSAGES");
    EXPECT_EQ(languages.locale_origin, "LC_MESSAGES");
    EXPECT_FALSE(languages.language_ignored);
    const auto silenced = [](const char *name, std::string &value) {
        value = std::string(name) == "LANGUAGE" ? "pl" : "";
        return true;
    };
    EXPECT_TRUE(vellix::read_user_languages(silenced, {}).language_ignored);
}
#else
TEST(UserLanguages, FromTheEnvironmentAndTheUiLanguages) {
    const Names ui{"de-AT", "en-US"};
    const struct {
        Environment environment;
        Names directories;
    } rows[] = {
        {{}, {"de_AT", "de", "en_US", "en"}},
        // LANGUAGE first; only a locale variable set to C or POSIX silences it.
        {{{"LANGUAGE", "pl"}}, {"pl", "de_AT", "de", "en_US", "en"}},
        {{{"LANGUAGE", "pl"}, {"LANG", "C"}}, {"de_AT", "de", "en_US", "en"}},
        {{{"LANGUAGE", "pl"}, {"LANG", "C.UTF-8"}}, {"pl", "de_AT", "de", "en_US", "en"}},
        // The locale variables name no language of their own here.
        {{{"LANG", "fr_FR"}}, {"de_AT", "de", "en_US", "en"}},
    };
    for (const auto &row : rows) EXPECT_EQ(directories_for(row.environment, ui), row.directories);
}

// The system's first UI language, as a catalog directory is named ("de_AT").
std::string first_ui_language() {
    ULONG count = 0, size = 0;
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0) return {};
    std::wstring names(size, L'\0');
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, &names[0], &size) || names[0] == L'\0') return {};
    std::string name;
    for (const wchar_t *c = names.c_str(); *c; ++c) name += *c == L'-' ? '_' : static_cast<char>(*c);
    return name;
}
#endif

// The environment a test sets, put back when the test ends.
class OpenDir : public ::testing::Test {
protected:
    OpenDir() {
        language_.unset();
        all_.unset();
        messages_.unset();
        lang_.set("fr_FR.UTF-8");  // no catalog in any tree here is French
    }

    // Writes a catalog whose "which" says where it is.
    void write_catalog(const std::string &language, const std::string &name = "app") const {
        write(language + "/" + name + ".18c", catalog_bytes({{"which", language}}));
    }
    void write(const std::string &relative, const vellix_test::Bytes &bytes) const {
        const std::filesystem::path path = std::filesystem::u8path(dir.path().u8string() + "/" + relative);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string found(const std::string &name = "app") const {
        const Handle handle{vellix_open_dir(dir.path().u8string().c_str(), name.c_str())};
        return handle ? vellix_get(handle.get(), "which", "(no such key)") : "(none)";
    }

    TempDir dir;
    vellix_test::ScopedEnv language_{"LANGUAGE"}, all_{"LC_ALL"}, messages_{"LC_MESSAGES"}, lang_{"LANG"};
};

TEST_F(OpenDir, TakesTheFirstLanguageWhoseCatalogLoads) {
    language_.set("pl:de_AT:de");
    EXPECT_EQ(found(), "(none)");
    write_catalog("de");
    EXPECT_EQ(found(), "de");
    // A damaged, a foreign and an empty file, and a directory, for earlier languages: passed over.
    write("pl/app.18c", vellix_test::to_bytes("not a catalog"));
    write("de_AT/app.18c", {});
    EXPECT_EQ(found(), "de");
    std::filesystem::create_directories(dir.path() / "pl" / "other.18c");
    write_catalog("de", "other");
    EXPECT_EQ(found("other"), "de");
    write_catalog("de_AT");
    EXPECT_EQ(found(), "de_AT");
}

TEST_F(OpenDir, RefusesWhatNamesNoSearch) {
    language_.set("de");
    write_catalog("de");
    EXPECT_EQ(vellix_open_dir(nullptr, "app"), nullptr);
    EXPECT_EQ(vellix_open_dir(dir.path().u8string().c_str(), nullptr), nullptr);
    EXPECT_EQ(vellix_open_dir("", "app"), nullptr);
    // "$ORIGIN" only as a whole first component.
    EXPECT_EQ(vellix_open_dir("$ORIGINAL", "app"), nullptr);
}

#ifndef _WIN32
TEST_F(OpenDir, ASymbolicLinkLoadsLikeTheCatalog) {
    language_.set("pl:de");
    write_catalog("de");
    std::filesystem::create_directories(dir.path() / "pl");
    std::filesystem::create_symlink(dir.path() / "de" / "app.18c", dir.path() / "pl" / "app.18c");
    EXPECT_EQ(found(), "de");  // the value says where the bytes came from
    std::filesystem::remove(dir.path() / "de" / "app.18c");
    EXPECT_EQ(found(), "(none)");  // a dangling link is a file that does not open
}
#else
TEST_F(OpenDir, FindsTheCatalogOfTheWindowsUiLanguage) {
    const std::string ui = first_ui_language();
    ASSERT_FALSE(ui.empty());
    write_catalog(ui);
    EXPECT_EQ(found(), ui);
    language_.set("pl");
    write_catalog("pl");
    EXPECT_EQ(found(), "pl");
}
#endif

TEST_F(OpenDir, LoadTakesOnlyAValidCatalogFile) {
    write_catalog("de");
    write("bad.18c", vellix_test::to_bytes("not a catalog"));
    const std::string base = dir.path().u8string() + "/";
    const Handle loaded{vellix_load((base + "de/app.18c").c_str())};
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(vellix_get(loaded.get(), "which", nullptr), "de");
    for (const std::string &path : {base + "bad.18c", base + "missing.18c", base + "de"}) {
        EXPECT_EQ(vellix_load(path.c_str()), nullptr) << path;
    }
    EXPECT_EQ(vellix_load(nullptr), nullptr);
}

TEST_F(OpenDir, OriginIsTheDirectoryOfTheProgram) {
    // A program installed under a directory whose name is outside ASCII, its catalogs beside it.
    const std::string prefix = dir.path().u8string() + "/inst \xC3\xBC\xE7\x94\xB0";
    const std::filesystem::path bin = std::filesystem::u8path(prefix + "/bin");
    std::filesystem::create_directories(bin);
    const std::filesystem::path probe = std::filesystem::u8path(ORIGIN_PROBE_PATH);
    std::filesystem::copy_file(probe, bin / probe.filename());
    write_catalog("inst \xC3\xBC\xE7\x94\xB0/share/locale/de", "probe");
    language_.set("de");
    const std::string program = (bin / probe.filename()).u8string();
    const vellix_test::RunResult run = vellix_test::run_program(program, {"probe", "$ORIGIN/../share/locale", "probe"});
    EXPECT_EQ(run.out, "inst \xC3\xBC\xE7\x94\xB0/share/locale/de\n") << run.err;
    const vellix_test::RunResult elsewhere = vellix_test::run_program(ORIGIN_PROBE_PATH, {"probe", "$ORIGIN/../share/locale", "probe"});
    EXPECT_EQ(elsewhere.out, "(none)\n");
}

TEST_F(OpenDir, WhereReplaysTheSearch) {
    language_.set("pl:de");
    write("pl/app.18c", vellix_test::to_bytes("not a catalog"));
    write_catalog("de");
    const std::string base = dir.path().u8string();
    const vellix_test::RunResult run = vellix_test::run_tool({"where", "--dir", base, "app"});
    EXPECT_EQ(run.status, 0) << run.err;
    for (const std::string &line : std::vector<std::string>{"LANGUAGE=pl:de\n", "  pl (from LANGUAGE)\n", "  de (from LANGUAGE)\n",
                                   "pl: " + base + "/pl/app.18c\n  opened: bad magic (",
                                   "; passed over, the search goes on\nde: " + base + "/de/app.18c\n  opened: loaded 1 entries\n",
                                   "vellix_open_dir(\"" + base + "\", \"app\") loads " + base + "/de/app.18c\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\nin:\n" << run.out;
    }
    const vellix_test::RunResult missing = vellix_test::run_tool({"where", "--dir=" + base + "/none", "app"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("  hint: " + base + "/none does not exist; the catalogs belong in " + base +
                               "/none/LANGUAGE/app.18c\n"),
              std::string::npos)
        << missing.out;
    EXPECT_EQ(vellix_test::run_tool({"where", "--dir", base}).status, 2);
    // One level too deep: the language directory itself.
    const vellix_test::RunResult deep = vellix_test::run_tool({"where", "--dir", base + "/de", "app"});
    EXPECT_NE(deep.out.find("  hint: " + base + "/de holds the catalog itself; give the directory above the language "
                            "directories (the catalogs belong in " + base + "/de/LANGUAGE/app.18c)\n"),
              std::string::npos)
        << deep.out;
}

// Catalogs put where gettext puts its own: each search says where they belong.
TEST_F(OpenDir, WhereHintsAtTheLcMessagesLayout) {
    language_.set("fr:es");
    write("fr/LC_MESSAGES/app.18c", vellix_test::to_bytes("x"));
    write("es/LC_MESSAGES/app.mo", vellix_test::to_bytes("x"));
    const std::string base = dir.path().u8string();
    const vellix_test::RunResult run = vellix_test::run_tool({"where", "--dir", base, "app"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("fr: " + base + "/fr/app.18c\n  does not open\n  hint: " + base + "/fr/LC_MESSAGES/app.18c exists: "
                           "gettext's LC_MESSAGES layout, which this search does not use; move the catalog to " + base + "/fr/app.18c\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  hint: " + base + "/es/LC_MESSAGES/app.mo is a GNU gettext catalog; vellix reads its own: compile "
                           "the PO file with vellix compile -o " + base + "/es/app.18c\n"),
              std::string::npos)
        << run.out;
    vellix_test::ScopedEnv search_path{"NLSPATH"};
    search_path.set(base + "/fr/%N");
    const vellix_test::RunResult nlspath = vellix_test::run_tool({"where", "app"});
    EXPECT_NE(nlspath.out.find("  hint: " + base + "/fr/LC_MESSAGES/app.18c exists"), std::string::npos) << nlspath.out;
}

TEST(WhereHints, NameTheFixForCommonNlspathMistakes) {
    TempDir dir;
    vellix_test::ScopedEnv search_path{"NLSPATH"};
    const std::string base = dir.path().u8string();
    const char directory_hint[] = "  hint: a template names the file itself; for a catalog in this directory end it with /%N\n";
    const char colon_hint[] = "  hint: templates are separated by ';', not ':'; this NLSPATH is one template\n";
    const struct {
        std::string nlspath;
        bool directory, colon;
    } rows[] = {
        {base, true, false},
        {base + "/%N", false, false},
        {"/usr/share/app/%N:" + base + "/%N", false, true},
        {"/usr/share/app/%N;" + base + "/%N", false, false},
        {"C:\\app\\%N", false, false},  // a drive letter's colon
        {"C:\\app\\%N:D:\\x\\%N", false, true},
    };
    for (const auto &row : rows) {
        search_path.set(row.nlspath);
        const std::string out = vellix_test::run_tool({"where", "app"}).out;
        EXPECT_EQ(out.find(directory_hint) != std::string::npos, row.directory) << out;
        EXPECT_EQ(out.find(colon_hint) != std::string::npos, row.colon) << out;
    }
}

}  // namespace
