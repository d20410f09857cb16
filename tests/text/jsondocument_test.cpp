// JsonDocument and ReadJsonField: the reads of service answers, the path rules, every
// operation with its edge cases, and replies that must never run as script.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/scriptengine.h"
#include "text/gbk.h"
#include "text/jsondocument.h"

using namespace pelmora;
using text::JsonDocument;
using text::ReadJsonField;

namespace {

const std::string kFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败
std::string Gbk(const char* utf8) { return platform::Utf8ToGbkBytes(utf8); }
std::string WithoutCrLf(const std::string& s) { return text::RemoveByte(text::RemoveByte(s, '\r'), '\n'); }

// The reading done the long way, through full documents: a constructed document, Parse,
// TypeOf, and for a number a sub-document of its own. ReadJsonField must agree with it.
std::string ReadThroughDocuments(std::string reply, std::string_view path) {
  reply = WithoutCrLf(reply);
  JsonDocument doc;
  if (!doc.Parse(reply)) return kFailed;
  switch (doc.TypeOf(path)) {
    case text::kJsonBoolean: return doc.GetJson(path);
    case text::kJsonNumber: return doc.GetDocument(path).ToJson();
    case text::kJsonString: return doc.GetText(path);
    default: return doc.GetText(path, true);
  }
}

// What a document's engine says about a script (for looking behind the document's back).
std::string Peek(const JsonDocument& doc, const std::string& script) {
  return doc.Engine() ? doc.Engine()->EvalText(script) : std::string("no engine");
}

const std::string kAnswer = Gbk(
    "{\"code\":0,\"msg\":\"请求成功\",\r\n\"phoneList\":[{\"mobile\":\"13800138000\",\"province\":\"广东\",\r\n"
    "\"city\":\"深圳\",\"operatorType\":\"移动\",\"phoneStatus\":12,\"s\":\"12\",\"t\":true,\"f\":false,"
    "\"o\":{\"a\": [1, 2], \"b\" : {}},\"n\":null,\"half\":-0.5,\"big\":1e21,\"line\":\"a\r\nb\","
    "\"mark\":\"x\\u2400y\",\"list\":[\"p\", 2]}],\"empty\":[]}\r\n");

}  // namespace

TEST(ReadJsonField, ReadsMembersOfServiceAnswers) {
  struct Case {
    std::string reply;
    std::string path;
    std::string expected;
  } cases[] = {
      {kAnswer, "phoneList[0].province", Gbk("广东")},  // laid out over several lines
      {kAnswer, "phoneList[0].city", Gbk("深圳")},
      {kAnswer, "phoneList[0].operatorType", Gbk("移动")},
      {kAnswer, "phoneList[0].phoneStatus", "12"},
      {kAnswer, "phoneList[0].s", "12"},
      {kAnswer, "phoneList[0].t", "true"},
      {kAnswer, "phoneList[0].f", "false"},
      {kAnswer, "phoneList[0].o", "{\"a\":[1,2],\"b\":{}}"},  // compact, no blanks
      {kAnswer, "phoneList[0].list", "[\"p\",2]"},
      {kAnswer, "phoneList[0].n", "null"},
      {kAnswer, "phoneList[0].half", "-0.5"},
      {kAnswer, "phoneList[0].big", "1e+21"},
      {kAnswer, "code", "0"},
      {kAnswer, "phoneList[0].line", "ab"},   // the line break went before parsing
      {kAnswer, "phoneList[0].mark", "x\\y"},  // U+2400 reads as a backslash
      {kAnswer, "phoneList[0].missing", ""},
      {kAnswer, "nothing.at.all", ""},
      {kAnswer, "empty[0].province", ""},  // past the end of an empty phoneList
      {"{\"phoneList\":[]}", "phoneList[0].phoneStatus", ""},
      {"not json", "a", kFailed},
      {"{\"a\":1", "a", kFailed},
      {"", "a", kFailed},
      {"null", "a", kFailed},
      {" \r\n\t null \r\n", "a", kFailed},
      {"   \r\n ", "a", kFailed},
      {"\"just a string\"", "", "just a string"},
      {"[10, \"x\"]", "[0]", "10"},
      {Gbk("{\"省份\":{\"名\":\"广东\"}}"), Gbk("省份.名"), Gbk("广东")},  // Chinese member names
      {"{\"a\":\"\xFF\xFF\"}", "a", "??"},  // invalid GBK arrives substituted
  };
  for (const auto& c : cases) {
    std::string reply = c.reply;
    EXPECT_EQ(ReadJsonField(reply, c.path), c.expected) << c.path << " of " << c.reply;
    EXPECT_EQ(reply, WithoutCrLf(c.reply));  // the caller's text lost its CR and LF, nothing else
    EXPECT_EQ(ReadThroughDocuments(c.reply, c.path), c.expected) << "documents: " << c.path;
  }
}

