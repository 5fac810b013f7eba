// The JSON reader: what it accepts, what it refuses, and the bytes it produces.
#include "backend/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Read {
  bool ok = false;
  J value;
  size_t used = 0;  // bytes the cursor moved
};

Read read(const std::string& text) {
  Read r;
  const char* cursor = text.c_str();
  r.ok = jparse(cursor, r.value);
  r.used = (size_t)(cursor - text.c_str());
  return r;
}

std::string decoded(const std::string& quoted) {
  std::string out;
  const char* cursor = quoted.c_str();
  EXPECT_TRUE(jstring(cursor, out)) << quoted;
  return out;
}

TEST(Json, ScalarsAndWhereTheCursorStops) {
  Read t = read("  true");
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.value.kind, 1);
  EXPECT_TRUE(t.value.b);
  EXPECT_EQ(t.used, 6u);

  Read f = read("false");
  EXPECT_EQ(f.value.kind, 1);
  EXPECT_FALSE(f.value.b);

  Read n = read("\t\r\nnull");
  EXPECT_TRUE(n.ok);
  EXPECT_EQ(n.value.kind, 0);
  EXPECT_EQ(n.used, 7u);

  // The prefix test does not look at what follows.
  Read trueish = read("trueish");
  EXPECT_TRUE(trueish.ok);
  EXPECT_TRUE(trueish.value.b);
  EXPECT_EQ(trueish.used, 4u);

  Read s = read("\"h\xC3\xA9\" tail");
  EXPECT_EQ(s.value.kind, 3);
  EXPECT_EQ(s.value.str, "h\xC3\xA9");
  EXPECT_EQ(s.used, 5u);
}

TEST(Json, NumbersAreWhateverStrtodReads) {
  EXPECT_DOUBLE_EQ(read("-12.5e1").value.num, -125.0);
  EXPECT_DOUBLE_EQ(read("+3").value.num, 3.0);
  EXPECT_DOUBLE_EQ(read("0x10").value.num, 16.0);
  EXPECT_TRUE(std::isinf(read("inf").value.num));
  EXPECT_TRUE(std::isnan(read("nan").value.num));
  Read r = read("7abc");
  EXPECT_EQ(r.value.kind, 2);
  EXPECT_EQ(r.used, 1u);

  for (const char* bad : {"", "   ", "-", "abc", "]", ".", "+"}) {
    Read b = read(bad);
    EXPECT_FALSE(b.ok) << bad;
    EXPECT_EQ(b.value.kind, 0) << bad;
  }
  Read bad = read("  x");
  EXPECT_EQ(bad.used, 2u) << "whitespace is skipped, the cursor stays before what did not read";
}

TEST(Json, ObjectFollowedByTextReadsAsThatObject) {
  Read r = read("{\"type\":\"log\"} trailing {garbage");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.value.kind, 5);
  EXPECT_EQ(r.value["type"].str, "log");
  EXPECT_EQ(r.used, 14u);
}

TEST(Json, DuplicateKeysAreKeptAndLookupFindsTheFirst) {
  Read r = read("{\"a\":1,\"a\":2,\"ab\":3}");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.value.obj.size(), 3u);
  EXPECT_EQ(r.value["a"].num, 1.0);
  EXPECT_EQ(r.value["ab"].num, 3.0);
  EXPECT_EQ(&r.value["b"], &none()) << "a name that is only a prefix of a key is missing";
}

TEST(Json, LookupsOnAnythingButAnObjectGiveNone) {
  for (const char* text : {"12", "\"text\"", "[{\"a\":1}]", "true", "null", "{}"}) {
    Read r = read(text);
    ASSERT_TRUE(r.ok) << text;
    EXPECT_EQ(&r.value["a"], &none()) << text;
  }
  EXPECT_EQ(&none()["a"], &none());
  EXPECT_EQ(&none()[""], &none());
  const J& missing = none();
  EXPECT_EQ(missing.kind, 0);
  EXPECT_FALSE(missing.b);
  EXPECT_EQ(missing.num, 0.0);
  EXPECT_TRUE(missing.str.empty() && missing.arr.empty() && missing.obj.empty());
}

