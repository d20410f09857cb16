#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/scriptengine.h"
#include "text/gbk.h"
#include "text/jsondocument.h"
#include "text/scriptlibrary.h"

using namespace pelmora;
using text::JsonDocument;
using text::ReadJsonField;

namespace {

const std::string kFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败
std::string Gbk(const char* utf8) { return platform::Utf8ToGbkBytes(utf8); }

// The slow road: a full document, as the reading is defined.
std::string ReadThroughDocument(std::string reply, std::string_view path) {
  reply = text::RemoveByte(text::RemoveByte(reply, '\r'), '\n');
  JsonDocument doc;
  if (!doc.Parse(reply)) return kFailed;
  switch (doc.TypeOf(path)) {
    case text::kJsonBoolean: return doc.GetJson(path);
    case text::kJsonNumber: return doc.GetDocument(path).ToJson();
    case text::kJsonString: return doc.GetText(path);
    default: return doc.GetText(path, true);
  }
}

}  // namespace

struct FieldCase {
  std::string reply;
  std::string path;
  std::string expected;
};

TEST(ReadJsonField, ReadsMembersOfServiceAnswers) {
  const std::string answer = Gbk(
      "{\"msg\":\"请求成功\",\"phoneList\":[{\"province\":\"广东\",\"city\":\"深圳\",\r\n"
      "\"operatorType\":\"移动\",\"phoneStatus\":12,\"s\":\"12\",\"t\":true,\"o\":{\"a\": [1, 2]},"
      "\"n\":null,\"half\":0.5,\"line\":\"a\r\nb\",\"mark\":\"x\\u2400y\"}],\"empty\":[]}");
  const FieldCase cases[] = {
      {answer, "phoneList[0].province", Gbk("广东")},
      {answer, "phoneList[0].city", Gbk("深圳")},
      {answer, "phoneList[0].phoneStatus", "12"},
      {answer, "phoneList[0].s", "12"},
      {answer, "phoneList[0].t", "true"},
      {answer, "phoneList[0].o", "{\"a\":[1,2]}"},
      {answer, "phoneList[0].n", "null"},
      {answer, "phoneList[0].half", "0.5"},
      {answer, "phoneList[0].line", "ab"},   // line breaks go before parsing
      {answer, "phoneList[0].mark", "x\\y"},  // the placeholder reads as a backslash
      {answer, "phoneList[0].missing", ""},
      {answer, "nothing.at.all", ""},
      {answer, "empty[0].province", ""},
      {"not json", "a", kFailed},
      {"", "a", kFailed},
      {"null", "a", kFailed},
      {"   \r\n ", "a", kFailed},
      {"\"just a string\"", "", "just a string"},
      {Gbk("{\"a\":\"") + "\xFF\xFF" + "\"}", "a", "??"},  // invalid GBK arrives substituted
  };
  for (const auto& c : cases) {
    std::string reply = c.reply;
    EXPECT_EQ(ReadJsonField(reply, c.path), c.expected) << c.path << " of " << c.reply;
    EXPECT_EQ(reply.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(ReadThroughDocument(c.reply, c.path), c.expected) << "document: " << c.path;
  }
}

TEST(ReadJsonField, RepliesAreNeverRunAsScript) {
  const char* hostile[] = {
      "(function(){while(1){}})()",
      "while(1){}",
      "da = {\"phoneList\":[{\"province\":\"x\"}]}",
      "\"while(1){}\"",
      "this.hacked = 1, {\"a\":1}",
  };
  for (const char* h : hostile) {
    std::string reply = h;
    const std::string r = ReadJsonField(reply, "phoneList[0].province");
    EXPECT_TRUE(r == kFailed || r.empty()) << h;
  }
}

TEST(ReadJsonField, HugeAndDeeplyNestedRepliesFailCleanly) {
  std::string deep(100000, '[');
  deep += std::string(100000, ']');
  EXPECT_EQ(ReadJsonField(deep, "a"), kFailed);
  std::string big = "{\"a\":\"" + std::string(10 << 20, 'x') + "\",\"b\":7}";
  EXPECT_EQ(ReadJsonField(big, "b"), "7");
}

TEST(JsonDocument, FreshDocumentAndPathRules) {
  JsonDocument doc;
  EXPECT_EQ(doc.TypeOf(""), text::kJsonObject);
  EXPECT_EQ(doc.ToJson(), "{}");
  // "da" is the whole document; "da.x" on a document without x means da.da.x.
  std::string p = "da";
  EXPECT_TRUE(doc.ResolvePath(p));
  EXPECT_EQ(p, "da");
  EXPECT_FALSE(doc.SetValue("da.x", "1"));
  EXPECT_TRUE(doc.SetValue("x", "1"));
  EXPECT_EQ(doc.ToJson(), "{\"x\":\"1\"}");
  p = "[2]";
  doc.ResolvePath(p);
  EXPECT_EQ(p, "da[2]");
  p = "data";
  doc.ResolvePath(p);
  EXPECT_EQ(p, "da.data");
  EXPECT_TRUE(doc.SetValue("data", "v"));
  EXPECT_EQ(doc.GetText("data"), "v");
  EXPECT_EQ(doc.TypeOf("missing"), text::kJsonNull);
  EXPECT_EQ(doc.TypeOf("missing.deeper"), text::kJsonOther);
}

TEST(JsonDocument, TextValuesRoundTripAndBackslashesReachJsonOutput) {
  JsonDocument doc;
  const std::string tricky = "a'b\"c\\d\r\ne" + Gbk("中") + "\x81\x5C";  // last: GBK char with 0x5C
  ASSERT_TRUE(doc.SetValue("v", tricky));
  EXPECT_EQ(doc.GetText("v"), tricky);
  JsonDocument escape;
  escape.SetValue("u", "\\u4e2d");
  EXPECT_EQ(escape.ToJson(), "{\"u\":\"\\u4e2d\"}");  // the backslash stands once, unescaped
  EXPECT_EQ(escape.GetText("u", true), "\"\\u4e2d\"");
}

TEST(JsonDocument, MergeArraysAndMembers) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse("{\"o\":{\"s\":\"old\",\"n\":1,\"in\":{\"a\":1},\"keep\":true},\"arr\":[1],\"str\":\"x\"}"));
  doc.SetValue("o", "{\"s\":\"new\",\"n\":2,\"in\":{\"b\":2},\"add\":[3]}", true);
  EXPECT_EQ(doc.GetJson("o"), "{\"s\":\"new\",\"n\":2,\"in\":{\"a\":1,\"b\":2},\"keep\":true,\"add\":[3]}");
  doc.SetValue("arr", "[2, 3]", true);
  EXPECT_EQ(doc.GetJson("arr"), "[1,2,3]");
  doc.SetValue("str", "{\"z\":1}", true);
  EXPECT_EQ(doc.GetJson("str"), "\"x\"");  // a string target stays as it is
  doc.SetValue("fresh", "{\"k\":1}", true);
  EXPECT_EQ(doc.GetJson("fresh"), "{\"k\":1}");
  doc.SetValue("blank", "", true);  // an empty JSON value is an empty object
  EXPECT_EQ(doc.GetJson("blank"), "{}");
}