TEST(ReadJsonField, AgreesWithFullDocumentsOnAnyPath) {
  const char* paths[] = {
      "", "da", "[0]", "phoneList", "phoneList.length", "msg.length", "phoneList[0]['province']",
      "toJSONString", "toJSONString.length", "parseJSON.prototype", "constructor", "constructor.name",
      "hasOwnProperty('code')", "phoneList[0].phoneStatus.toFixed", "daX", "da.code", "code + 1",
      // A path with side effects: the fragments run in the same order on both roads, and the
      // fifth evaluation turns a number into a string.
      "da[(this.c = (this.c || 0) + 1) < 5 ? 'code' : 'msg']",
  };
  for (const char* path : paths) {
    std::string reply = kAnswer;
    EXPECT_EQ(ReadJsonField(reply, path), ReadThroughDocuments(kAnswer, path)) << path;
  }
}

TEST(ReadJsonField, BadRepliesFailOrReadCleanly) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  std::string nested = "{\"a\":" + std::string(900, '[') + "7" + std::string(900, ']') + "}";
  struct Case {
    std::string reply;
    std::string path;
    std::string expected;
  } cases[] = {
      {"{\"a\":\"" + std::string(10 << 20, 'x') + "\",\"b\":7}", "b", "7"},
      {"{\"a\":\"" + std::string(10 << 20, 'x') + "\",\"b\":7", "b", kFailed},
      {deep, "a", kFailed},
      {"{\"a\":" + deep + "}", "a", kFailed},
      {nested, "a[0][0][0].length", "1"},
      {"\xFF\xFE\x81", "a", kFailed},
      {"\"\xA1\\\"", "", kFailed},  // a bad lead byte cannot swallow the escaping backslash
      {"{\"s\":\"\\u2400\\\\\\u2400\"}", "s", "\\\\\\"},
      {"\"while(1){}\"", "", "while(1){}"},  // a string literal is a string, never run
      {"\"\"", "", ""},
      {"(function(){while(1){}})()", "a", kFailed},
      {"while(1){}", "a", kFailed},
      {"{\"a\":1} // comment", "a", kFailed},
      {"{'a': 1}", "a", kFailed},
      {"{a: 1}", "a", kFailed},
      {"da = {\"phoneList\":[{\"province\":\"x\"}]}", "phoneList[0].province", kFailed},
      {"this.hacked = 1, {\"a\":1}", "a", kFailed},
  };
  for (const auto& c : cases) {
    std::string reply = c.reply;
    EXPECT_EQ(ReadJsonField(reply, c.path), c.expected) << c.reply.substr(0, 60);
  }
}

TEST(ReadJsonField, RepliesAreNeverRunAsScript) {
  const char* replies[] = {
      "hacked = 1",
      "(function(){ hacked = 1; return {} })()",
      "\"hacked = 1\"",
      "[hacked = 1]",
      "{\"a\": (hacked = 1)}",
  };
  for (const char* reply : replies) {
    JsonDocument doc;
    doc.Parse(reply);
    EXPECT_EQ(Peek(doc, "typeof hacked"), "undefined") << reply;
    std::string r = reply;
    ReadJsonField(r, "a");  // and it returns
  }
}

