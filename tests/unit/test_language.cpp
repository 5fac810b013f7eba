// The player's language: its choice from the system, the catalogs, counted forms, the
// pseudo-language, and numbers, sizes and times as each language writes them.
#include "text/language.h"
#include "text/language_table.h"
#include "text/po_reader.h"
#include "widgets/widgets.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// Every test leaves the window in English, as the other tests expect it.
struct Language : ::testing::Test {
  void TearDown() override { g_lang = Catalog(); }
};

std::string chosen(const std::map<std::string, std::string>& env) {
  return choose_language(preferred_from_env([&env](const char* name) -> const char* {
    auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  }));
}

TEST_F(Language, ChosenFromTheEnvironmentInGettextOrder) {
  EXPECT_EQ(chosen({}), "en");
  EXPECT_EQ(chosen({{"LANG", "de_DE.UTF-8"}}), "de");
  EXPECT_EQ(chosen({{"LANGUAGE", "he:fr_CA:de"}, {"LANG", "ja_JP.UTF-8"}}), "fr");  // first we have
  EXPECT_EQ(chosen({{"LANGUAGE", "he"}, {"LANG", "ja_JP.UTF-8"}}), "ja");
  EXPECT_EQ(chosen({{"LC_ALL", "ko_KR.UTF-8"}, {"LC_MESSAGES", "ru_RU"}, {"LANG", "pl_PL"}}), "ko");
  EXPECT_EQ(chosen({{"LC_ALL", ""}, {"LC_MESSAGES", "ru_RU"}, {"LANG", "pl_PL"}}), "ru");
  // The first locale variable set is the locale: LANG does not count behind it.
  EXPECT_EQ(chosen({{"LC_MESSAGES", "he_IL.UTF-8"}, {"LANG", "pl_PL"}}), "en");
  EXPECT_EQ(chosen({{"LANG", "C"}}), "en");
  // A runtime that starts programs in the C locale keeps the player's in HOST_LC_ALL or
  // HOST_LANG; they count only where the locale is C or POSIX.
  EXPECT_EQ(chosen({{"LC_ALL", "C"}, {"HOST_LC_ALL", "cs_CZ.UTF-8"}, {"HOST_LANG", "de_DE"}}), "cs");
  EXPECT_EQ(chosen({{"LANG", "C.UTF-8"}, {"HOST_LANG", "nn_NO.UTF-8"}}), "nb");
  EXPECT_EQ(chosen({{"LC_ALL", "POSIX"}, {"HOST_LC_ALL", "C"}, {"HOST_LANG", "hu_HU"}}), "hu");
  EXPECT_EQ(chosen({{"LANG", "en_GB.UTF-8"}, {"HOST_LANG", "de_DE"}}), "en");
  // The pseudo-language is only ever asked for by name.
  EXPECT_EQ(chosen({{"LANGUAGE", "qps"}, {"LANG", "it_IT"}}), "it");
}

TEST_F(Language, TagsMapToTheLanguagesWeShip) {
  const std::map<std::string, std::string> cases = {{"zh_TW.UTF-8", "zh_TW"},
                                                    {"zh_HK", "zh_TW"},
                                                    {"zh-Hant", "zh_TW"},
                                                    {"zh-Hant-CN", "zh_TW"},
                                                    {"zh_CN", "zh_CN"},
                                                    {"zh_SG", "zh_CN"},
                                                    {"zh-Hans-TW", "zh_CN"},
                                                    {"zh", "zh_CN"},
                                                    {"pt_BR", "pt_BR"},
                                                    {"pt", "pt_BR"},
                                                    {"de-AT", "de"},
                                                    {"uk_UA.UTF-8@euro", "uk"},
                                                    {"tr-TR", "tr"},
                                                    {"en-GB", "en"},
                                                    {"POSIX", "en"},
                                                    {"sv_SE", "sv"},
                                                    {"qps-ploc", "qps"},
                                                    {"he_IL", ""},
                                                    {"qps-plocm", "qps_plocm"},
                                                    {"qps_PLOCM.UTF-8", "qps_plocm"},
                                                    {"pt_PT", "pt_PT"},
                                                    {"pt-AO", "pt_BR"},
                                                    {"es_ES", "es"},
                                                    {"es", "es"},
                                                    {"es_MX.UTF-8", "es_419"},
                                                    {"es-419", "es_419"},
                                                    {"es_AR", "es_419"},
                                                    {"es-US", "es_419"},
                                                    {"nb_NO", "nb"},
                                                    {"nn_NO", "nb"},
                                                    {"no", "nb"},
                                                    {"el_GR", "el"},
                                                    {"vi-VN", "vi"},
                                                    {"cs_CZ", "cs"}};
  for (const auto& [tag, code] : cases) EXPECT_EQ(language_code(tag), code) << tag;
  // Every Arabic region by its language part; Thailand's Thai.
  for (const char* tag : {"ar", "ar_EG.UTF-8", "ar-SA", "ar_MA", "ar-DZ"})
    EXPECT_EQ(language_code(tag), "ar") << tag;
  EXPECT_EQ(language_code("th_TH.UTF-8"), "th");
}

