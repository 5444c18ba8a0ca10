#include "plural_table.h"

#include <iterator>
#include <utility>

namespace vellix {
namespace {

constexpr const char *one_form = "nplurals=1; plural=0;";
constexpr const char *not_one = "nplurals=2; plural=(n != 1);";
constexpr const char *above_one = "nplurals=2; plural=(n > 1);";
constexpr const char *east_slavic =
    "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);";
constexpr const char *czech = "nplurals=3; plural=(n==1) ? 0 : (n>=2 && n<=4) ? 1 : 2;";

// The languages GNU msginit has in its own table, with its expressions as it writes them (the
// gettext manual describes the families; the tests compare each with msginit where it is installed).
const std::pair<const char *, const char *> msginit_rules[] = {
    {"ja", one_form}, {"ko", one_form}, {"vi", one_form},
    {"en", not_one}, {"de", not_one}, {"nl", not_one}, {"sv", not_one}, {"da", not_one}, {"nb", not_one},
    {"nn", not_one}, {"no", not_one}, {"fo", not_one}, {"es", not_one}, {"pt", not_one}, {"it", not_one},
    {"bg", not_one}, {"el", not_one}, {"fi", not_one}, {"et", not_one}, {"he", not_one}, {"eo", not_one},
    {"hu", not_one}, {"tr", not_one},
    {"pt_BR", above_one}, {"fr", above_one},
    {"lv", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n != 0 ? 1 : 2);"},
    {"ga", "nplurals=3; plural=n==1 ? 0 : n==2 ? 1 : 2;"},
    {"ro", "nplurals=3; plural=n==1 ? 0 : (n==0 || (n%100 > 0 && n%100 < 20)) ? 1 : 2;"},
    {"lt", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && (n%100<10 || n%100>=20) ? 1 : 2);"},
    {"ru", east_slavic}, {"uk", east_slavic}, {"be", east_slavic}, {"sr", east_slavic}, {"hr", east_slavic},
    {"cs", czech}, {"sk", czech},
    {"pl", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);"},
    {"sl", "nplurals=4; plural=(n%100==1 ? 0 : n%100==2 ? 1 : n%100==3 || n%100==4 ? 2 : 3);"},
};

const CldrPluralRule cldr_rules[] = {
#include "cldr_plural_rules.inc"
};

const char *msginit_find(std::string_view code) {
    for (const auto &[language, rule] : msginit_rules) {
        if (code == language) return rule;
    }
    return nullptr;
}

const CldrPluralRule *cldr_find(std::string_view code) {
    for (const CldrPluralRule &rule : cldr_rules) {
        if (code == rule.locale) return &rule;
    }
    return nullptr;
}

}  // namespace

const CldrPluralRule *cldr_plural_rules(std::size_t &count) {
    count = std::size(cldr_rules);
    return cldr_rules;
}

const char *cldr_version() { return VELLIX_CLDR_VERSION; }

KnownPluralRule known_plural_rule(std::string_view locale) {
    // "de_DE.UTF-8@euro": the encoding and the modifier do not change the rule.
    const std::string_view code = locale.substr(0, locale.find_first_of(".@"));
    const std::string_view language = code.substr(0, code.find('_'));
    KnownPluralRule known;
    if (const char *rule = msginit_find(code)) {
        known.plural_forms = rule;
    } else if (const char *rule = msginit_find(language)) {
        known.plural_forms = rule;
    } else if (const CldrPluralRule *cldr = cldr_plural_rule_for(code)) {
        known.plural_forms = cldr->plural_forms;
        known.categories = cldr->categories;
    }
    return known;
}

const CldrPluralRule *cldr_plural_rule_for(std::string_view locale) {
    const std::string_view code = locale.substr(0, locale.find_first_of(".@"));
    const CldrPluralRule *rule = cldr_find(code);
    return rule ? rule : cldr_find(code.substr(0, code.find('_')));
}

const char *plural_forms_for(std::string_view locale) { return known_plural_rule(locale).plural_forms; }

std::string too_many_forms(unsigned long count) {
    return "the header's Plural-Forms has nplurals=" + std::to_string(count) + ", more than the " +
           std::to_string(max_plural_forms) + " forms a PO file may have";
}

}  // namespace vellix
