// The table of languages (locale/languages.tsv, compiled in): each language's code, its
// name in its own language, its plural rule, how it writes numbers, sizes and lists, its
// direction, and the system codes that choose it. The window, scripts/catalogs.py and the
// stand-in read the same file, so a new language is a row there and its catalog.
#pragma once

#include <string>
#include <vector>

struct LanguageRow {
  std::string code;    // "de", "pt_BR": the catalog's name
  std::string name;    // "Deutsch": in its own language
  int nplurals = 2;    // plural forms in its catalog
  std::string plural;  // which form a count takes: a C expression of n ("(n != 1)")
  std::string decimal = ".", group = ",";
  std::string percent = "{percent}%";
  std::string gigabytes = "{size} GB", megabytes = "{size} MB";
  std::string list = ", ";  // between the items of a list
  bool rtl = false;
  std::vector<std::string> system;  // more system codes, lower case ("nn", "es_mx")
};

// The rows of a table's text; lines that are empty, comments or malformed are skipped.
std::vector<LanguageRow> parse_language_table(const std::string& tsv);

// The compiled-in table, in the order of the window's language list (English first).
const std::vector<LanguageRow>& language_table();

// The row of `code`, or nullptr.
const LanguageRow* language_row(const std::string& code);

// The form that `plural` (a gettext Plural-Forms expression) gives for n; 0 for an
// expression it cannot read.
int plural_index(const std::string& plural, unsigned long long n);

// The code of the row that a system code chooses ("de_at", "zh_hant_tw", "es_419",
// lower case with "_"): by its language and script, then language and region, then
// language alone; "" when no row has it.
std::string table_code_for(const std::string& tag);
