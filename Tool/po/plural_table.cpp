#include "plural_table.h"

#include <utility>

namespace vellix {
namespace {

constexpr const char *one_form = "nplurals=1; plural=0;";
constexpr const char *not_one = "nplurals=2; plural=(n != 1);";
constexpr const char *above_one = "nplurals=2; plural=(n > 1);";
constexpr const char *east_slavic =
    "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);";
constexpr const char *czech = "nplurals=3; plural=(n==1) ? 0 : (n>=2 && n<=4) ? 1 : 2;";

// Written from the languages' grammar, as the gettext manual describes the families; the tests hold
// them against the rules GNU msginit writes where it is installed.
const std::pair<const char *, const char *> rules[] = {
    {"ja", one_form}, {"ko", one_form}, {"zh", one_form}, {"vi", one_form}, {"th", one_form}, {"id", one_form},
    {"ms", one_form}, {"lo", one_form},
    {"en", not_one}, {"de", not_one}, {"nl", not_one}, {"sv", not_one}, {"da", not_one}, {"nb", not_one},
    {"nn", not_one}, {"no", not_one}, {"fo", not_one}, {"es", not_one}, {"pt", not_one}, {"it", not_one},
    {"bg", not_one}, {"el", not_one}, {"fi", not_one}, {"et", not_one}, {"he", not_one}, {"eo", not_one},
    {"hu", not_one}, {"tr", not_one}, {"ca", not_one}, {"gl", not_one}, {"eu", not_one}, {"af", not_one},
    {"hi", not_one}, {"bn", not_one}, {"ta", not_one}, {"te", not_one}, {"ur", not_one}, {"sw", not_one},
    {"az", not_one}, {"ka", not_one}, {"kk", not_one}, {"mn", not_one}, {"fa", above_one},
    {"pt_BR", above_one}, {"fr", above_one}, {"oc", above_one},
    {"lv", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n != 0 ? 1 : 2);"},
    {"ga", "nplurals=3; plural=n==1 ? 0 : n==2 ? 1 : 2;"},
    {"ro", "nplurals=3; plural=n==1 ? 0 : (n==0 || (n%100 > 0 && n%100 < 20)) ? 1 : 2;"},
    {"lt", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && (n%100<10 || n%100>=20) ? 1 : 2);"},
    {"ru", east_slavic}, {"uk", east_slavic}, {"be", east_slavic}, {"sr", east_slavic}, {"hr", east_slavic},
    {"bs", east_slavic},
    {"cs", czech}, {"sk", czech},
    {"pl", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);"},
    {"sl", "nplurals=4; plural=(n%100==1 ? 0 : n%100==2 ? 1 : n%100==3 || n%100==4 ? 2 : 3);"},
    {"ar", "nplurals=6; plural=n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : n%100>=3 && n%100<=10 ? 3 : n%100>=11 ? 4 : 5;"},
    {"is", "nplurals=2; plural=(n%10!=1 || n%100==11);"},
    {"mk", "nplurals=2; plural=n==1 || n%10==1 ? 0 : 1;"},
};

const char *find(std::string_view name) {
    for (const auto &[language, rule] : rules) {
        if (name == language) return rule;
    }
    return nullptr;
}

}  // namespace

const char *plural_forms_for(std::string_view locale) {
    // "de_DE.UTF-8@euro": the encoding and the modifier do not change the rule.
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (const char *rule = find(locale)) return rule;
    return find(locale.substr(0, locale.find('_')));
}

std::string too_many_forms(unsigned long count) {
    return "the header's Plural-Forms has nplurals=" + std::to_string(count) + ", more than the " +
           std::to_string(max_plural_forms) + " forms a PO file may have";
}

}  // namespace vellix
