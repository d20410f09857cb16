// The script library: its three functions, the members it adds to every object, and its JSON
// fallback, which an engine without JSON must get right (checked against the engine's own
// JSON, which follows ECMAScript 5).

#include <gtest/gtest.h>

#include <string>

#include "platform/scriptengine.h"
#include "text/scriptlibrary.h"

using pelmora::platform::ScriptEngine;
using pelmora::text::ScriptLibrary;

namespace {

std::shared_ptr<ScriptEngine> EngineWithLibrary() {
  auto engine = ScriptEngine::Create();
  EXPECT_TRUE(engine);
  engine->AddSharedCode(ScriptLibrary());
  return engine;
}

// An engine that lost its JSON (and, with `dates`, Date.prototype.toJSON) before the library.
std::shared_ptr<ScriptEngine> EngineWithFallback(bool dates = false) {
  auto engine = ScriptEngine::Create();
  EXPECT_TRUE(engine);
  engine->AddCode("delete this.JSON;");
  if (dates) engine->AddCode("delete Date.prototype.toJSON;");
  EXPECT_EQ(engine->EvalText("typeof JSON"), "undefined");
  engine->AddSharedCode(ScriptLibrary());
  return engine;
}

// What an expression gives, or the name of what it throws.
std::string Outcome(ScriptEngine& engine, const std::string& expression) {
  return engine.EvalText("try { String(" + expression + ") } catch (e) { 'threw ' + e.name }");
}

}  // namespace

TEST(ScriptLibrary, IsOneLineOfPrintableAscii) {
  const std::string_view library = ScriptLibrary();
  ASSERT_FALSE(library.empty());
  for (const char c : library) ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << int(static_cast<unsigned char>(c));
  // It runs in full: nothing it declares is missing.
  auto engine = EngineWithLibrary();
  EXPECT_EQ(engine->EvalText("typeof get__count + typeof get__name_All + typeof get__extend"),
            "functionfunctionfunction");
}

TEST(ScriptLibrary, CountsAndNames) {
  struct Case {
    const char* expression;
    const char* expected;
  } cases[] = {
      {"get__count([1, 'a', {}])", "3"},
      {"get__count([])", "0"},
      {"get__count({length: 5})", "0"},
      {"get__count('abc')", "0"},
      {"get__count(null)", "0"},
      {"get__count(undefined)", "0"},
      {"JSON.stringify(get__name_All({a: 1, b: 'x'}))", "\"a\\r\\nb\""},
      {"get__name_All({a: 1, f: function() {}, b: null})", "a\r\nb"},
      {"get__name_All({f: function() {}})", ""},
      {"get__name_All({})", ""},
      {"get__name_All([1, 2])", ""},
      {"get__name_All('ab')", ""},
      {"get__name_All(null)", ""},
      // Inherited enumerable members count too, unless they are functions.
      {"get__name_All(Object.create({up: 1, g: function() {}}))", "up"},
  };
  auto engine = EngineWithLibrary();
  for (const auto& c : cases) EXPECT_EQ(Outcome(*engine, c.expression), c.expected) << c.expression;
}

TEST(ScriptLibrary, ExtendMerges) {
  struct Case {
    const char* target;
    const char* source;
    const char* expected;
  } cases[] = {
      {"[1]", "[2, 3]", "[1,2,3]"},
      {"[1]", "'ab'", "[1,\"a\",\"b\"]"},  // a string adds its characters
      {"[1]", "{x: 1}", "[1]"},            // no numeric length: nothing added
      {"[1]", "null", "[1]"},
      {"{s: 'old', b: true}", "{s: 'new', b: false}", "{\"s\":\"new\",\"b\":false}"},
      {"{a: 1}", "{c: 3}", "{\"a\":1,\"c\":3}"},
      {"{n: 1, s: 'x'}", "{n: 2, s: 'y', t: 3}", "{\"n\":2,\"s\":\"y\",\"t\":3}"},  // numbers overwritten
      {"{n: 1}", "{n: {deep: true}}", "{\"n\":{\"deep\":true}}"},
      {"{o: {a: 1, in: {x: 1}}}", "{o: {b: 2, in: {y: 2}}}", "{\"o\":{\"a\":1,\"in\":{\"x\":1,\"y\":2},\"b\":2}}"},
      {"{l: [1]}", "{l: [2]}", "{\"l\":[1,2]}"},
      {"{z: null}", "{z: {a: 1}}", "{\"z\":{\"a\":1}}"},  // a null member takes the source's value
      {"{f: 1}", "{}", "{\"f\":1}"},
      {"'str'", "{a: 1}", "\"str\""},  // a string target stays as it is
      {"5", "{a: 1}", "5"},
  };
  auto engine = EngineWithLibrary();
  for (const auto& c : cases) {
    const std::string merge = std::string("JSON.stringify(get__extend(") + c.target + ", " + c.source + "))";
    EXPECT_EQ(Outcome(*engine, merge), c.expected) << merge;
  }
  // Function members of the target are left alone.
  EXPECT_EQ(Outcome(*engine, "typeof get__extend({f: function() {}}, {f: 1}).f"), "function");
  // An array merged into itself takes its items once.
  EXPECT_EQ(Outcome(*engine, "(function() { var a = [1, 2]; return get__extend(a, a).join() })()"), "1,2,1,2");
}