TEST(JsonDocument, FreshDocumentAndPathRules) {
  JsonDocument doc;
  EXPECT_EQ(doc.TypeOf(""), text::kJsonObject);
  EXPECT_EQ(doc.ToJson(), "{}");

  struct Case {
    const char* path;
    const char* resolved;
  } cases[] = {
      {"", "da"}, {"da", "da"}, {"x", "da.x"}, {"[2]", "da[2]"}, {"a.b[0]", "da.a.b[0]"},
      {"data", "da.data"},  // begins with the letters of the name, still a member
      {"da.x", "da.da.x"},  // da.x is null here, so the path is taken as a member path
  };
  for (const auto& c : cases) {
    std::string p = c.path;
    doc.ResolvePath(p);
    EXPECT_EQ(p, c.resolved) << c.path;
  }
  // So SetValue on da.x fails while x adds the member; da.x then addresses it directly.
  EXPECT_FALSE(doc.SetValue("da.x", "1"));
  EXPECT_TRUE(doc.SetValue("x", "1"));
  std::string p = "da.x";
  EXPECT_TRUE(doc.ResolvePath(p));
  EXPECT_EQ(p, "da.x");
  EXPECT_TRUE(doc.SetValue("data", "v"));
  EXPECT_EQ(doc.ToJson(), "{\"x\":\"1\",\"data\":\"v\"}");

  ASSERT_TRUE(doc.Parse("{\"n\":null,\"o\":{},\"a\":[],\"s\":\"\",\"num\":0,\"b\":false}"));
  struct Type {
    const char* path;
    int type;
  } types[] = {
      {"n", text::kJsonNull}, {"missing", text::kJsonNull}, {"missing.deeper", text::kJsonOther},
      {"o", text::kJsonObject}, {"a", text::kJsonArray}, {"s", text::kJsonString},
      {"num", text::kJsonNumber}, {"b", text::kJsonBoolean}, {"toJSONString", text::kJsonOther},
      {"(", text::kJsonOther},
  };
  for (const auto& t : types) EXPECT_EQ(doc.TypeOf(t.path), t.type) << t.path;
}

TEST(JsonDocument, TextValuesRoundTrip) {
  const std::string values[] = {
      "plain",
      "",
      "a'b\"c\\d\r\ne\\\\f",
      "'\\'\"\\\"",
      Gbk("中文，带标点。"),
      "\x81\x5C\x81\x5C",  // double-byte characters whose second byte is a backslash
      "\\u4e2d",
  };
  for (const std::string& v : values) {
    JsonDocument doc;
    ASSERT_TRUE(doc.SetValue("v", v) || v.empty());
    EXPECT_EQ(doc.GetText("v"), v);
    EXPECT_EQ(doc.TypeOf("v"), text::kJsonString);
  }
  // Backslashes are kept as U+2400 and stand once, unescaped, in JSON output.
  JsonDocument doc;
  doc.SetValue("u", "\\u4e2d");
  EXPECT_EQ(Peek(doc, "String(da.u.charCodeAt(0))"), "9216");
  EXPECT_EQ(doc.ToJson(), "{\"u\":\"\\u4e2d\"}");
  EXPECT_EQ(doc.GetText("u", true), "\"\\u4e2d\"");
  doc.SetValue("q", "say \"hi\"\r\n");
  EXPECT_EQ(doc.GetJson("q"), "\"say \\\"hi\\\"\\r\\n\"");
}

TEST(JsonDocument, MalformedGbkInATextValueStaysInsideTheLiteral) {
  // 0xA1 0x5C is not a GBK character: the engine sees a replacement character and a real
  // backslash, which must be escaped like any other.
  const std::string values[] = {
      "\xA1\\'; hacked = 1; //",
      "\xA1\\",
      "\x81'; hacked = 1; //",
      "\xFF\r\n",
  };
  for (const std::string& v : values) {
    JsonDocument doc;
    doc.SetValue("v", v);
    EXPECT_EQ(Peek(doc, "typeof hacked"), "undefined") << v;
    EXPECT_EQ(doc.GetText("v"), platform::Utf8ToGbkBytes(platform::GbkToUtf8Bytes(v))) << v;
  }
}

