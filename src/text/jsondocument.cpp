#include "text/jsondocument.h"

#include <charconv>

#include "platform/codepage.h"
#include "text/gbk.h"
#include "text/scriptlibrary.h"

namespace pelmora::text {
namespace {

const std::string kParseFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败
// Reading a value as text ends by turning each placeholder U+2400 back into a backslash.
const std::string kRestoreBackslashes = ".replace(str_reg, '\\\\')";

// A text as the body of a single-quoted script literal: each backslash doubled, quotes, CR
// and LF escaped. The escaping is done on the characters the engine will see (the UTF-8
// form), so that no byte of a malformed double-byte sequence can end the literal early.
std::string EscapedForLiteral(std::string_view gbk) {
  const std::string utf8 = platform::GbkToUtf8Bytes(gbk);
  std::string out;
  out.reserve(utf8.size() + 8);
  for (const char c : utf8) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\'': out += "\\'"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return platform::Utf8ToGbkBytes(out);
}

std::string ValueSource(std::string_view value, bool valueIsJson) {
  return valueIsJson ? std::string(value) : "'" + std::string(value) + "'";
}

std::string JsonOf(const std::string& expression) {
  return "JSON.stringify(" + expression + ")" + kRestoreBackslashes;
}

std::string Item(const std::string& expression, int index) {
  return expression + "[" + std::to_string(index) + "]";
}

// A whole JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view t) {
  size_t i = 0;
  const auto digits = [&] {
    const size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i - from;
  };
  if (i < t.size() && t[i] == '-') ++i;
  if (i < t.size() && t[i] == '0')
    ++i;
  else if (digits() == 0)
    return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

}  // namespace

JsonDocument::JsonDocument() : name_("da") { InitEngine(); }

void JsonDocument::InitEngine() {
  auto engine = platform::ScriptEngine::Create();
  if (!engine) return;
  engine_ = std::move(engine);
  engine_->AddSharedCode(ScriptLibrary());
  engine_->EvalBool("var " + name_ +
                    " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
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
  return ParseInCurrentEngine(text);
}

bool JsonDocument::ParseInCurrentEngine(std::string_view text) {
  if (!engine_) return false;
  EvalBool("var " + name_ + " = null");
  // As data, never as script: a text that is not JSON leaves the value null.
  engine_->ParseJsonInto(name_, text);
  return EvalBool(name_ + " != null");
}

bool JsonDocument::Reset() { return EvalBool(name_ + " = {}"); }

std::string JsonDocument::ToJson() { return EvalText(JsonOf(name_)); }

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
  return EvalBool(p + " = '" + EscapedForLiteral(value) + "'.replace(/\\\\/g, str_Code)");
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
  if (asJson) return EvalText(JsonOf(p));
  return EvalText(p + ".toString()" + kRestoreBackslashes);
}

int JsonDocument::MemberNames(std::vector<std::string>& names, std::string_view path) {
  const std::string all = EvalText("get__name_All(" + Resolved(path) + ")");
  names.clear();
  for (const std::string_view name : SplitCrLf(all)) names.emplace_back(name);
  return static_cast<int>(names.size());
}

int JsonDocument::ItemCount(std::string_view path) {
  const double n = EvalNumber("get__count(" + Resolved(path) + ")");
  if (!(n >= 1)) return 0;
  return n >= 2147483647.0 ? 2147483647 : static_cast<int>(n);
}

JsonDocument JsonDocument::DocumentFromTransfer(const std::string& fragment) {
  JsonDocument document;
  const std::string transfer = EvalText(fragment);
  document.Parse(transfer);
  return document;
}

JsonDocument JsonDocument::GetDocument(std::string_view path) {
  return DocumentFromTransfer(JsonOf(Resolved(path)));
}

JsonDocument JsonDocument::GetItemDocument(int index, std::string_view path) {
  return DocumentFromTransfer(JsonOf(Item(Resolved(path), index)));
}

bool JsonDocument::AppendItem(std::string_view value, std::string_view path, bool valueIsJson) {
  const std::string p = Resolved(path);
  return EvalBool("if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p +
                  " = new Array() } " + p + ".push(" + ValueSource(value, valueIsJson) + ")");
}

std::string JsonDocument::GetItemText(int index, std::string_view path, bool asJson) {
  const std::string item = Item(Resolved(path), index);
  if (asJson) return EvalText(JsonOf(item));
  // Elements that are not strings read through toString, as GetText reads them.
  return EvalText(item + ".toString()" + kRestoreBackslashes);
}

bool JsonDocument::SetItem(int index, std::string_view path, std::string_view value, bool valueIsJson) {
  return EvalBool(Item(Resolved(path), index) + " = " + ValueSource(value, valueIsJson));
}

bool JsonDocument::RemoveItem(int index, std::string_view path) {
  return EvalBool(Resolved(path) + ".splice(" + std::to_string(index) + ", 1)");
}

bool JsonDocument::Delete(std::string_view path) { return EvalBool("delete " + Resolved(path)); }

bool JsonDocument::SetNumber(std::string_view path, double number) {
  // printf's %.13g, independent of the process locale (no decimal comma).
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, number, std::chars_format::general, 13).ptr;
  return EvalBool(Resolved(path) + " = " + std::string(text, end));
}

double JsonDocument::GetNumber(std::string_view path) { return EvalNumber(Resolved(path)); }

std::string JsonDocument::GetJson(std::string_view path) { return EvalText(JsonOf(Resolved(path))); }

// GetDocument(path).ToJson() without starting the two engines of the new document. The
// transfer text is made in this engine exactly as GetDocument makes it. A fresh document
// would read it with JSON.parse and write it out with JSON.stringify; for a JSON number that
// is the engine codec's own round trip, which depends on the text alone. Any other text takes
// the full road.
std::string JsonDocument::NumberJson(std::string_view path) {
  const std::string transfer = EvalText(JsonOf(Resolved(path)));
  if (engine_ && IsJsonNumber(transfer)) {
    std::string json = engine_->ReencodeJson(transfer);
    if (!json.empty()) return json;
  }
  JsonDocument fresh;
  fresh.Parse(transfer);
  return fresh.ToJson();
}

std::string ReadJsonField(std::string& reply, std::string_view path) {
  reply = RemoveByte(RemoveByte(reply, '\r'), '\n');
  // A constructed document's engine would be replaced by Parse before anything could see it:
  // start only the engine that Parse starts.
  JsonDocument document{JsonDocument::WithoutEngine{}};
  document.InitEngine();
  if (!document.ParseInCurrentEngine(reply)) return kParseFailed;
  switch (document.TypeOf(path)) {
    case kJsonBoolean: return document.GetJson(path);
    case kJsonNumber: return document.NumberJson(path);
    case kJsonString: return document.GetText(path);
    default: return document.GetText(path, true);
  }
}

}  // namespace pelmora::text