TEST(ScriptLibrary, AddsOnlyTwoEnumerableMembersAndKeepsTheEnginesJson) {
  const char* sample = "JSON.stringify({a: [1, 'x', null, 1.5e300], b: {c: true}, d: undefined}, null, 1)";
  auto plain = ScriptEngine::Create();
  auto engine = EngineWithLibrary();
  EXPECT_EQ(engine->EvalText(sample), plain->EvalText(sample));
  const char* parsed = "JSON.stringify(JSON.parse('{\"a\":[1,{\"b\":null}]}'))";
  EXPECT_EQ(engine->EvalText(parsed), plain->EvalText(parsed));
  EXPECT_EQ(engine->EvalText("var r = []; for (var k in {}) r.push(k); r.join()"), "toJSONString,parseJSON");
  EXPECT_EQ(engine->EvalText("({a: [1]}).toJSONString()"), "{\"a\":[1]}");
  EXPECT_EQ(engine->EvalText("'{\"b\":2}'.parseJSON().toJSONString()"), "{\"b\":2}");
  // Loading the library again changes nothing.
  engine->AddSharedCode(ScriptLibrary());
  EXPECT_EQ(engine->EvalText("var r = []; for (var k in {}) r.push(k); r.join()"), "toJSONString,parseJSON");
}

// Every expression gives the same outcome with the engine's own JSON and with the fallback.
TEST(ScriptLibrary, FallbackStringifyAndParseMatchTheEnginesJson) {
  const char* expressions[] = {
      // stringify
      "JSON.stringify({a: [1, 'x\"\\\\/', null, true, false], b: {c: 1.5, d: -0}, e: ''})",
      "JSON.stringify({u: undefined, f: function() {}, l: [undefined, function() {}], n: NaN, i: -Infinity})",
      "JSON.stringify([, 1, , ])",
      "JSON.stringify('tab\\there\\nline\\r\\b\\f\\u0001\\u001f')",
      "JSON.stringify(undefined)",
      "JSON.stringify(function() {})",
      "JSON.stringify(null)",
      "JSON.stringify(12)",
      "JSON.stringify(new Number(3))",
      "JSON.stringify([new String('s'), new Boolean(false), Object(true)])",
      "JSON.stringify({toJSON: function(k) { return 'key[' + k + ']' }})",
      "JSON.stringify({x: {toJSON: function(k) { return k }}})",
      "JSON.stringify(new Date(Date.UTC(2020, 0, 2, 3, 4, 5)))",
      "JSON.stringify(Object.create({inherited: 1}, {own: {value: 2, enumerable: true}, hidden: {value: 3}}))",
      "JSON.stringify({a: 1, b: [1, 2], c: 'x'}, function(k, v) { return typeof v == 'number' ? v * 10 : v })",
      "JSON.stringify({a: 1, b: 2, c: {a: 3, d: 4}, 1: 5}, ['a', 'c', 1])",
      "JSON.stringify({1: 'one', 2: 'two'}, [1, new String('2')])",
      "JSON.stringify({a: [1, {b: 2}], c: {}, d: []}, null, 2)",
      "JSON.stringify({a: [1]}, null, 2.7)",
      "JSON.stringify({a: [1]}, null, 20)",
      "JSON.stringify({a: [1]}, null, -1)",
      "JSON.stringify({a: [1]}, null, new Number(1))",
      "JSON.stringify({a: [1]}, null, '\\t')",
      "JSON.stringify({a: [1]}, null, '0123456789abc')",
      "JSON.stringify((function() { var o = {}; o.self = o; return o })())",
      "JSON.stringify((function() { var a = []; a.push([a]); return a })())",
      "JSON.stringify((function() { var s = {}; return [s, s, {s: s}] })())",
      // parse
      "JSON.stringify(JSON.parse(' {\"a\" : [1, -2.5e1, 0, -0.0, 1E+2, 3e-2, true, false, null, {}, []]} '))",
      "JSON.stringify(JSON.parse('\"\\\\u0041\\\\u4e2d\\\\/\\\\\\\\\\\\\"\\\\b\\\\f\\\\n\\\\r\\\\t\"'))",
      "JSON.stringify(JSON.parse('\\t\\r\\n 7 \\n'))",
      "JSON.stringify(JSON.parse('{\"a\":1,\"a\":2}'))",
      "JSON.parse('{\"__proto__\": 1}').hasOwnProperty('__proto__')",
      "Object.getPrototypeOf(JSON.parse('{\"__proto__\": {\"x\": 1}}')) === Object.prototype",
      "JSON.stringify(JSON.parse('[1, [2, {\"k\": 3}]]', function(k, v) { return typeof v == 'number' ? v + 1 : v }))",
      "JSON.stringify(JSON.parse('{\"a\": 1, \"b\": 2}', function(k, v) { return k == 'a' ? undefined : v }))",
      "JSON.parse('1', function(k, v) { return this[k] === v && k === '' })",
      "JSON.parse(12)",
      "JSON.parse(null)",
      "JSON.parse('')",
      "JSON.parse(' ')",
      "JSON.parse('{a: 1}')",
      "JSON.parse(\"{'a': 1}\")",
      "JSON.parse('[1,]')",
      "JSON.parse('{\"a\":1,}')",
      "JSON.parse('[1 2]')",
      "JSON.parse('01')",
      "JSON.parse('1.')",
      "JSON.parse('.5')",
      "JSON.parse('+1')",
      "JSON.parse('-')",
      "JSON.parse('1e')",
      "JSON.parse('NaN')",
      "JSON.parse('Infinity')",
      "JSON.parse('tru')",
      "JSON.parse('nul')",
      "JSON.parse('undefined')",
      "JSON.parse('\"abc')",
      "JSON.parse('\"a\\nb\"')",
      "JSON.parse('\"\\\\x41\"')",
      "JSON.parse('\"\\\\u12\"')",
      "JSON.parse('\"\\\\')",
      "JSON.parse('[1] x')",
      "JSON.parse('{\"a\" 1}')",
      "JSON.parse('{1: 2}')",
      "JSON.parse('\\u00a01')",
  };
  auto native = EngineWithLibrary();
  auto fallback = EngineWithFallback();
  for (const char* e : expressions) EXPECT_EQ(Outcome(*fallback, e), Outcome(*native, e)) << e;
}