TEST_F(Language, CatalogReadsPluralsContinuationsAndEscapes) {
  g_lang = parse_po(
      "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=3;\\n\"\n\n"
      "# a comment\nmsgid \"Back\"\nmsgstr \"Zur\"\n\"\\\"ück\\\"\"\n\n"
      "msgid \"{count} file\"\nmsgid_plural \"{count} files\"\n"
      "msgstr[0] \"{count} plik\"\nmsgstr[1] \"{count} pliki\"\nmsgstr[2] \"{count} plików\"\n\n"
      "#, fuzzy\nmsgid \"Play\"\nmsgstr \"Graj?\"\n\nmsgid \"Quit\"\nmsgstr \"\"\n",
      "pl");
  EXPECT_STREQ(tr("Back"), "Zur\"ück\"");
  EXPECT_STREQ(tr("Play"), "Play");  // fuzzy: not trusted
  EXPECT_STREQ(tr("Quit"), "Quit");  // not translated
  EXPECT_STREQ(trn("{count} file", "{count} files", 1), "{count} plik");
  EXPECT_STREQ(trn("{count} file", "{count} files", 3), "{count} pliki");
  EXPECT_STREQ(trn("{count} file", "{count} files", 25), "{count} plików");
  EXPECT_STREQ(trn("not in it", "not in them", 5), "not in them");
}