TEST(Json, CommasAreOptionalAndOneMayTrail) {
  Read a = read("[1 2,3,]");
  ASSERT_TRUE(a.ok);
  ASSERT_EQ(a.value.arr.size(), 3u);
  EXPECT_EQ(a.value.arr[2].num, 3.0);

  Read o = read("{\"a\":1 \"b\":[] ,}");
  ASSERT_TRUE(o.ok);
  EXPECT_EQ(o.value.obj.size(), 2u);
  EXPECT_EQ(o.value["b"].kind, 4);

  EXPECT_FALSE(read("[1,,2]").ok) << "one comma at most between elements";
  EXPECT_FALSE(read("{\"a\":1,,\"b\":2}").ok);
  EXPECT_FALSE(read("[,]").ok);
}

TEST(Json, ObjectsNeedQuotedKeysAndColons) {
  EXPECT_FALSE(read("{a:1}").ok);
  EXPECT_FALSE(read("{1:2}").ok);
  EXPECT_FALSE(read("{\"a\" 1}").ok);
  EXPECT_FALSE(read("{\"a\":}").ok);
  EXPECT_TRUE(read("{ \"a\" :\n 1 }").ok);
  // Only space, tab, line feed and carriage return are whitespace.
  EXPECT_FALSE(read("{\f\"a\":1}").ok);
  EXPECT_FALSE(read("{\"a\"\v:1}").ok);
}

TEST(Json, TruncatedLinesFailAsAWhole) {
  for (const char* cut : {"{", "{\"type\":\"log\",\"line\":\"abc", "{\"a\":1", "{\"a\"", "{\"a\":", "[1,2",
                          "[\"x", "\"abc", "\"abc\\", "{\"a\":[{\"b\":1}"}) {
    Read r = read(cut);
    EXPECT_FALSE(r.ok) << cut;
    EXPECT_LE(r.used, strlen(cut)) << cut << ": the cursor never passes the end of the text";
  }
}

