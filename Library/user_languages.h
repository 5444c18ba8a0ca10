// The user's languages, in order of preference, and the catalog directories they name: what
// vellix_open_dir searches, as pieces that tests and `vellix where --dir` can call one by one.
#ifndef VELLIX_USER_LANGUAGES_H
#define VELLIX_USER_LANGUAGES_H

#include <functional>
#include <string>
#include <vector>

namespace vellix {

// Reads one environment variable; false when it is not set.
using EnvironmentReader = std::function<bool(const char *name, std::string &value)>;

// One language the user prefers, as written where it was found, and where that was ("LANGUAGE",
// "LC_ALL", "LC_MESSAGES", "LANG", or "the Windows UI languages").
struct UserLanguage {
    std::string name;
    std::string origin;
};

// How the list came about, for a reader who wants to know why a language is or is not in it.
struct UserLanguages {
    std::vector<UserLanguage> languages;  // in order, as written (codesets and all)
    bool language_set = false;            // whether LANGUAGE is set, and its value
    std::string language;
    std::string locale;                   // the first non-empty of LC_ALL, LC_MESSAGES, LANG; "" when none
    std::string locale_origin;            // the variable `locale` came from; "" when none
    bool language_ignored = false;        // LANGUAGE was set but the locale is C or POSIX
};

// The user's languages: the ':'-separated LANGUAGE (empty items dropped), unless the locale (the
// first non-empty of LC_ALL, LC_MESSAGES, LANG) is exactly "C" or "POSIX"; then, on POSIX systems, the
// locale itself (none set counts as "C"); on Windows, where the locale variables are rarely set and
// name no language the system uses, `ui_languages` instead (given as "de-AT", listed as "de_AT"), and
// only a locale variable set to C or POSIX silences LANGUAGE.
UserLanguages read_user_languages(const EnvironmentReader &environment, const std::vector<std::string> &ui_languages);

// The languages of the user's environment and, on Windows, of the system's preferred UI languages.
UserLanguages user_languages();

// The directory names one language stands for, most specific first: the codeset is dropped and
// "de_AT.UTF-8@euro" gives de_AT@euro, de@euro, de_AT, de. Nothing for C, POSIX, C.<codeset>, or a
// name that cannot be a directory of its own (empty, starting with '.', or holding a byte other than
// a letter, a digit or one of "_-.@+,=").
std::vector<std::string> language_fallbacks(const std::string &language);

// One directory to try and the language it came from.
struct CatalogLanguage {
    std::string directory;  // "de_AT", "de" ...
    const UserLanguage *language;
};

// Every language's fallbacks in the order of the languages, each directory once.
std::vector<CatalogLanguage> catalog_languages(const UserLanguages &languages);

}  // namespace vellix

#endif