// What the reader makes of flags, charsets, escapes and sizes: each case a catalog, an
// English text and what the window shows for it.
TEST_F(Language, CatalogReaderFlagsCharsetsEscapesAndSize) {
  const std::string utf8 = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
  const std::string latin1 = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n\n";
  const std::string unknown = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=X-NONE\\n\"\n\n";
  const std::string utf16 = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-16\\n\"\n\n";
  const std::string big = utf8 +
                          "msgid \"Back\"\nmsgstr \"Zur\xC3\xBC"
                          "ck\"\n\n#" +
                          std::string(PO_MAX_BYTES, ' ');
  const struct {
    std::string po;
    const char* english;
    std::string shown;
  } cases[] = {
      // A flag belongs to the entry below it, blank line or not.
      {"msgid \"Back\"\nmsgstr \"Zur\xC3\xBC"
       "ck\"\n#, fuzzy\nmsgid \"Play\"\nmsgstr \"Spielen?\"\n",
       "Back",
       "Zur\xC3\xBC"
       "ck"},
      {"msgid \"Back\"\nmsgstr \"Zur\xC3\xBC"
       "ck\"\n#, fuzzy\nmsgid \"Play\"\nmsgstr \"Spielen?\"\n",
       "Play", "Play"},
      {"#, c-format, fuzzy\nmsgid \"Play\"\nmsgstr \"Spielen?\"\n", "Play", "Play"},
      {"#, no-fuzzy-here\nmsgid \"Play\"\nmsgstr \"Spielen\"\n", "Play", "Spielen"},
      {"msgctxt \"menu\"\nmsgid \"Play\"\nmsgstr \"Abspielen\"\n", "Play", "Play"},  // tr() has no contexts
      // The header's charset: converted to UTF-8; unknown, or not ASCII-compatible: English.
      {latin1 + "msgid \"Back\"\nmsgstr \"Zur\xFC"
                "ck\"\n",
       "Back",
       "Zur\xC3\xBC"
       "ck"},
      {unknown + "msgid \"Back\"\nmsgstr \"Zur\xFC"
                 "ck\"\n",
       "Back", "Back"},
      {utf16 + "msgid \"Back\"\nmsgstr \"Zurueck\"\n", "Back", "Back"},
      {utf8 + "msgid \"Back\"\nmsgstr \"Zur\xFC"
              "ck\"\n",
       "Back", "Back"},  // not UTF-8
      {utf8 + "msgid \"Back\"\nmsgstr \"Zur\xC3\xBC"
              "ck\"\n",
       "Back",
       "Zur\xC3\xBC"
       "ck"},
      // C's escapes, in octal and hex too; one C has not leaves the entry out.
      {"msgid \"Back\"\nmsgstr \"a\\rb\\101\\x42\\x63-\\7\\?\"\n", "Back", "a\rbABc-\a?"},
      {latin1 + "msgid \"Back\"\nmsgstr \"Zur\\374ck\"\n", "Back",
       "Zur\xC3\xBC"
       "ck"},
      {"msgid \"Back\"\nmsgstr \"Zur\\q\"\n", "Back", "Back"},
      {"msgid \"Back\"\nmsgstr \"Zur\\x1FF\"\n", "Back", "Back"},
      {"msgid \"Back\"\nmsgstr \"Zur\\000\"\n", "Back", "Back"},  // a NUL would cut the text
      {"msgid \"Back\"\nmsgstr \"Zur\n", "Back", "Back"},         // not closed
      // Larger than the bound: not read at all.
      {big, "Back", "Back"},
      {big.substr(0, PO_MAX_BYTES), "Back",
       "Zur\xC3\xBC"
       "ck"},
  };
  for (const auto& c : cases) {
    g_lang = parse_po(c.po, "de");
    EXPECT_EQ(tr(c.english), c.shown) << c.po.substr(0, 200);
  }
}

// A translation that loses, renames or invents a placeholder would show a wrong or empty
// value: English takes its place.
TEST_F(Language, TranslationWithOtherPlaceholdersFallsBackToEnglish) {
  g_lang = parse_po(
      "msgid \"Built in {time}.\"\nmsgstr \"Gebaut in {zeit}.\"\n\n"
      "msgid \"Version {version}\"\nmsgstr \"Version\"\n\n"
      "msgid \"Quit\"\nmsgstr \"Beenden {now}\"\n\n"
      "msgid \"{count} warning\"\nmsgid_plural \"{count} warnings\"\n"
      "msgstr[0] \"{count} Warnung\"\nmsgstr[1] \"viele Warnungen\"\n\n"
      "msgid \"Step {step} of {total}\"\nmsgstr \"{total}: Schritt {step}\"\n",
      "de");
  EXPECT_STREQ(tr("Built in {time}."), "Built in {time}.");
  EXPECT_STREQ(tr("Version {version}"), "Version {version}");
  EXPECT_STREQ(tr("Quit"), "Quit");
  EXPECT_STREQ(trn("{count} warning", "{count} warnings", 1), "{count} warning");
  EXPECT_STREQ(tr("Step {step} of {total}"), "{total}: Schritt {step}");  // another order is fine
  EXPECT_EQ(fill(tr("Step {step} of {total}"), {{"step", "3"}, {"total", "13"}}), "13: Schritt 3");
  // A name holds no brace; a text that opens many at once is read in one pass.
  EXPECT_EQ(placeholders("{{count} of {total}} {"), (std::vector<std::string>{"count", "total"}));
  EXPECT_EQ(placeholders(std::string(1 << 20, '{') + "}").size(), 1u);
}