TEST(JsonDocument, ArraysMembersAndCopies) {
  JsonDocument doc;
  ASSERT_TRUE(doc.Parse("{\"a\":[\"x\",2,{\"k\":1}],\"o\":{\"m\":1,\"n\":2},\"s\":\"str\"}"));
  EXPECT_EQ(doc.ItemCount("a"), 3);
  EXPECT_EQ(doc.ItemCount("o"), 0);
  EXPECT_EQ(doc.ItemCount("s"), 0);
  EXPECT_EQ(doc.ItemCount("none"), 0);
  std::vector<std::string> names{"old"};
  EXPECT_EQ(doc.MemberNames(names, "o"), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"m", "n"}));
  EXPECT_EQ(doc.MemberNames(names, "a"), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(doc.GetItemText(0, "a"), "x");
  EXPECT_EQ(doc.GetItemText(1, "a"), "2");  // not a string: read through toString
  EXPECT_EQ(doc.GetItemText(2, "a", true), "{\"k\":1}");
  EXPECT_EQ(doc.GetItemDocument(2, "a").ToJson(), "{\"k\":1}");
  doc.RemoveItem(7, "a");
  EXPECT_EQ(doc.ItemCount("a"), 3);
  doc.RemoveItem(0, "a");
  EXPECT_EQ(doc.GetJson("a"), "[2,{\"k\":1}]");
  doc.AppendItem("new", "s");  // a string becomes an array of the new item
  EXPECT_EQ(doc.GetJson("s"), "[\"new\"]");
  doc.SetNumber("num", 1.0 / 3);
  EXPECT_EQ(doc.GetJson("num"), "0.3333333333333");
  EXPECT_DOUBLE_EQ(doc.GetNumber("o.n"), 2);
  // A string member gives a document holding that string.
  EXPECT_EQ(doc.GetDocument("a[0]").ToJson(), "2");
  JsonDocument strings;
  strings.Parse("{\"code\":\"while(1){}\"}");
  JsonDocument sub = strings.GetDocument("code");
  EXPECT_EQ(sub.TypeOf(""), text::kJsonString);
  EXPECT_EQ(sub.GetText(""), "while(1){}");
  // Copies share one value.
  JsonDocument copy = doc;
  copy.SetValue("shared", "yes");
  EXPECT_EQ(doc.GetText("shared"), "yes");
  EXPECT_TRUE(doc.Delete("shared"));
  EXPECT_EQ(copy.TypeOf("shared"), text::kJsonNull);
}