TEST(JsonDocument, JsonValuesMergeOrAssign) {
  struct Case {
    const char* path;
    const char* value;
    const char* expected;  // GetJson of the path afterwards
  } cases[] = {
      {"o", "{\"s\":\"new\",\"in\":{\"b\":2},\"add\":[3]}",
       "{\"s\":\"new\",\"n\":1,\"in\":{\"a\":1,\"b\":2},\"keep\":true,\"nil\":null,\"add\":[3]}"},
      {"o", "{\"n\":2}", "{\"s\":\"old\",\"n\":2,\"in\":{\"a\":1},\"keep\":true,\"nil\":null}"},  // number overwritten
      {"o", "{\"nil\":{\"a\":1}}", "{\"s\":\"old\",\"n\":1,\"in\":{\"a\":1},\"keep\":true,\"nil\":{\"a\":1}}"},
      {"arr", "[2, 3]", "[1,2,3]"},
      {"str", "{\"z\":1}", "\"x\""},  // a string stays as it is
      {"fresh", "{\"k\":[1]}", "{\"k\":[1]}"},  // nothing there: the value is assigned
      {"fresh", "1 + 2", "3"},
      {"blank", "", "{}"},  // an empty value is an empty object, present or not
      {"o", "", "{\"s\":\"old\",\"n\":1,\"in\":{\"a\":1},\"keep\":true,\"nil\":null}"},
      {"nil", "{\"a\":1}", "{\"a\":1}"},
  };
  for (const auto& c : cases) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse("{\"o\":{\"s\":\"old\",\"n\":1,\"in\":{\"a\":1},\"keep\":true,\"nil\":null},"
                          "\"arr\":[1],\"str\":\"x\",\"nil\":null}"));
    doc.SetValue(c.path, c.value, true);
    EXPECT_EQ(doc.GetJson(c.path), c.expected) << c.path << " <- " << c.value;
  }
}

TEST(JsonDocument, ArraysAndMembers) {
  const char* source = "{\"a\":[\"x\",2,{\"k\":1},null],\"o\":{\"m\":1,\"n\":2,\"f\":[]},\"s\":\"str\"}";
  struct Count {
    const char* path;
    int items;
    std::vector<std::string> names;
  } counts[] = {
      {"a", 4, {}}, {"o", 0, {"m", "n", "f"}}, {"s", 0, {}}, {"none", 0, {}}, {"o.f", 0, {}}, {"", 0, {"a", "o", "s"}},
  };
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse(source));
  for (const auto& c : counts) {
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(doc.ItemCount(c.path), c.items) << c.path;
    EXPECT_EQ(doc.MemberNames(names, c.path), static_cast<int>(c.names.size())) << c.path;
    EXPECT_EQ(names, c.names) << c.path;
  }

  struct Item {
    int index;
    bool asJson;
    const char* expected;
  } items[] = {
      {0, false, "x"}, {1, false, "2"},  // not a string: read through toString
      {2, false, "[object Object]"}, {3, false, ""}, {9, false, ""},
      {0, true, "\"x\""}, {2, true, "{\"k\":1}"}, {3, true, "null"}, {9, true, ""},
  };
  for (const auto& i : items) EXPECT_EQ(doc.GetItemText(i.index, "a", i.asJson), i.expected) << i.index;

  struct Edit {
    const char* what;
    std::function<void(JsonDocument&)> edit;
    const char* path;
    const char* expected;
  } edits[] = {
      {"remove past the end", [](JsonDocument& d) { d.RemoveItem(7, "a"); }, "a", "[\"x\",2,{\"k\":1},null]"},
      {"remove first", [](JsonDocument& d) { d.RemoveItem(0, "a"); }, "a", "[2,{\"k\":1},null]"},
      {"append text", [](JsonDocument& d) { d.AppendItem("t", "a"); }, "a", "[\"x\",2,{\"k\":1},null,\"t\"]"},
      {"append JSON", [](JsonDocument& d) { d.AppendItem("{\"j\":1}", "a", true); }, "a[4]", "{\"j\":1}"},
      {"append to a string", [](JsonDocument& d) { d.AppendItem("new", "s"); }, "s", "[\"new\"]"},
      {"append to nothing", [](JsonDocument& d) { d.AppendItem("1", "fresh", true); }, "fresh", "[1]"},
      {"set item text", [](JsonDocument& d) { d.SetItem(1, "a", "two"); }, "a[1]", "\"two\""},
      {"set item JSON", [](JsonDocument& d) { d.SetItem(5, "a", "[5]", true); }, "a", "[\"x\",2,{\"k\":1},null,null,[5]]"},
      {"delete", [](JsonDocument& d) { d.Delete("o.m"); }, "o", "{\"n\":2,\"f\":[]}"},
      {"set number", [](JsonDocument& d) { d.SetNumber("v", 1.0 / 3); }, "v", "0.3333333333333"},
      {"set big number", [](JsonDocument& d) { d.SetNumber("v", 123456789012345.0); }, "v", "123456789012300"},
      {"set small number", [](JsonDocument& d) { d.SetNumber("v", -2.5e-7); }, "v", "-2.5e-7"},
      {"expression", [](JsonDocument& d) { d.SetExpression("v", "'[1,' + '2]'"); }, "v", "[1,2]"},
      {"reset", [](JsonDocument& d) { d.Reset(); }, "", "{}"},
  };
  for (const auto& e : edits) {
    JsonDocument d;
    ASSERT_TRUE(d.Parse(source));
    e.edit(d);
    EXPECT_EQ(d.GetJson(e.path), e.expected) << e.what;
  }
  EXPECT_DOUBLE_EQ(doc.GetNumber("o.n"), 2);
  EXPECT_EQ(doc.GetNumber("s"), 0);
  EXPECT_EQ(doc.GetNumber("missing.x"), 0);
}

