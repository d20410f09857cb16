// The script engine under the JSON documents: readings, text crossing the GBK boundary,
// failures that leave the engine usable, pathological scripts, shared (precompiled) code and
// the two JSON entry points.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/codepage.h"
#include "platform/scriptengine.h"

using pelmora::platform::ScriptEngine;

namespace {

std::string Gbk(const char* utf8) { return pelmora::platform::Utf8ToGbkBytes(utf8); }

std::shared_ptr<ScriptEngine> NewEngine() {
  auto engine = ScriptEngine::Create();
  EXPECT_TRUE(engine);
  return engine;
}

}  // namespace

TEST(ScriptEngine, ReadsValuesAsBoolTextAndNumber) {
  struct Case {
    const char* script;
    bool asBool;
    std::string asText;
    double asNumber;
  } cases[] = {
      {"true", true, "", 0},
      {"false", false, "", 0},
      {"2 + 3", true, "", 5},
      {"0", false, "", 0},
      {"-0.5", true, "", -0.5},
      {"'abc'", true, "abc", 0},
      {"''", false, "", 0},
      {"({})", true, "", 0},
      {"null", false, "", 0},
      {"undefined", false, "", 0},
      {"var a = 1; a + 1; 'last'", true, "last", 0},  // statements; the last expression counts
      {"if (true) { 7 } else { 8 }", true, "", 7},
      {"syntax error here", false, "", 0},
      {"throw new Error('x')", false, "", 0},
      {"undefinedThing.member", false, "", 0},
  };
  auto engine = NewEngine();
  for (const auto& c : cases) {
    EXPECT_EQ(engine->EvalBool(c.script), c.asBool) << c.script;
    EXPECT_EQ(engine->EvalText(c.script), c.asText) << c.script;
    EXPECT_EQ(engine->EvalNumber(c.script), c.asNumber) << c.script;
  }
}

TEST(ScriptEngine, DeclarationsPersistAndFailuresLeaveTheEngineUsable) {
  auto engine = NewEngine();
  engine->AddCode("var kept = 40; function twice(x) { return 2 * x }");
  engine->AddCode("this is not a script");  // swallowed
  engine->AddCode("throw new Error('swallowed too')");
  EXPECT_FALSE(engine->EvalBool("("));
  engine->EvalBool("var fromEval = 1");  // a var in an evaluation is a global too
  EXPECT_EQ(engine->EvalNumber("kept + fromEval + twice(0.5)"), 42);
  // A failure part-way keeps what ran before it.
  EXPECT_FALSE(engine->EvalBool("kept = 7; missing.member"));
  EXPECT_EQ(engine->EvalNumber("kept"), 7);

  // A copy of the handle is the same engine; the engine lives on while a handle does.
  std::shared_ptr<ScriptEngine> shared = engine;
  engine.reset();
  EXPECT_EQ(shared->EvalNumber("kept"), 7);
}

TEST(ScriptEngine, TextsCrossAsGbk) {
  auto engine = NewEngine();
  const std::string zhong = Gbk("中");
  EXPECT_EQ(engine->EvalNumber("'" + zhong + "'.charCodeAt(0)"), 0x4E2D);
  EXPECT_EQ(engine->EvalText("'\\u5e7f\\u4e1c'"), Gbk("广东"));
  EXPECT_EQ(engine->EvalText("'" + zhong + "' + 'x'"), zhong + "x");
  // U+2400 is one character inside; GBK cannot hold it, so it comes out as "?".
  EXPECT_EQ(engine->EvalNumber("String.fromCharCode(9216).length"), 1);
  EXPECT_EQ(engine->EvalText("'a' + String.fromCharCode(9216) + 'b'"), "a?b");
  // A character beyond the BMP is two surrogates inside and one "?" outside; so is a lone one.
  EXPECT_EQ(engine->EvalText("'<\\ud83d\\ude00>'"), "<?>");
  EXPECT_EQ(engine->EvalText("'<' + JSON.parse('\"\\\\ud83d\\\\ude00\"') + '>'"), "<?>");
  EXPECT_EQ(engine->EvalText("'<\\ud800>'"), "<?>");
  // Invalid GBK in a script is one replacement character each, and the script still runs.
  EXPECT_EQ(engine->EvalNumber("'\xFF'.charCodeAt(0)"), 0xFFFD);
}

