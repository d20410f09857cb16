#include "text/paramlist.h"

#include "platform/codepage.h"
#include "text/gbk.h"

namespace pelmora::text {

namespace {

std::string Stored(std::string_view text, bool toUtf8) {
  text = CutAtNul(text);
  return toUtf8 ? GbkToUtf8(text) : std::string(text);
}

}  // namespace

void ParamList::Add(std::string_view name, std::string_view value, bool toUtf8) {
  pairs_.push_back(Pair{Stored(name, toUtf8), Stored(value, toUtf8)});
}

void ParamList::ParseQuery(std::string_view text, bool toUtf8) {
  text = CutAtNul(text);
  const auto addSegment = [&](std::string_view segment) {
    Add(TextBefore(segment, "="), TextAfter(segment, "="), toUtf8);
  };
  // Split at every "&" that starts a character. What follows the last "&" is a segment only
  // when it is not empty; an empty text has no segments.
  std::size_t start = 0;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (text[i] == '&') {
      addSegment(text.substr(start, i - start));
      start = ++i;
    } else {
      i += IsLeadByte(text[i]) ? 2 : 1;
    }
  }
  if (start < n) addSegment(text.substr(start));
}

std::size_t ParamList::IndexOf(std::string_view name) const {
  name = CutAtNul(name);
  for (std::size_t i = 0; i < pairs_.size(); ++i)
    if (pairs_[i].name == name) return i;
  return npos;
}

std::string ParamList::Get(std::string_view name) const {
  const std::size_t i = IndexOf(name);
  return i == npos ? std::string() : pairs_[i].value;
}

void ParamList::Set(std::string_view name, std::string_view value) {
  const std::size_t i = IndexOf(name);
  if (i == npos) {
    Add(name, value, false);
  } else {
    pairs_[i].value = std::string(CutAtNul(value));
  }
}

void ParamList::Remove(std::string_view name) {
  const std::size_t i = IndexOf(name);
  if (i != npos) pairs_.erase(pairs_.begin() + static_cast<std::ptrdiff_t>(i));
}

void ParamList::Clear() { pairs_.clear(); }

std::vector<std::string> ParamList::Names() const {
  std::vector<std::string> names;
  names.reserve(pairs_.size());
  for (const Pair& pair : pairs_) names.push_back(pair.name);
  return names;
}

std::vector<std::string> ParamList::Values() const {
  std::vector<std::string> values;
  values.reserve(pairs_.size());
  for (const Pair& pair : pairs_) values.push_back(pair.value);
  return values;
}

std::string ParamList::ToQueryString(bool encode) const {
  std::string out;
  for (const Pair& pair : pairs_) {
    if (encode) {
      out += PercentEncode(pair.name, true, false);
      out += '=';
      out += PercentEncode(pair.value, true, false);
    } else {
      out += pair.name;
      out += '=';
      out += pair.value;
    }
    out += '&';
  }
  if (!out.empty()) out.pop_back();  // the final "&"
  return out;
}

std::string ParamList::ToFieldLines(bool encode) const {
  std::string out;
  for (const Pair& pair : pairs_) {
    out += pair.name;
    out += ": ";
    out += encode ? PercentEncode(pair.value, true, false) : pair.value;
    out += "\r\n";
  }
  if (!out.empty()) out.pop_back();  // the final LF: the text ends with a lone CR
  return out;
}

std::string ParamList::ToJsonObject() const {
  std::string out = "{";
  for (const Pair& pair : pairs_) {
    out += '"';
    out += pair.name;
    out += "\":\"";
    out += EscapeQuotes(pair.value);
    out += "\",";
  }
  TrimAffix(out, ",");
  out += '}';
  return out;
}

std::string ParamList::EscapeQuotes(std::string_view text) {
  text = CutAtNul(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string ParamList::TrimAffix(std::string& text, std::string_view affix) {
  affix = CutAtNul(affix);
  std::string_view view = CutAtNul(text);
  if (!affix.empty()) {
    if (view.ends_with(affix)) view.remove_suffix(affix.size());
    if (view.starts_with(affix)) view.remove_prefix(affix.size());
  }
  text = std::string(view);
  return text;
}

std::string GbkToUtf8(std::string_view text) {
  return platform::GbkToUtf8Bytes(CutAtNul(text));
}

std::string PercentEncode(std::string_view text, bool keepSafe, bool asUtf8) {
  text = CutAtNul(text);
  if (text.empty()) return {};
  const std::string utf8 = asUtf8 ? GbkToUtf8(text) : std::string();
  const std::string_view bytes = asUtf8 ? std::string_view(utf8) : text;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char c : bytes) {
    const unsigned char b = static_cast<unsigned char>(c);
    const bool safe = (b >= 0x2D && b <= 0x39 && b != 0x2F) || (b >= 'A' && b <= 'Z') ||
                      (b >= 'a' && b <= 'z');
    if (keepSafe && safe) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

std::string TextBefore(std::string_view text, std::string_view separator) {
  text = CutAtNul(text);
  separator = CutAtNul(separator);
  if (separator.empty()) return {};
  const std::size_t pos = GbkFind(text, separator);
  return pos == npos ? std::string() : std::string(text.substr(0, pos));
}

std::string TextAfter(std::string_view text, std::string_view separator) {
  text = CutAtNul(text);
  separator = CutAtNul(separator);
  if (separator.empty()) return {};
  const std::size_t pos = GbkFindLast(text, separator);
  return pos == npos ? std::string() : std::string(text.substr(pos + separator.size()));
}

}  // namespace pelmora::text
