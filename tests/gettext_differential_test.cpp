// GNU gettext as the reference: msgfmt --check and vellix compile judge each PO file alike, and
// where both accept it, every message, context and plural form looks up to the same text through
// dgettext/dngettext and through vellix, in UTF-8 and in the other charsets PO files are kept in.
#include "po_reader.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include <iconv.h>
#include <libintl.h>

namespace {

using vellix_test::Handle;
using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::TempDir;
using vellix_test::write_file;

// Loads a catalog file the way a program does, through NLSPATH.
Handle load(const TempDir &dir, const std::string &name) {
    vellix_test::ScopedEnv search_path{"NLSPATH"};
    search_path.set(dir.file("%N"));
    return Handle{vellix_open(name.c_str())};
}

// UTF-8 files that GNU msgfmt --check and vellix compile must judge alike.
const std::string header = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
std::string with_rule(const std::string &rule) {
    return "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"Plural-Forms: " + rule + "\\n\"\n\n";
}
const std::string polish = with_rule("nplurals=3; plural=n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2;");
const std::string french = with_rule("nplurals=2; plural=n > 1;");
const std::string japanese = with_rule("nplurals=1; plural=0;");
const std::vector<std::string> differential_files = {
    header + "msgid \"a\"\nmsgstr \"A\"\n\nmsgctxt \"m\"\nmsgid \"a\"\nmsgstr \"mA\"\n",
    header + "msgid \"\"\n\"multi\\n\"\n\"line\"\nmsgstr \"\"\n\"mehr\\n\"\n\"zeilig\"\n",
    header + "#, fuzzy\nmsgid \"f\"\nmsgstr \"F\"\n\nmsgid \"u\"\nmsgstr \"\"\n\nmsgid \"t\"\nmsgstr \"T\"\n",
    header + "msgid \"e\"\nmsgstr \"\\t\\\"\\\\\\a\\b\\f\\v\\r\\101\\x42\"\n",
    header + "#~ msgid \"old\"\n#~ msgstr \"alt\"\nmsgid \"n\"\nmsgstr \"neu\"\n",
    header + "#, c-format\nmsgid \"%s has %d\"\nmsgstr \"%2$d bei %1$s\"\n",
    header + "#, no-c-format\nmsgid \"%d\"\nmsgstr \"%s\"\n",
    header + "msgid \"a\"\nmsgstr \"b\n",
    header + "msgid \"a\"\nmsgstring \"b\"\n",
    header + "msgid \"a\"\n\nmsgid \"b\"\nmsgstr \"c\"\n",
    header + "msgid \"a\"\nmsgstr \"\\q\"\n",
    header + "msgid \"a\"\nmsgstr \"b\" c\n",
    header + "msgid \"a\"\nmsgstr \"1\"\n\nmsgid \"a\"\nmsgstr \"2\"\n",
    header + "msgctxt \"c\"\nmsgid \"a\"\nmsgstr \"1\"\n\nmsgctxt \"c\"\nmsgid \"a\"\nmsgstr \"2\"\n",
    header + "#, c-format\nmsgid \"%d files\"\nmsgstr \"%s Dateien\"\n",
    header + "#, c-format\nmsgid \"%s: %d\"\nmsgstr \"%s\"\n",
    header + "#, c-format\nmsgid \"%lld\"\nmsgstr \"%ld\"\n",
    header + "#, c-format\nmsgid \"100%% done\"\nmsgstr \"100%\"\n",
    header + "#, fuzzy, c-format\nmsgid \"%d\"\nmsgstr \"%s\"\n",
    header + "msgid \"a\"\n# comment\nmsgstr \"b\"\n",
    header + "msgid \"a\"\n#~ msgid \"x\"\nmsgstr \"b\"\n",
    header + "msgctxt \"\"\nmsgid \"a\"\nmsgstr \"b\"\n",
    header + "msgid\"a\"\nmsgstr\"b\"\n",
    header + "msgid \"a\"\nmsgstr \"b\"\nmsgstr \"c\"\n",
    header + "msgctxt \"c\"\nmsgstr \"b\"\n",
    // Plural forms: the rule's counts, and the forms that may leave the number out.
    polish + "#, c-format\nmsgid \"one file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"plik\"\nmsgstr[1] \"%d pliki\"\n"
             "msgstr[2] \"%d plików\"\n\nmsgctxt \"dir\"\nmsgid \"%d folder\"\nmsgid_plural \"%d folders\"\n"
             "msgstr[0] \"%d katalog\"\nmsgstr[1] \"%d katalogi\"\nmsgstr[2] \"%d katalogów\"\n",
    polish + "#, c-format\nmsgid \"one file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"plik\"\nmsgstr[1] \"pliki\"\n"
             "msgstr[2] \"%d plików\"\n",
    polish + "msgid \"one file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"plik\"\nmsgstr[1] \"%d pliki\"\n",
    french + "#, c-format\nmsgid \"one file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"un fichier\"\n"
             "msgstr[1] \"%d fichiers\"\n",
    french + "#, c-format\nmsgid \"%d file in %s\"\nmsgid_plural \"%d files in %s\"\nmsgstr[0] \"un fichier dans %s\"\n"
             "msgstr[1] \"%d fichiers dans %s\"\n",
    french + "#, c-format\nmsgid \"%d file in %s\"\nmsgid_plural \"%d files in %s\"\nmsgstr[0] \"%d fichier\"\n"
             "msgstr[1] \"%d fichiers dans %s\"\n",
    japanese + "#, c-format\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"%d ファイル\"\n",
    japanese + "#, c-format\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"ファイル\"\n",
    // Latin-1 bytes in a file that says it is UTF-8.
    header + "msgid \"summer\"\nmsgstr \"\xE9t\xE9\"\n",
    header + "msgctxt \"caf\xE9\"\nmsgid \"a\"\nmsgstr \"b\"\n",
    // Lines ended by CR alone; a NUL byte that ends a string's text.
    "msgid \"\"\rmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\r\rmsgid \"a\"\rmsgstr \"A\"\r",
    header + "msgid \"a\"\nmsgstr \"A" + std::string(1, '\0') + "B\"\n\nmsgid \"b\"\nmsgstr \"B\"\n",
    // Rules gettext reads past, or that only matter where entries have plural forms.
    with_rule("nplurals=2; plural=(n!=1);\\n;") + "msgid \"a\"\nmsgstr \"A\"\n",
    with_rule("Plural-Forms: nplurals=2; plural=n != 1;") + "msgid \"f\"\nmsgid_plural \"fs\"\nmsgstr[0] \"D\"\nmsgstr[1] \"Ds\"\n",
    with_rule("nulurals=1; plural=0;") + "msgid \"a\"\nmsgstr \"A\"\n",
    with_rule("2") + "msgid \"a\"\nmsgstr \"A\"\n",
};

// What the reader finds in a file: each message's lookup key, msgid and msgid_plural.
struct Lookup {
    std::string key, id, plural_id;
    bool has_plural;
};
struct Lookups : vellix::PoSink {
    std::vector<Lookup> keys;
    void message(const vellix::PoMessage &message) override {
        if (message.is_header()) return;
        keys.push_back({message.has_context ? message.context + '\004' + message.id : message.id, message.id,
                        message.plural_id, message.has_plural});
    }
    void syntax_error(std::uint64_t, const std::string &) override {}
};

// `utf8` in `charset`, by the C library's iconv: the test's own converter, not the tools'.
std::string iconv_to(const std::string &charset, const std::string &utf8) {
    if (charset == "UTF-8") return utf8;
    const iconv_t converter = iconv_open(charset.c_str(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv does not know " << charset;
        return utf8;
    }
    std::string out(utf8.size() * 4 + 16, '\0');
    char *in = const_cast<char *>(utf8.data());
    char *to = &out[0];
    std::size_t in_left = utf8.size(), out_left = out.size();
    if (iconv(converter, &in, &in_left, &to, &out_left) == static_cast<std::size_t>(-1)) {
        ADD_FAILURE() << charset << " cannot hold " << utf8;
    }
    iconv_close(converter);
    out.resize(out.size() - out_left);
    return out;
}

// Compiles a PO file in `charset` (the bytes of `utf8_po` converted) with msgfmt and with vellix:
// both must accept it or both refuse it; where they accept, gettext in a UTF-8 locale (which
// converts what it gives back) and vellix (whose catalog is UTF-8) give the same text for each key.
// `valid`: the file is one msgfmt must accept.
void expect_same_as_gettext(const TempDir &dir, const std::string &domain, const std::string &utf8_po, const std::string &charset,
                            bool valid = false) {
    const std::string po = iconv_to(charset, utf8_po);
    write_file(dir.file(domain + ".po"), po);
    const RunResult gnu = vellix_test::run_program(
        "/usr/bin/msgfmt", {"msgfmt", "--check", "-o", dir.file("C.UTF-8/LC_MESSAGES/" + domain + ".mo"), dir.file(domain + ".po")});
    const RunResult ours = run_tool({"compile", "-o", dir.file(domain + ".18c"), dir.file(domain + ".po")});
    ASSERT_EQ(ours.status == 0, gnu.status == 0) << "msgfmt: " << gnu.err << "\nvellix: " << ours.err;
    if (valid) {
        ASSERT_EQ(gnu.status, 0) << gnu.err;
    }
    if (gnu.status != 0) return;
    bindtextdomain(domain.c_str(), dir.path().string().c_str());
    bind_textdomain_codeset(domain.c_str(), "UTF-8");
    const Handle catalog = load(dir, domain);
    ASSERT_NE(catalog, nullptr);
    Lookups lookups;
    vellix::read_po(utf8_po.data(), utf8_po.size(), lookups);
    for (const Lookup &lookup : lookups.keys) {
        SCOPED_TRACE(lookup.key);
        const std::string key = iconv_to(charset, lookup.key);
        if (lookup.has_plural) {
            // gettext gives back the very msgid or msgid_plural it was given when it has no form; a
            // program's vellix_nget falls back to its own texts the same way.
            const std::string id = iconv_to(charset, lookup.id), plural_id = iconv_to(charset, lookup.plural_id);
            for (unsigned long n = 0; n <= 1000; ++n) {
                const char *text = dngettext(domain.c_str(), key.c_str(), plural_id.c_str(), n);
                const std::string expected = text == key.c_str() ? lookup.id : text == plural_id.c_str() ? lookup.plural_id : text;
                ASSERT_EQ(vellix_nget(catalog.get(), lookup.key.c_str(), n, lookup.id.c_str(), lookup.plural_id.c_str()), expected)
                    << "n = " << n;
            }
            continue;
        }
        // gettext gives back the very key when it has no translation; a program falls back to its msgid.
        const char *text = dgettext(domain.c_str(), key.c_str());
        const std::string expected = text == key.c_str() ? lookup.id : text;
        EXPECT_EQ(vellix_get(catalog.get(), lookup.key.c_str(), lookup.id.c_str()), expected);
    }
}

class GettextDifferential : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists("/usr/bin/msgfmt")) GTEST_SKIP() << "GNU msgfmt is not installed";
        if (!std::setlocale(LC_ALL, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale for gettext";
        std::filesystem::create_directories(dir.path() / "C.UTF-8" / "LC_MESSAGES");
    }
    vellix_test::CLocale restore;
    TempDir dir;
};

TEST_F(GettextDifferential, AgreesOnUtf8Files) {
    for (std::size_t i = 0; i < differential_files.size(); ++i) {
        SCOPED_TRACE(differential_files[i]);
        expect_same_as_gettext(dir, "vellixdiff" + std::to_string(i), differential_files[i], "UTF-8");
    }
}

// A Polish file written for a two-form rule, mended by `vellix plural-forms`: three forms whose
// lookups agree with gettext's on the mended file compiled by msgfmt; and back to two forms, every
// form still given.
TEST_F(GettextDifferential, PluralFormsMendsAPolishFile) {
    std::string two_forms = with_rule("nplurals=2; plural=(n != 1);");
    two_forms.insert(two_forms.find("\"Plural-Forms"), "\"Language: pl\\n\"\n");
    two_forms += "#, c-format\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"%d plik\"\nmsgstr[1] \"%d pliki\"\n\n"
                 "msgid \"a dog\"\nmsgid_plural \"dogs\"\nmsgstr[0] \"pies\"\nmsgstr[1] \"psy\"\n\n"
                 "msgid \"plain\"\nmsgstr \"zwykły\"\n";
    write_file(dir.file("two.po"), two_forms);
    const RunResult mended = run_tool({"plural-forms", "-o", dir.file("three.po"), dir.file("two.po")});
    ASSERT_EQ(mended.status, 0) << mended.err;
    const std::string three = vellix_test::text_of(dir.file("three.po"));
    EXPECT_NE(three.find("nplurals=3;"), std::string::npos);
    EXPECT_NE(three.find("msgstr[2] \"%d pliki\""), std::string::npos) << three;
    EXPECT_EQ(three.find("fuzzy"), std::string::npos) << "every new form had one old form: no guess";
    expect_same_as_gettext(dir, "vellixmended", three, "UTF-8", true);

    const RunResult back = run_tool({"plural-forms", "--rule=nplurals=2; plural=(n != 1);", "-o", dir.file("back.po"), dir.file("three.po")});
    ASSERT_EQ(back.status, 0) << back.err;
    const std::string back_text = vellix_test::text_of(dir.file("back.po"));
    struct Forms : vellix::PoSink {
        std::size_t empty = 0, plural = 0;
        void message(const vellix::PoMessage &message) override {
            if (!message.has_plural) return;
            ++plural;
            EXPECT_EQ(message.translations.size(), 2u);
            for (const std::string &form : message.translations) empty += form.empty();
        }
        void syntax_error(std::uint64_t, const std::string &text) override { ADD_FAILURE() << text; }
    } forms;
    vellix::read_po(back_text.data(), back_text.size(), forms);
    EXPECT_EQ(forms.plural, 2u);
    EXPECT_EQ(forms.empty, 0u) << back_text;
}

TEST_F(GettextDifferential, AgreesOnFilesInOtherCharsets) {
    // Texts each charset holds, as PO strings; the multibyte ones with characters whose second byte is 0x5C (a
    // backslash in ASCII: Shift_JIS 予 and 十, Big5 么 and 俞, GBK 乗), right before an escape.
    const struct Row {
        const char *charset, *rule, *text, *translation;
        std::vector<const char *> forms;
    } rows[] = {
        {"ISO-8859-1", "nplurals=2; plural=(n != 1);", "Größe", "Übersetzung «groß»", {"%d Datei", "%d Dateien"}},
        {"ISO-8859-2", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);", "Zażółć",
         "gęślą jaźń", {"%d plik", "%d pliki", "%d plików"}},
        {"ISO-8859-15", "nplurals=2; plural=(n > 1);", "€ œuvre", "Œuvre à €", {"%d œuvre", "%d œuvres"}},
        {"KOI8-R", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);",
         "Файл", "Сохранить \\\"файл\\\"", {"%d файл", "%d файла", "%d файлов"}},
        {"KOI8-U", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);",
         "Ґанок", "Їжак", {"%d ґанок", "%d ґанки", "%d ґанків"}},
        {"windows-1251", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);",
         "Файл", "Ёж", {"%d файл", "%d файла", "%d файлов"}},
        {"windows-1252", "nplurals=2; plural=(n != 1);", "“quoted” – café", "„zitiert“ – Café", {"%d Café", "%d Cafés"}},
        {"EUC-JP", "nplurals=1; plural=0;", "表示", "ファイル", {"%d 個のファイル"}},
        {"Shift_JIS", "nplurals=1; plural=0;", "予定\\\\十", "十\\n予\\\"定\\\"", {"%d 個の予定\\t十"}},
        {"CP932", "nplurals=1; plural=0;", "予定", "十\\t予", {"予%d"}},
        {"EUC-KR", "nplurals=1; plural=0;", "한국어", "파일", {"%d개의 파일"}},
        {"GB2312", "nplurals=1; plural=0;", "你好", "文件", {"%d 个文件"}},
        {"GBK", "nplurals=1; plural=0;", "乗客", "乗\\n乗", {"%d 乗\\\\"}},
        {"GB18030", "nplurals=1; plural=0;", "乗𠀀", "𠀀\\n乗", {"%d 乗"}},
        {"BIG5", "nplurals=1; plural=0;", "么俞", "么\\n俞\\\"", {"%d 個檔案么"}},
        {"BIG5-HKSCS", "nplurals=1; plural=0;", "俞", "么\\t", {"%d 俞"}},
        {"TIS-620", "nplurals=1; plural=0;", "ไฟล์", "แฟ้ม", {"%d ไฟล์"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.charset);
        std::string po = std::string("msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=") + row.charset +
                         "\\n\"\n\"Plural-Forms: " + row.rule + "\\n\"\n\n";
        po += std::string("msgid \"") + row.text + "\"\nmsgstr \"" + row.translation + "\"\n\n";
        po += std::string("msgctxt \"") + row.translation + "\"\nmsgid \"" + row.text + "\"\nmsgstr \"" + row.text + " " + row.text + "\"\n\n";
        po += std::string("msgid \"\"\n\"") + row.text + "\\n\"\n\"" + row.translation + "\"\nmsgstr \"\"\n\"" + row.translation + "\"\n\n";
        po += "#, c-format\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\n";
        for (std::size_t form = 0; form < row.forms.size(); ++form) {
            po += "msgstr[" + std::to_string(form) + "] \"" + row.forms[form] + "\"\n";
        }
        po += std::string("\nmsgid \"untranslated ") + row.text + "\"\nmsgstr \"\"\n";
        expect_same_as_gettext(dir, std::string("vellixcharset") + row.charset, po, row.charset, true);
    }
}

}  // namespace
