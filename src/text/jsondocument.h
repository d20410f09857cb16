#pragma once
// JsonDocument: a JSON value held in a JavaScript engine of its own, read and changed through
// short script fragments built from member paths such as "phoneList[0].province". The
// document's value lives in the global variable `da` of its engine, beside the script library
// and the globals str_Code (U+2400, standing for a backslash inside text values) and str_reg.
// Every reading of a value as text turns each U+2400 back into a backslash.
//
// A text handed to Parse is never run as script: it goes into the engine as a string value
// and is read with JSON.parse, so bytes from the service cannot execute anything. Paths and
// values given to the other operations are spliced into script as they are: they come from
// the program's own code.
//
// Copies share the engine, and so the value. Failures are silent: without an engine, or when
// a fragment fails, an operation reads as false, empty text, 0 or -1 (TypeOf).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scriptengine.h"

namespace pelmora::text {

// Kinds of value at a path (TypeOf).
enum JsonType : int {
  kJsonNull = 0,  // null, undefined or missing
  kJsonBoolean = 1,
  kJsonNumber = 2,
  kJsonObject = 4,
  kJsonArray = 5,
  kJsonString = 6,
  kJsonOther = -1,  // functions, dates, ... and every path whose evaluation fails
};

class JsonDocument {
 public:
  // Starts an engine holding the library, the globals and an empty object.
  JsonDocument();
  JsonDocument(const JsonDocument&) = default;
  JsonDocument& operator=(const JsonDocument&) = default;

  // Replaces this document's engine handle by a new engine with the library and the globals.
  void InitEngine();
  // Starts a fresh engine (when the document has one) and reads `text` as JSON into it.
  // True when the document now holds a value that is not null.
  bool Parse(std::string_view text);
  bool Reset();
  std::string ToJson();
  // Text form: `value` is stored as a string (backslashes as U+2400). JSON form: `value` is
  // merged into what the path holds (get__extend), or assigned when it holds nothing; an
  // empty JSON value stands for {}.
  bool SetValue(std::string_view path, std::string_view value, bool valueIsJson = false);
  bool SetExpression(std::string_view path, std::string_view expression);
  // Replaces `path` by the script expression it stands for: "" is da, "[2]" is da[2], "x" is
  // da.x, and a path that begins with "da" and is not null as it stands is kept. True when
  // the expression is not null.
  bool ResolvePath(std::string& path);
  int TypeOf(std::string_view path);
  std::string GetText(std::string_view path, bool asJson = false);
  int MemberNames(std::vector<std::string>& names, std::string_view path);
  int ItemCount(std::string_view path);
  // A new document, with an engine of its own, holding a copy of the value at the path.
  JsonDocument GetDocument(std::string_view path);
  bool AppendItem(std::string_view value, std::string_view path, bool valueIsJson = false);
  JsonDocument GetItemDocument(int index, std::string_view path);
  std::string GetItemText(int index, std::string_view path, bool asJson = false);
  bool SetItem(int index, std::string_view path, std::string_view value, bool valueIsJson = false);
  bool RemoveItem(int index, std::string_view path);
  bool Delete(std::string_view path);
  bool SetNumber(std::string_view path, double number);
  double GetNumber(std::string_view path);
  std::string GetJson(std::string_view path);
  std::shared_ptr<platform::ScriptEngine> Engine() const { return engine_; }

 private:
  friend std::string ReadJsonField(std::string& reply, std::string_view path);
  struct WithoutEngine {};
  explicit JsonDocument(WithoutEngine) : name_("da") {}
  bool ParseInCurrentEngine(std::string_view text);
  std::string NumberJson(std::string_view path);
  std::string Resolved(std::string_view path);
  JsonDocument DocumentFromTransfer(const std::string& fragment);
  bool EvalBool(const std::string& fragment);
  std::string EvalText(const std::string& fragment);
  double EvalNumber(const std::string& fragment);

  std::string name_;
  std::shared_ptr<platform::ScriptEngine> engine_;
};

// The value at `path` in `reply` as text (GBK), or "JSON解析失败" when the reply does not
// parse or is null. Removes every CR and LF from the caller's reply first. A boolean reads
// as true or false, a number as its JSON text, a string as itself, anything else as its
// compact JSON text ("null" for null, empty for a missing member or a failing path).
std::string ReadJsonField(std::string& reply, std::string_view path);

}  // namespace pelmora::text