TEST_F(Language, PluralFormsOfTheShippedLanguages) {
  const std::map<std::string, std::vector<int>> forms = {
      // n = 0, 1, 2, 5, 11, 21, 22, 25, 111, 112
      {"ru", {2, 0, 1, 2, 2, 0, 1, 2, 2, 2}},    {"uk", {2, 0, 1, 2, 2, 0, 1, 2, 2, 2}},
      {"pl", {2, 0, 1, 2, 2, 2, 1, 2, 2, 2}},    {"fr", {0, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
      {"pt_BR", {0, 0, 1, 1, 1, 1, 1, 1, 1, 1}}, {"de", {1, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
      {"ja", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},    {"zh_TW", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"cs", {2, 0, 1, 2, 2, 2, 2, 2, 2, 2}},    {"ro", {1, 0, 1, 1, 1, 2, 2, 2, 1, 1}},
      {"vi", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},    {"nb", {1, 0, 1, 1, 1, 1, 1, 1, 1, 1}}};
  const unsigned long long n[] = {0, 1, 2, 5, 11, 21, 22, 25, 111, 112};
  for (const auto& [code, want] : forms)
    for (size_t i = 0; i < want.size(); i++)
      EXPECT_EQ(plural_form(code, n[i]), want[i]) << code << " " << n[i];
  // Arabic's six: zero, one, two, 3 to 10, 11 to 99, and the rest, by the last two digits.
  const unsigned long long ar_n[] = {0, 1, 2, 3, 10, 11, 99, 100, 101, 102, 103, 111};
  const int ar_form[] = {0, 1, 2, 3, 3, 4, 4, 5, 5, 5, 3, 4};
  for (size_t i = 0; i < std::size(ar_n); i++)
    EXPECT_EQ(plural_form("ar", ar_n[i]), ar_form[i]) << "ar " << ar_n[i];
}

// Every row of the table: a name, a plural rule that gives each of its forms and no other,
// the system codes that choose it.
TEST_F(Language, TheTableOfLanguages) {
  ASSERT_EQ(language_table().size(), 30u);
  EXPECT_EQ(language_table()[0].code, "en");
  for (const LanguageRow& row : language_table()) {
    EXPECT_FALSE(row.name.empty()) << row.code;
    std::vector<bool> seen(row.nplurals);
    for (unsigned long long n = 0; n < 1000; n++) {
      int form = plural_index(row.plural, n);
      ASSERT_LT(form, row.nplurals) << row.code << " " << n;
      seen[form] = true;
    }
    for (int i = 0; i < row.nplurals; i++) EXPECT_TRUE(seen[i]) << row.code << " form " << i;
    EXPECT_EQ(language_code(row.code), row.code);
  }
  EXPECT_EQ(plural_index("n%10==1 && n%100!=11 ? 0 : 1", 111), 1);
  EXPECT_EQ(plural_index("(n > 1", 5), 0);  // unreadable: the first form
  const std::vector<LanguageRow> rows = parse_language_table(
      "# x\ncode\tname\n"
      "ab\tAb\t1\t0\t,\t\\h\t{percent}\\s%\tG\tM\t;\t1\tab_x\n");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].group, "\xC2\xA0");
  EXPECT_EQ(rows[0].percent, "{percent} %");
  EXPECT_TRUE(rows[0].rtl);
  EXPECT_EQ(rows[0].system, std::vector<std::string>{"ab_x"});
}

TEST_F(Language, PseudoLanguageAccentsLengthensAndKeepsPlaceholders) {
  g_lang.code = PSEUDO;
  const std::string english = "Built in {time}. Tarnwell is ready.";
  const std::string pseudo = tr(english.c_str());
  EXPECT_EQ(pseudo.front(), '[');
  EXPECT_EQ(pseudo.back(), ']');
  EXPECT_EQ(placeholders(pseudo), placeholders(english));
  size_t characters = 0, ascii_letters = 0;
  for (size_t i = 0; i < pseudo.size(); i++) {
    if (pseudo[i] == '{')
      i = pseudo.find('}', i);
    else if (((unsigned char)pseudo[i] & 0xC0) != 0x80)
      characters++;
    if (isalpha((unsigned char)pseudo[i])) ascii_letters++;
  }
  EXPECT_EQ(ascii_letters, 0u) << pseudo;
  EXPECT_GE(characters, (english.size() - 6) * 14 / 10 + 2) << pseudo;
  EXPECT_EQ(tr(english.c_str()), tr(english.c_str()));  // made once: the same text each frame
}

// The right-to-left pseudo-language: a Hebrew letter for each Latin one, so that it is as
// long as the English and written right to left, with digits, signs and placeholders
// kept; it lays the window out mirrored, as does every row of the table marked so.
TEST_F(Language, RightToLeftPseudoLanguageIsHebrewAsLongAsTheEnglish) {
  EXPECT_EQ(choose_language({"qps_plocm", "de_DE"}), "de");  // never the system's choice
  const std::string english = "Built in {time}. 36 GB free on C:";
  g_lang.code = PSEUDO;
  const std::string accented = tr(english.c_str());
  EXPECT_FALSE(ui_rtl());
  g_lang.code = PSEUDO_RTL;
  const std::string rtl = tr(english.c_str());
  EXPECT_TRUE(ui_rtl());
  EXPECT_NE(rtl, accented) << "each pseudo-language keeps its own texts";
  EXPECT_EQ(rtl, "בשטלר טנ {time}. 36 זב וצהה סנ ג:");
  EXPECT_STREQ(trn("{count} file", "{count} files", 2), pseudo_rtl_text("{count} files").c_str());
  for (const LanguageRow& row : language_table()) {
    g_lang.code = row.code;
    EXPECT_EQ(ui_rtl(), row.rtl) << row.code;
  }
}

// The disk questions' threads translate while the frame thread does: each text is made once,
// whichever thread asks first, and every pointer handed out stays good.
TEST_F(Language, PseudoLanguageTranslatesOnTwoThreadsAtOnce) {
  g_lang.code = PSEUDO;
  std::vector<std::string> english;
  for (int i = 0; i < 20000; i++) english.push_back("Folder " + std::to_string(i) + " of {total}");
  std::vector<const char*> seen[2];
  auto ask = [&](int which) {
    for (size_t i = 0; i < english.size(); i++) {
      size_t at = which ? english.size() - 1 - i : i;  // the two meet halfway
      seen[which].push_back(i % 2 ? tr(english[at].c_str()) : trn("x", english[at].c_str(), 2));
    }
  };
  std::thread other(ask, 1);
  ask(0);
  other.join();
  for (size_t i = 0; i < english.size(); i++) {
    const char* mine = seen[0][i];
    const char* theirs = seen[1][english.size() - 1 - i];
    ASSERT_EQ(mine, theirs) << english[i];
    ASSERT_EQ(mine, pseudo_text(english[i])) << english[i];
    ASSERT_EQ(tr(english[i].c_str()), mine);
  }
}

TEST_F(Language, NumbersSizesAndTimesAsTheLanguageWritesThem) {
  use_language(TARNWELL_SOURCE_DIR, "fr");
  ASSERT_STREQ(tr("Play"), "Jouer");
  EXPECT_EQ(size_in_language(36400000000ull), "36,4\xC2\xA0Go");
  EXPECT_EQ(size_in_language(512000000ull), "512\xC2\xA0Mo");
  EXPECT_EQ(percent_in_language(42), "42\xC2\xA0%");
  EXPECT_EQ(grouped_text(10485760),
            "10\xC2\xA0"
            "485\xC2\xA0"
            "760");
  EXPECT_EQ(duration(61000), "1\xC2\xA0min 01\xC2\xA0s");
  use_language(TARNWELL_SOURCE_DIR, "de");
  EXPECT_EQ(decimal_text(1.25, 1), "1,2");
  EXPECT_EQ(grouped_text(10485760), "10.485.760");
  use_language(TARNWELL_SOURCE_DIR, "tr");
  EXPECT_EQ(percent_in_language(7), "%7");
  use_language(TARNWELL_SOURCE_DIR, "en");
  EXPECT_EQ(size_in_language(36400000000ull), "36.4 GB");
  EXPECT_EQ(grouped_text(10485760), "10,485,760");
  EXPECT_EQ(percent_in_language(42), "42%");
  EXPECT_EQ(list_in_language({"cmake", "ninja"}), "cmake, ninja");
  g_lang.code = "ja";
  EXPECT_EQ(list_in_language({"cmake", "ninja"}), "cmake\xE3\x80\x81ninja");
  g_lang.code = "es_419";  // Latin America writes a decimal point
  EXPECT_EQ(decimal_text(1.25, 1), "1.2");
}

}  // namespace