TEST(ScriptLibrary, FunctionsAndJsonFallback) {
  auto engine = platform::ScriptEngine::Create();
  ASSERT_TRUE(engine);
  const std::string before = engine->EvalText("JSON.stringify({a:[1,'x',null],b:{c:true}})");
  engine->AddCode(text::ScriptLibrary());
  EXPECT_EQ(engine->EvalText("JSON.stringify({a:[1,'x',null],b:{c:true}})"), before);
  EXPECT_EQ(engine->EvalNumber("get__count([1,2,3])"), 3);
  EXPECT_EQ(engine->EvalNumber("get__count({})") + engine->EvalNumber("get__count(null)"), 0);
  EXPECT_EQ(engine->EvalText("get__name_All({a:1,b:2})"), "a\r\nb");
  EXPECT_EQ(engine->EvalText("get__name_All({f:function(){}})"), "");
  EXPECT_EQ(engine->EvalText("get__name_All([1])"), "");
  EXPECT_EQ(engine->EvalText("var r = []; for (var k in {}) r.push(k); r.join(',')"), "toJSONString,parseJSON");
  EXPECT_EQ(engine->EvalText("JSON.stringify(get__extend([1],[2,3]))"), "[1,2,3]");
  EXPECT_EQ(engine->EvalText("JSON.stringify(get__extend({n:1,s:'a'},{n:2,s:'b',t:3}))"), "{\"n\":2,\"s\":\"b\",\"t\":3}");

  // An engine without JSON gets the library's own stringify and parse.
  auto bare = platform::ScriptEngine::Create();
  bare->AddCode("delete this.JSON");
  ASSERT_EQ(bare->EvalText("typeof JSON"), "undefined");
  bare->AddCode(text::ScriptLibrary());
  struct Case {
    const char* expression;
    const char* expected;
  } cases[] = {
      {"JSON.stringify({a:[1,'x\"\\\\',null,true],b:{c:1.5},u:undefined,f:function(){}})",
       "{\"a\":[1,\"x\\\"\\\\\",null,true],\"b\":{\"c\":1.5}}"},
      {"JSON.stringify('\\u2028\\n\\u2400')", "\"\\u2028\\n?\""},  // U+2400 is not escaped
      {"JSON.stringify([NaN, Infinity])", "[null,null]"},
      {"JSON.stringify({a:1},null,2)", "{\n  \"a\": 1\n}"},
      {"JSON.stringify(JSON.parse(' {\"a\" : [1, -2.5e1, \"\\\\u0041\\\\n\", true, null]} '))",
       "{\"a\":[1,-25,\"A\\n\",true,null]}"},
      {"try { JSON.parse('{a:1}'); 'parsed' } catch (e) { e.name }", "SyntaxError"},
      {"try { JSON.parse('[1,]'); 'parsed' } catch (e) { e.name }", "SyntaxError"},
      {"JSON.parse('[1,2]', function(k, v) { return typeof v == 'number' ? v * 10 : v; }).join()", "10,20"},
  };
  for (const auto& c : cases) EXPECT_EQ(bare->EvalText(c.expression), c.expected) << c.expression;
}

TEST(ScriptEngine, ErrorsReadAsNothingAndLeaveTheEngineUsable) {
  auto engine = platform::ScriptEngine::Create();
  EXPECT_FALSE(engine->EvalBool("syntax error here"));
  EXPECT_EQ(engine->EvalText("throw new Error('x')"), "");
  EXPECT_EQ(engine->EvalNumber("undefinedThing.member"), 0);
  engine->AddCode("var kept = 41");
  EXPECT_EQ(engine->EvalNumber("kept + 1"), 42);
  EXPECT_EQ(engine->EvalText("'\\u4e2d\\u2400'"), Gbk("中") + "?");  // GBK cannot hold U+2400
}