TEST(Json, EscapesAndUnicode) {
  EXPECT_EQ(decoded("\"\\u00e9\""), "\xC3\xA9");
  EXPECT_EQ(decoded("\"\\u20ac\""), "\xE2\x82\xAC");
  EXPECT_EQ(decoded("\"\\u20AC\""), "\xE2\x82\xAC");
  EXPECT_EQ(decoded("\"\\u0041\\u007f\\u0080\\u07ff\\u0800\\uffff\""),
            "A\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
  // Surrogate halves are not combined: each becomes three bytes.
  EXPECT_EQ(decoded("\"\\ud83d\\ude00\""), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(decoded("\"\\u0000\""), std::string(1, '\0'));
  // A byte that is not a hex digit counts as 0 and is used up, even a quote.
  EXPECT_EQ(decoded("\"\\u1g\"x\"z\""), "\xE1\x80\x80");

  EXPECT_EQ(decoded("\"a\\nb\\tc\""), "a\nb\tc");
  EXPECT_EQ(decoded("\"a\\rb\\bc\\fd\""), "abcd") << "\\r, \\b and \\f are dropped";
  EXPECT_EQ(decoded("\"a\rb\""), "a\rb") << "a raw carriage return stays";
  EXPECT_EQ(decoded("\"\\\"\\\\\\/\\q\""), "\"\\/q");
  EXPECT_EQ(decoded("\"\xFF\xFE\x80\""), "\xFF\xFE\x80") << "bytes pass through unchecked";
}

TEST(Json, JstringAppendsAndRefusesWithoutAQuote) {
  std::string out = "keep:";
  const char* text = "\"x\"rest";
  const char* cursor = text;
  EXPECT_TRUE(jstring(cursor, out));
  EXPECT_EQ(out, "keep:x");
  EXPECT_STREQ(cursor, "rest");

  const char* bare = "abc\"";
  cursor = bare;
  EXPECT_FALSE(jstring(cursor, out));
  EXPECT_EQ(cursor, bare) << "nothing is read";
  EXPECT_EQ(out, "keep:x");

  // Running out of text inside the string, also right after \u.
  for (const char* cut : {"\"abc", "\"\\", "\"\\u", "\"\\u12"}) {
    std::string s;
    cursor = cut;
    EXPECT_FALSE(jstring(cursor, s)) << cut;
  }
}

TEST(Json, TextEndsAtTheFirstNulByte) {
  std::string after = std::string("{\"type\":\"log\",\"line\":\"a\"}") + '\0' + "{junk";
  Read r = read(after);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.value["line"].str, "a");

  std::string inside = std::string("{\"type\":\"log\",\"line\":\"a") + '\0' + "b\"}";
  EXPECT_FALSE(read(inside).ok);
}

std::string nested(int depth, const char* open, const char* close) {
  std::string s;
  for (int i = 0; i < depth; i++) s += open;
  s += "1";
  for (int i = 0; i < depth; i++) s += close;
  return s;
}

TEST(Json, NestingIsBoundedAt64Levels) {
  Read deepest = read(nested(JSON_MAX_DEPTH, "[", "]"));
  ASSERT_TRUE(deepest.ok);
  const J* v = &deepest.value;
  for (int i = 0; i < JSON_MAX_DEPTH; i++) {
    ASSERT_EQ(v->kind, 4);
    ASSERT_EQ(v->arr.size(), 1u);
    v = &v->arr[0];
  }
  EXPECT_EQ(v->num, 1.0);

  EXPECT_FALSE(read(nested(JSON_MAX_DEPTH + 1, "[", "]")).ok);
  EXPECT_TRUE(read(nested(JSON_MAX_DEPTH, "{\"k\":", "}")).ok);
  EXPECT_FALSE(read(nested(JSON_MAX_DEPTH + 1, "{\"k\":", "}")).ok);
  EXPECT_FALSE(read(nested(JSON_MAX_DEPTH / 2 + 1, "[{\"k\":", "}]")).ok);
  // Far deeper than the stack would allow without the bound.
  EXPECT_FALSE(read(std::string(1000000, '[')).ok);
  EXPECT_FALSE(read(nested(200000, "{\"a\":[", "]}")).ok);
}

TEST(Json, MessagesOfTheBackendRead) {
  Read r = read(
      "{\"type\":\"start\",\"log\":\"C:\\\\t\\\\setup.log\",\"steps\":[{\"id\":\"a\",\"title\":\"Unpack\"},"
      "{\"id\":\"b\",\"title\":\"Build\"}]}\r");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.value["log"].str, "C:\\t\\setup.log");
  ASSERT_EQ(r.value["steps"].arr.size(), 2u);
  EXPECT_EQ(r.value["steps"].arr[1]["title"].str, "Build");
  EXPECT_EQ(r.value["steps"]["id"].kind, 0) << "a lookup on an array is none";
}

// Every file of the JSON test suite reads or is refused without any fault (the sanitizer
// build makes a fault fatal). Files that strict JSON accepts must read here too.
TEST(Json, TestSuiteCorpusReadsOrIsRefusedCleanly) {
  std::filesystem::path dir =
      std::filesystem::path(TARNWELL_SHARED_DIR) / "data/json-test-suite/test_parsing";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << dir << " is not here";
  int files = 0, accepted = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string text = bytes.str();
    std::string name = entry.path().filename().string();
    Read r = read(text);
    files++;
    accepted += r.ok;
    EXPECT_LE(r.used, text.size()) << name;
    if (name.rfind("y_", 0) == 0) {
      EXPECT_TRUE(r.ok) << name;
    }
    if (name.find("100000_opening_arrays") != std::string::npos ||
        name == "n_structure_open_array_object.json") {
      EXPECT_FALSE(r.ok) << name;
    }
  }
  EXPECT_GT(files, 300);
  EXPECT_GT(accepted, 95);
}

}  // namespace