TEST(ScriptEngine, PathologicalScriptsFailAndTheEngineStaysUsable) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string cases[] = {
      deep,
      std::string(100000, '(') + "1" + std::string(100000, ')'),
      [] {
        std::string objects = "x = ";
        for (int i = 0; i < 100000; ++i) objects += "{a:";
        return objects + "1" + std::string(100000, '}');
      }(),
      "/" + std::string(100000, '(') + "/",
      "JSON.parse('" + deep + "')",
      "var o = {}, p = o; for (var i = 0; i < 100000; i++) { p.a = {}; p = p.a } JSON.stringify(o)",
      "function f(n) { return n ? f(n - 1) : 0 } f(1000000)",
      "var t = {}; t.toString = function() { return String(this) }; String(t)",
  };
  auto engine = NewEngine();
  for (const std::string& script : cases) {
    EXPECT_FALSE(engine->EvalBool(script + "; true")) << script.substr(0, 60);
    engine->AddCode(script);
    EXPECT_EQ(engine->EvalNumber("6 * 7"), 42) << script.substr(0, 60);
  }
}

TEST(ScriptEngine, SharedCodeActsLikeAddCodeInEveryEngine) {
  const std::string library =
      "var counter = 0; function bump() { return ++counter } Object.prototype.mark = 'm';";
  for (int round = 0; round < 3; ++round) {  // the first compiles, the others load
    auto engine = NewEngine();
    engine->AddSharedCode(library);
    EXPECT_EQ(engine->EvalNumber("bump() + bump()"), 3);
    EXPECT_EQ(engine->EvalText("({}).mark"), "m");
    EXPECT_FALSE(engine->EvalBool("delete bump"));  // a declaration, as AddCode makes it
  }
  // Another thread compiles for itself.
  std::string fromThread;
  std::thread([&] {
    auto engine = ScriptEngine::Create();
    engine->AddSharedCode(library);
    fromThread = engine->EvalText("typeof bump");
  }).join();
  EXPECT_EQ(fromThread, "function");
  // A shared script that fails runs as far as it gets, every time.
  for (int round = 0; round < 2; ++round) {
    auto engine = NewEngine();
    engine->AddSharedCode("var before = 1; missing(); var after = 2;");
    EXPECT_EQ(engine->EvalText("typeof before + typeof after"), "numberundefined");
  }
}

TEST(ScriptEngine, ParseJsonIntoTakesTheTextAsDataOnly) {
  struct Case {
    std::string json;
    bool parses;
    std::string back;  // JSON.stringify of the global afterwards
  } cases[] = {
      {"{\"a\":[1,\"" + Gbk("广东") + "\"]}", true, "{\"a\":[1,\"" + Gbk("广东") + "\"]}"},
      {"\"while(1){}\"", true, "\"while(1){}\""},
      {"null", true, "null"},
      {"(function(){while(1){}})()", false, "null"},
      {"hacked = 1", false, "null"},
      {"{a: 1}", false, "null"},
      {"", false, "null"},
      {std::string(100000, '['), false, "null"},
  };
  auto engine = NewEngine();
  for (const auto& c : cases) {
    engine->EvalBool("var v = 'before'");
    EXPECT_EQ(engine->ParseJsonInto("v", c.json), c.parses) << c.json.substr(0, 40);
    EXPECT_EQ(engine->EvalText("JSON.stringify(v)"), c.back) << c.json.substr(0, 40);
  }
  EXPECT_EQ(engine->EvalText("typeof hacked"), "undefined");
}

TEST(ScriptEngine, ReencodeJsonDependsOnTheTextAlone) {
  struct Case {
    const char* json;
    const char* expected;
  } cases[] = {
      {"12", "12"}, {"1.50", "1.5"}, {"1E3", "1000"}, {"-0", "0"}, {"0.1", "0.1"},
      {"1e21", "1e+21"}, {"1e999", "null"}, {"\"a\"", "\"a\""}, {"true", "true"},
      {"not json", ""}, {"", ""},
  };
  auto engine = NewEngine();
  for (const auto& c : cases) EXPECT_EQ(engine->ReencodeJson(c.json), c.expected) << c.json;
  // Scripts cannot change what the built-in codec does with a number.
  engine->AddCode("JSON.stringify = JSON.parse = null; Number.prototype.toJSON = function() { return 7 }");
  EXPECT_EQ(engine->ReencodeJson("1.50"), "1.5");
}
