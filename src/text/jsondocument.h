#pragma once
// JsonDocument: a JSON value held in a JavaScript engine of its own, read and changed through
// short script fragments built from member paths such as "phoneList[0].province". The
// document's value lives in the global variable `da`. ReadJsonField parses one reply and
// returns one member as text.
//
// A text that is handed to Parse is never run as script: it goes into the engine as a string
// value and is read with JSON.parse, so bytes from the service cannot execute anything.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scriptengine.h"

namespace pelmora::text {

// Kinds of value at a path (TypeOf).
enum JsonType : int {
  kJsonNull = 0,     // null, undefined or missing
  kJsonBoolean = 1,
  kJsonNumber = 2,
  kJsonObject = 4,
  kJsonArray = 5,
  kJsonString = 6,
  kJsonOther = -1,   // functions, dates, … and every path whose evaluation fails
};

class JsonDocument {
 public:
  JsonDocument();
  // Copies share the engine, and so the value.
  JsonDocument(const JsonDocument&) = default;
  JsonDocument& operator=(const JsonDocument&) = default;

  void InitEngine();
  bool Parse(std::string_view text);
  bool Reset();
  std::string ToJson();
  bool SetValue(std::string_view path, std::string_view value, bool valueIsJson = false);
  bool SetExpression(std::string_view path, std::string_view expression);
  bool ResolvePath(std::string& path);
  int TypeOf(std::string_view path);
  std::string GetText(std::string_view path, bool asJson = false);
  int MemberNames(std::vector<std::string>& names, std::string_view path);
  int ItemCount(std::string_view path);
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
  std::string Resolved(std::string_view path);
  bool EvalBool(const std::string& fragment);
  std::string EvalText(const std::string& fragment);
  double EvalNumber(const std::string& fragment);
  JsonDocument DocumentFromTransfer(const std::string& fragment);

  std::string name_;
  std::shared_ptr<platform::ScriptEngine> engine_;
};

// The value at `path` in `reply` as text, or "JSON解析失败" when the reply does not parse.
// Removes every CR and LF from the caller's reply first.
std::string ReadJsonField(std::string& reply, std::string_view path);

}  // namespace pelmora::text