TEST(ScriptLibrary, FallbackEscapesItsOwnSetOfCharacters) {
  struct Case {
    const char* string;  // a script literal's body
    const char* json;
  } cases[] = {
      {"\\u007f\\u0080\\u009f\\u00ad", "\"\\u007f\\u0080\\u009f\\u00ad\""},
      {"\\u0600\\u0604\\u070f\\u17b4\\u17b5", "\"\\u0600\\u0604\\u070f\\u17b4\\u17b5\""},
      {"\\u200c\\u200f\\u2028\\u202f\\u2060\\u206f", "\"\\u200c\\u200f\\u2028\\u202f\\u2060\\u206f\""},
      {"\\ufeff\\ufff0\\uffff", "\"\\ufeff\\ufff0\\uffff\""},
      {"a\\u0001\\u001f", "\"a\\u0001\\u001f\""},
  };
  auto fallback = EngineWithFallback();
  for (const auto& c : cases)
    EXPECT_EQ(fallback->EvalText(std::string("JSON.stringify('") + c.string + "')"), c.json) << c.string;
  // Neighbours of the set, and U+2400, stay as they are: three characters between the quotes.
  EXPECT_EQ(fallback->EvalNumber("JSON.stringify('\\u00ac\\u2400\\u00ae').length"), 5);
  EXPECT_EQ(fallback->EvalNumber("JSON.stringify(String.fromCharCode(9216)).charCodeAt(1)"), 9216);
}

TEST(ScriptLibrary, FallbackTakesEachNameOfAReplacerListOnce) {
  // As ECMAScript 5 has it (Duktape's own stringify repeats such names).
  auto fallback = EngineWithFallback();
  EXPECT_EQ(fallback->EvalText("JSON.stringify({a: 1, b: 2, c: {a: 3, d: 4}}, ['a', 'c', 'a', new String('c')])"),
            "{\"a\":1,\"c\":{\"a\":3}}");
}

TEST(ScriptLibrary, FallbackDatesAndWrappers) {
  auto fallback = EngineWithFallback(true);
  EXPECT_EQ(fallback->EvalText("new Date(Date.UTC(2020, 0, 2, 3, 4, 5)).toJSON()"), "2020-01-02T03:04:05Z");
  EXPECT_EQ(fallback->EvalText("JSON.stringify({d: new Date(Date.UTC(1999, 11, 31, 23, 59, 59))})"),
            "{\"d\":\"1999-12-31T23:59:59Z\"}");
  EXPECT_EQ(fallback->EvalText("JSON.stringify(new Date(NaN))"), "null");
  EXPECT_EQ(fallback->EvalText("typeof new String('x').toJSON() + new Number(2).toJSON() + new Boolean(true).toJSON()"),
            "string2true");
}

TEST(ScriptLibrary, FallbackParseBoundsDeepNestingAndTakesLongTexts) {
  auto fallback = EngineWithFallback();
  EXPECT_EQ(Outcome(*fallback, "JSON.parse(new Array(100001).join('['))"), "threw RangeError");
  EXPECT_EQ(fallback->EvalNumber("6 * 7"), 42);
  // A long text parses in one pass (no quadratic copying): 20000 numbers and strings.
  EXPECT_EQ(fallback->EvalNumber("var a = []; for (var i = 0; i < 20000; i++) a.push(i, 'item ' + i);"
                                 " JSON.parse(JSON.stringify(a)).length"),
            40000);
}