TEST(JsonDocument, SubDocumentsHaveEnginesOfTheirOwn) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse("{\"code\":\"while(1){}\",\"bad\":\"(\",\"o\":{\"k\":[1,\"\\u2400u4e2d\"]},\"n\":0.5,\"l\":[{\"i\":1}]}"));
  struct Case {
    std::string path;
    int item;  // -1: GetDocument
    std::string json;
    int type;
  } cases[] = {
      {"code", -1, "\"while(1){}\"", text::kJsonString},  // the string's content is never run
      {"bad", -1, "\"(\"", text::kJsonString},
      // The placeholder crosses as a backslash, so the escape it starts takes effect.
      {"o", -1, "{\"k\":[1,\"" + Gbk("中") + "\"]}", text::kJsonObject},
      {"n", -1, "0.5", text::kJsonNumber},
      {"missing", -1, "null", text::kJsonNull},
      {"l", 0, "{\"i\":1}", text::kJsonObject},
      {"o.k", 0, "1", text::kJsonNumber},
      {"l", 3, "null", text::kJsonNull},
  };
  for (const auto& c : cases) {
    JsonDocument sub = c.item < 0 ? doc.GetDocument(c.path) : doc.GetItemDocument(c.item, c.path);
    EXPECT_EQ(sub.ToJson(), c.json) << c.path;
    EXPECT_EQ(sub.TypeOf(""), c.type) << c.path;
    EXPECT_NE(sub.Engine(), doc.Engine());
  }
  EXPECT_EQ(doc.GetDocument("code").GetText(""), "while(1){}");
  // Changing a sub-document leaves its source alone.
  JsonDocument sub = doc.GetDocument("o");
  sub.SetValue("k", "changed");
  EXPECT_EQ(doc.GetJson("o.k"), "[1,\"\\u4e2d\"]");
}

TEST(JsonDocument, CopiesShareOneValue) {
  JsonDocument doc;
  JsonDocument copy = doc;
  EXPECT_EQ(copy.Engine(), doc.Engine());
  copy.SetValue("shared", "yes");
  EXPECT_EQ(doc.GetText("shared"), "yes");
  JsonDocument assigned;
  assigned = doc;
  EXPECT_TRUE(assigned.Delete("shared"));
  EXPECT_EQ(copy.TypeOf("shared"), text::kJsonNull);
  // Parse gives the parsing document a fresh engine; the other copies keep the old value.
  copy.SetValue("kept", "old");
  ASSERT_TRUE(copy.Parse("{\"new\":1}"));
  EXPECT_NE(copy.Engine(), doc.Engine());
  EXPECT_EQ(doc.GetText("kept"), "old");
  EXPECT_EQ(copy.ToJson(), "{\"new\":1}");
  // A failed Parse leaves null behind.
  EXPECT_FALSE(copy.Parse("nope"));
  EXPECT_EQ(copy.ToJson(), "null");
  EXPECT_EQ(copy.TypeOf(""), text::kJsonNull);
}
