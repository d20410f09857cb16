#include <gtest/gtest.h>

#include "text/paramlist.h"

#include <string>
#include <utility>
#include <vector>

using namespace pelmora::text;
using namespace std::string_literals;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs PairsOf(const ParamList& list) {
  Pairs pairs;
  const auto names = list.Names();
  const auto values = list.Values();
  EXPECT_EQ(names.size(), values.size());
  for (std::size_t i = 0; i < names.size() && i < values.size(); ++i)
    pairs.emplace_back(names[i], values[i]);
  return pairs;
}

ParamList ListOf(const Pairs& pairs) {
  ParamList list;
  for (const auto& [name, value] : pairs) list.Add(name, value);
  return list;
}

}  // namespace

TEST(ParamListRendering, ByteExactRenderings) {
  struct Case {
    const char* what;
    Pairs pairs;
    std::string query, queryEncoded, lines, linesEncoded, json;
  } cases[] = {
      {"empty list", {}, "", "", "", "", "{}"},
      {"two pairs",
       {{"a", "1"}, {"b", "2"}},
       "a=1&b=2", "a=1&b=2",
       "a: 1\r\nb: 2\r", "a: 1\r\nb: 2\r",
       "{\"a\":\"1\",\"b\":\"2\"}"},
      {"single pair ends with a lone CR", {{"tel", "13800000000"}},
       "tel=13800000000", "tel=13800000000",
       "tel: 13800000000\r", "tel: 13800000000\r",
       "{\"tel\":\"13800000000\"}"},
      {"empty value and empty name",
       {{"a", ""}, {"", "2"}},
       "a=&=2", "a=&=2",
       "a: \r\n: 2\r", "a: \r\n: 2\r",
       "{\"a\":\"\",\"\":\"2\"}"},
      {"separators inside a value: escaped only with encode, names only by the query form",
       {{"k&=", "a&b=c"}},
       "k&==a&b=c", "k%26%3D=a%26b%3Dc",
       "k&=: a&b=c\r", "k&=: a%26b%3Dc\r",
       "{\"k&=\":\"a&b=c\"}"},
      {"field separators and CR LF in a value",
       {{"n: x", "v: 1\r\n2"}},
       "n: x=v: 1\r\n2", "n%3A%20x=v%3A%201%0D%0A2",
       "n: x: v: 1\r\n2\r", "n: x: v%3A%201%0D%0A2\r",
       "{\"n: x\":\"v: 1\r\n2\"}"},
      // 用户 (D3 C3 BB A7) = 张 (D5 C5): GBK bytes go out as they are, or as %XX GBK bytes.
      {"GBK texts",
       {{"\xD3\xC3\xBB\xA7", "\xD5\xC5"}},
       "\xD3\xC3\xBB\xA7=\xD5\xC5", "%D3%C3%BB%A7=%D5%C5",
       "\xD3\xC3\xBB\xA7: \xD5\xC5\r", "\xD3\xC3\xBB\xA7: %D5%C5\r",
       "{\"\xD3\xC3\xBB\xA7\":\"\xD5\xC5\"}"},
      {"JSON escapes only the double quote of a value",
       {{"q\"", "say \"hi\" \\ \x01"}},
       "q\"=say \"hi\" \\ \x01", "q%22=say%20%22hi%22%20%5C%20%01",
       "q\": say \"hi\" \\ \x01\r", "q\": say%20%22hi%22%20%5C%20%01\r",
       "{\"q\"\":\"say \\\"hi\\\" \\ \x01\"}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ParamList list = ListOf(c.pairs);
    EXPECT_EQ(list.ToQueryString(), c.query);
    EXPECT_EQ(list.ToQueryString(true), c.queryEncoded);
    EXPECT_EQ(list.ToFieldLines(), c.lines);
    EXPECT_EQ(list.ToFieldLines(true), c.linesEncoded);
    EXPECT_EQ(list.ToJsonObject(), c.json);
  }
  // The figures the wire relies on.
  const ParamList ab = ListOf({{"a", "1"}, {"b", "2"}});
  EXPECT_EQ(ab.ToFieldLines().size(), 11u);
  EXPECT_EQ(ab.ToJsonObject().size(), 17u);
}

TEST(ParamListLookup, EmptyListHasNothing) {
  ParamList list;
  EXPECT_TRUE(list.Names().empty());
  EXPECT_TRUE(list.Values().empty());
  EXPECT_EQ(list.Get("a"), "");
  EXPECT_EQ(list.Get(""), "");
  list.Remove("a");
  EXPECT_TRUE(PairsOf(list).empty());
}

TEST(ParamListLookup, DuplicatesActOnTheFirstMatchOnly) {
  ParamList list;
  list.Add("a", "1");
  list.Add("b", "x");
  list.Add("a", "2");
  EXPECT_EQ(list.Get("a"), "1");
  list.Set("a", "3");
  EXPECT_EQ(PairsOf(list), (Pairs{{"a", "3"}, {"b", "x"}, {"a", "2"}}));
  list.Remove("a");
  EXPECT_EQ(list.Get("a"), "2");
  EXPECT_EQ(PairsOf(list), (Pairs{{"b", "x"}, {"a", "2"}}));
  // Set without a match appends; Remove without one does nothing.
  list.Set("c", "4");
  list.Remove("zz");
  EXPECT_EQ(PairsOf(list), (Pairs{{"b", "x"}, {"a", "2"}, {"c", "4"}}));
  list.Clear();
  EXPECT_TRUE(PairsOf(list).empty());
  EXPECT_EQ(list.ToQueryString(), "");
}

TEST(ParamListLookup, NamesCompareExactly) {
  const ParamList list = ListOf({{"A", "upper"}, {" a", "blank"}, {"", "empty"}, {"a", "lower"}});
  EXPECT_EQ(list.Get("a"), "lower");
  EXPECT_EQ(list.Get("A"), "upper");
  EXPECT_EQ(list.Get(" a"), "blank");
  EXPECT_EQ(list.Get(""), "empty");
  EXPECT_EQ(list.Get("a "), "");
}

TEST(ParamListLookup, CopyIsIndependent) {
  ParamList original = ListOf({{"a", "1"}, {"b", "2"}});
  ParamList copy = original;
  copy.Set("a", "changed");
  copy.Add("c", "3");
  copy.Remove("b");
  EXPECT_EQ(PairsOf(original), (Pairs{{"a", "1"}, {"b", "2"}}));
  original.Clear();
  EXPECT_EQ(PairsOf(copy), (Pairs{{"a", "changed"}, {"c", "3"}}));
  ParamList assigned;
  assigned = copy;
  copy.Set("c", "x");
  EXPECT_EQ(assigned.Get("c"), "3");
}

TEST(ParamListLookup, StoresItsOwnCopies) {
  ParamList list;
  {
    std::string name = "user";
    std::string value = "abc";
    list.Add(name, value);
    name[0] = 'X';
    value.assign(1000, 'z');
  }
  EXPECT_EQ(list.Get("user"), "abc");
  std::vector<std::string> names = list.Names();
  names[0] = "other";
  EXPECT_EQ(list.Names(), std::vector<std::string>{"user"});
}

TEST(ParamListParse, SplitsIntoPairs) {
  struct Case {
    std::string text;
    Pairs pairs;
  } cases[] = {
      {"", {}},
      {"a=1&b=2", {{"a", "1"}, {"b", "2"}}},
      {"a=b=c", {{"a", "c"}}},  // the bytes between the first and last "=" are lost
      {"x", {{"", ""}}},
      {"=5", {{"", "5"}}},
      {"a=", {{"a", ""}}},
      {"a=1&&b=2", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      {"&a=1", {{"", ""}, {"a", "1"}}},
      {"a=1&", {{"a", "1"}}},
      {"&", {{"", ""}}},
      {"&&", {{"", ""}, {"", ""}}},
      {"a=%41+b", {{"a", "%41+b"}}},  // nothing decoded
      // GBK: the byte after a lead byte is never a separator. "\x81&" and "\x81=" are one
      // character each.
      {"a=\x81&b", {{"a", "\x81&b"}}},
      {"a=\x81&b=2", {{"a", "2"}}},
      {"\x81=1", {{"", ""}}},
      {"\x81==1", {{"\x81=", "1"}}},
      {"\xD5\xC5=\xC8\xFD&c=d", {{"\xD5\xC5", "\xC8\xFD"}, {"c", "d"}}},  // 张=三
      {"a=1&\x81", {{"a", "1"}, {"", ""}}},  // a lone lead byte at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ParamList list;
    list.ParseQuery(c.text);
    EXPECT_EQ(PairsOf(list), c.pairs);
  }
}

TEST(ParamListParse, AppendsBehindExistingPairsAndRoundTrips) {
  ParamList list;
  list.Add("first", "0");
  list.ParseQuery("a=1&b=2");
  EXPECT_EQ(PairsOf(list), (Pairs{{"first", "0"}, {"a", "1"}, {"b", "2"}}));
  ParamList again;
  again.ParseQuery(list.ToQueryString());
  EXPECT_EQ(PairsOf(again), PairsOf(list));
}

TEST(ParamListParse, ToUtf8ConvertsNamesAndValues) {
  ParamList list;
  list.ParseQuery("\xD6\xD0=\xD6\xD0&k=v", true);  // 中=中
  EXPECT_EQ(PairsOf(list), (Pairs{{"\xE4\xB8\xAD", "\xE4\xB8\xAD"}, {"k", "v"}}));
  list.Add("\xD6\xD0", "x", true);
  list.Add("\xD6\xD0", "y");
  EXPECT_EQ(list.Names()[2], "\xE4\xB8\xAD");
  EXPECT_EQ(list.Names()[3], "\xD6\xD0");
  // Set stores the value as given.
  list.Set("k", "\xD6\xD0");
  EXPECT_EQ(list.Get("k"), "\xD6\xD0");
}

TEST(ParamListText, EveryTextEndsAtItsFirstNul) {
  ParamList list;
  list.Add("us\0er"s, "ab\0cd"s);
  EXPECT_EQ(PairsOf(list), (Pairs{{"us", "ab"}}));
  EXPECT_EQ(list.Get("us\0zz"s), "ab");
  list.Set("us\0"s, "x\0y"s);
  EXPECT_EQ(list.Get("us"), "x");
  list.ParseQuery("c=3\0&d=4"s);
  EXPECT_EQ(PairsOf(list), (Pairs{{"us", "x"}, {"c", "3"}}));
  list.Remove("c\0d"s);
  EXPECT_EQ(list.ToQueryString(), "us=x");
  EXPECT_EQ(PercentEncode("a\0b"s, true, false), "a");
  EXPECT_EQ(GbkToUtf8("\xD6\xD0\0\xD6\xD0"s), "\xE4\xB8\xAD");
  EXPECT_EQ(TextBefore("a=b\0=c"s, "="), "a");
  EXPECT_EQ(TextAfter("a=b\0=c"s, "="), "b");
  EXPECT_EQ(ParamList::EscapeQuotes("\"\0\""s), "\\\"");
  std::string text = "a,\0,"s;
  EXPECT_EQ(ParamList::TrimAffix(text, ","), "a");
  EXPECT_EQ(text, "a");
}

TEST(ParamListText, PercentEncode) {
  struct Case {
    std::string text;
    bool keepSafe, asUtf8;
    std::string encoded;
  } cases[] = {
      {"", true, false, ""},
      {"", false, true, ""},
      {"a b/\xD6\xD0", true, false, "a%20b%2F%D6%D0"},
      {"a b/\xD6\xD0", true, true, "a%20b%2F%E4%B8%AD"},
      {"ab", false, false, "%61%62"},
      {"-.09AZaz", true, false, "-.09AZaz"},
      {"-.09AZaz", false, false, "%2D%2E%30%39%41%5A%61%7A"},
      {"_~/*+ ,:", true, false, "%5F%7E%2F%2A%2B%20%2C%3A"},
      {"@[`{", true, false, "%40%5B%60%7B"},  // the neighbours of the letter ranges
      {"\n\x01\x7F", true, false, "%0A%01%7F"},
      {"\x80\xFF\xA1\xA1", true, false, "%80%FF%A1%A1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(PercentEncode(c.text, c.keepSafe, c.asUtf8), c.encoded);
  }
  // Exactly 64 bytes are safe: "-", ".", ten digits and 52 letters.
  int safe = 0;
  for (int b = 1; b < 256; ++b)
    if (PercentEncode(std::string(1, static_cast<char>(b)), true, false).size() == 1) ++safe;
  EXPECT_EQ(safe, 64);
}

TEST(ParamListText, GbkToUtf8) {
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(GbkToUtf8("user=abc&1"), "user=abc&1");
  EXPECT_EQ(GbkToUtf8("\xD6\xD0"), "\xE4\xB8\xAD");  // 中
  // Invalid GBK is substituted and the conversion goes on.
  EXPECT_EQ(GbkToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
}

TEST(ParamListText, EscapeQuotes) {
  struct Case {
    std::string text, escaped;
  } cases[] = {
      {"", ""},
      {"\"\"", "\\\"\\\""},
      {"a\\b", "a\\b"},
      {"\\\"", "\\\\\""},
      {"\xD6\xD0\"", "\xD6\xD0\\\""},
  };
  for (const auto& c : cases) {
    const std::string argument = c.text;
    EXPECT_EQ(ParamList::EscapeQuotes(argument), c.escaped);
    EXPECT_EQ(argument, c.text);
  }
}

TEST(ParamListText, TrimAffix) {
  struct Case {
    std::string text, affix, trimmed;
  } cases[] = {
      {",a,", ",", "a"},
      {"a,,", ",", "a,"},
      {",,a", ",", ",a"},
      {",", ",", ""},
      {"a,", "", "a,"},
      {"", ",", ""},
      {"xyaxy", "xy", "a"},
      {"xy", "xyz", "xy"},
      {"{\"a\":\"1\",", ",", "{\"a\":\"1\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.affix);
    std::string text = c.text;
    EXPECT_EQ(ParamList::TrimAffix(text, c.affix), c.trimmed);
    EXPECT_EQ(text, c.trimmed);
  }
}

TEST(ParamListText, TextBeforeAndAfter) {
  struct Case {
    std::string text, separator, before, after;
  } cases[] = {
      {"a=b=c", "=", "a", "c"},
      {"abc", "=", "", ""},
      {"=abc", "=", "", "abc"},
      {"abc=", "=", "abc", ""},
      {"", "=", "", ""},
      {"abc", "", "", ""},
      {"aXbxc", "x", "aXb", "c"},  // case-sensitive
      {"a::b::c", "::", "a", "c"},
      {"\x81=a=b", "=", "\x81=a", "b"},      // "\x81=" is one character
      {"a=b\x81=", "=", "a", "b\x81="},
      {"\xD5\xC5\xC8\xFD", "\xC5\xC8", "", ""},  // 张三: C5 C8 spans two characters
      {"\xD5\xC5:\xC8\xFD", ":", "\xD5\xC5", "\xC8\xFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.separator);
    EXPECT_EQ(TextBefore(c.text, c.separator), c.before);
    EXPECT_EQ(TextAfter(c.text, c.separator), c.after);
  }
}
