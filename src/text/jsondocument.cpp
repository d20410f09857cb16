#include "text/jsondocument.h"

#include <cmath>
#include <cstdio>

#include "text/gbk.h"
#include "text/scriptlibrary.h"

namespace pelmora::text {
namespace {

const std::string kParseFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败
// Reading a value as text ends by turning each placeholder U+2400 back into a backslash.
const std::string kRestoreBackslashes = ".replace(str_reg, '\\\\')";
const std::string kGlobals =
    ", str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')";

// A text as the body of a single-quoted script literal: backslash, quotes, CR and LF escaped;
// double-byte characters are copied whole (their second byte may look like a backslash).
std::string EscapeForLiteral(std::string_view v) {
  std::string out;
  out.reserve(v.size() + 8);
  for (size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (IsLeadByte(c) && i + 1 < v.size()) {
      out += c;
      out += v[++i];
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\'') {
      out += "\\'";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ValueSource(std::string_view value, bool valueIsJson) {
  return valueIsJson ? std::string(value) : "'" + std::string(value) + "'";
}

}  // namespace

JsonDocument::JsonDocument() : name_("da") { InitEngine(); }

void JsonDocument::InitEngine() {
  auto engine = platform::ScriptEngine::Create();
  if (!engine) return;
  engine_ = std::move(engine);
  engine_->AddCode(ScriptLibrary());
  engine_->EvalBool("var " + name_ + " = {}" + kGlobals);
}

bool JsonDocument::EvalBool(const std::string& fragment) { return engine_ && engine_->EvalBool(fragment); }
std::string JsonDocument::EvalText(const std::string& fragment) {
  return engine_ ? engine_->EvalText(fragment) : std::string();
}
double JsonDocument::EvalNumber(const std::string& fragment) {
  return engine_ ? engine_->EvalNumber(fragment) : 0.0;
}

bool JsonDocument::Parse(std::string_view text) {
  if (engine_) {
    engine_.reset();
    InitEngine();
  }
  if (!engine_) return false;
  EvalBool("var " + name_ + " = null");
  engine_->ParseJsonInto(name_, text);
  return EvalBool(name_ + " != null");
}

bool JsonDocument::Reset() { return EvalBool(name_ + " = {}"); }

std::string JsonDocument::ToJson() { return EvalText("JSON.stringify(" + name_ + ")" + kRestoreBackslashes); }

bool JsonDocument::ResolvePath(std::string& path) {
  if (path.compare(0, name_.size(), name_) == 0 && EvalBool(path + " != null")) return true;
  if (path.empty())
    path = name_;
  else if (path[0] == '[')
    path = name_ + path;
  else
    path = name_ + "." + path;
  return EvalBool(path + " != null");
}

std::string JsonDocument::Resolved(std::string_view path) {
  std::string p(path);
  ResolvePath(p);
  return p;
}

bool JsonDocument::SetValue(std::string_view path, std::string_view value, bool valueIsJson) {
  std::string p(path);
  const bool present = ResolvePath(p);
  if (valueIsJson) {
    // An empty JSON value stands for an empty object, whether or not the path holds a value.
    const std::string v = value.empty() ? std::string("{}") : std::string(value);
    if (present) return EvalBool(p + " = get__extend(" + p + ", " + v + ")");
    return EvalBool(p + " = eval(" + v + ")");
  }
  return EvalBool(p + " = '" + EscapeForLiteral(value) + "'.replace(/\\\\/g, str_Code)");
}

bool JsonDocument::SetExpression(std::string_view path, std::string_view expression) {
  return EvalBool(Resolved(path) + " = eval(" + std::string(expression) + ")");
}

int JsonDocument::TypeOf(std::string_view path) {
  const std::string p = Resolved(path);
  if (EvalBool(p + " == null")) return kJsonNull;
  const std::string tag = EvalText("Object.prototype.toString.call(" + p + ")");
  if (tag == "[object String]") return kJsonString;
  if (tag == "[object Array]") return kJsonArray;
  if (tag == "[object Object]") return kJsonObject;
  if (tag == "[object Number]") return kJsonNumber;
  if (tag == "[object Boolean]") return kJsonBoolean;
  return kJsonOther;
}

std::string JsonDocument::GetText(std::string_view path, bool asJson) {
  const std::string p = Resolved(path);
  if (asJson) return EvalText("JSON.stringify(" + p + ")" + kRestoreBackslashes);
  return EvalText(p + ".toString()" + kRestoreBackslashes);
}

int JsonDocument::MemberNames(std::vector<std::string>& names, std::string_view path) {
  const std::string all = EvalText("get__name_All(" + Resolved(path) + ")");
  names.clear();
  if (!all.empty()) {
    size_t start = 0;
    for (;;) {
      const size_t end = all.find("\r\n", start);
      if (end == std::string::npos) {
        if (start < all.size()) names.push_back(all.substr(start));
        break;
      }
      names.push_back(all.substr(start, end - start));
      start = end + 2;
    }
  }
  return static_cast<int>(names.size());
}

int JsonDocument::ItemCount(std::string_view path) {
  const double n = EvalNumber("get__count(" + Resolved(path) + ")");
  if (!(n > 0)) return 0;
  return n >= 2147483647.0 ? 2147483647 : static_cast<int>(n);
}

JsonDocument JsonDocument::DocumentFromTransfer(const std::string& fragment) {
  JsonDocument document;
  const std::string transfer = EvalText(fragment);
  document.Parse(transfer);
  return document;
}

JsonDocument JsonDocument::GetDocument(std::string_view path) {
  return DocumentFromTransfer("JSON.stringify(" + Resolved(path) + ")" + kRestoreBackslashes);
}

JsonDocument JsonDocument::GetItemDocument(int index, std::string_view path) {
  return DocumentFromTransfer("JSON.stringify(" + Resolved(path) + "[" + std::to_string(index) + "])" +
                              kRestoreBackslashes);
}

bool JsonDocument::AppendItem(std::string_view value, std::string_view path, bool valueIsJson) {
  const std::string p = Resolved(path);
  return EvalBool("if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p +
                  " = new Array() } " + p + ".push(" + ValueSource(value, valueIsJson) + ")");
}

std::string JsonDocument::GetItemText(int index, std::string_view path, bool asJson) {
  const std::string item = Resolved(path) + "[" + std::to_string(index) + "]";
  if (asJson) return EvalText("JSON.stringify(" + item + ")" + kRestoreBackslashes);
  // Elements that are not strings read through toString, as GetText reads them.
  return EvalText(item + ".toString()" + kRestoreBackslashes);
}

bool JsonDocument::SetItem(int index, std::string_view path, std::string_view value, bool valueIsJson) {
  return EvalBool(Resolved(path) + "[" + std::to_string(index) + "] = " + ValueSource(value, valueIsJson));
}

bool JsonDocument::RemoveItem(int index, std::string_view path) {
  return EvalBool(Resolved(path) + ".splice(" + std::to_string(index) + ", 1)");
}

bool JsonDocument::Delete(std::string_view path) { return EvalBool("delete " + Resolved(path)); }

bool JsonDocument::SetNumber(std::string_view path, double number) {
  char text[64];
  std::snprintf(text, sizeof text, "%.13g", number);
  return EvalBool(Resolved(path) + " = " + text);
}

double JsonDocument::GetNumber(std::string_view path) { return EvalNumber(Resolved(path)); }

std::string JsonDocument::GetJson(std::string_view path) {
  return EvalText("JSON.stringify(" + Resolved(path) + ")" + kRestoreBackslashes);
}

std::string ReadJsonField(std::string& reply, std::string_view path) {
  reply = RemoveByte(RemoveByte(reply, '\r'), '\n');
  // One engine with the document globals does what a full document would: none of the
  // readings below calls into the library, and a number's own document gives back the
  // number's JSON text.
  auto engine = platform::ScriptEngine::Create();
  if (!engine) return kParseFailed;
  engine->AddCode("var da = null" + kGlobals);
  engine->ParseJsonInto("da", reply);
  if (!engine->EvalBool("da != null")) return kParseFailed;

  std::string p(path);
  if (!(p.compare(0, 2, "da") == 0 && engine->EvalBool(p + " != null"))) {
    if (p.empty())
      p = "da";
    else if (p[0] == '[')
      p = "da" + p;
    else
      p = "da." + p;
  }
  int type = kJsonOther;
  if (engine->EvalBool(p + " == null")) {
    type = kJsonNull;
  } else {
    const std::string tag = engine->EvalText("Object.prototype.toString.call(" + p + ")");
    if (tag == "[object String]") type = kJsonString;
    else if (tag == "[object Number]") type = kJsonNumber;
    else if (tag == "[object Boolean]") type = kJsonBoolean;
  }
  if (type == kJsonString) return engine->EvalText(p + ".toString()" + kRestoreBackslashes);
  return engine->EvalText("JSON.stringify(" + p + ")" + kRestoreBackslashes);
}

}  // namespace pelmora::text
