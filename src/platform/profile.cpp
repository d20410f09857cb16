#include "platform/profile.h"

#include "platform/files.h"
#include "text/gbk.h"  // IsLeadByte only: the text library builds on this one

#include <QFileInfo>

namespace pelmora::platform {

namespace {

using text::IsLeadByte;
constexpr std::size_t npos = std::string_view::npos;

std::string_view CutAtNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// Position of the first (or last) byte `c` that starts a character, or npos.
std::size_t FindByte(std::string_view s, char c, bool last = false) {
  std::size_t found = npos;
  for (std::size_t i = 0; i < s.size(); i += IsLeadByte(s[i]) ? 2 : 1) {
    if (s[i] != c) continue;
    found = i;
    if (!last) break;
  }
  return found;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Case-insensitive for ASCII letters at character starts; both bytes of a double-byte
// character compare exactly.
bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    if (IsLeadByte(a[i])) {
      if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
      i += 2;
    } else {
      if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
      ++i;
    }
  }
  return true;
}

enum class Kind { Other, Header, Entry };

struct Line {
  std::size_t begin = 0;  // first byte of the line
  std::size_t next = 0;   // first byte after its LF (or the end of the file)
  bool terminated = false;
  bool blank = true;
  Kind kind = Kind::Other;
  std::string_view name;   // section name or key
  std::string_view value;  // entry value
};

Line Classify(std::string_view content) {
  Line line;
  const std::string_view s = Trim(content);
  line.blank = s.empty();
  if (s.empty() || s.front() == ';') return line;
  if (s.front() == '[') {
    const std::string_view inner = s.substr(1);
    const std::size_t close = FindByte(inner, ']', true);
    if (close != npos) {
      line.kind = Kind::Header;
      line.name = Trim(inner.substr(0, close));
      return line;
    }
  }
  const std::size_t eq = FindByte(s, '=');
  if (eq != npos) {
    line.kind = Kind::Entry;
    line.name = Trim(s.substr(0, eq));
    line.value = Trim(s.substr(eq + 1));
  }
  return line;
}

// Calls f(line) for every line of the file; stops when f returns false.
template <typename F>
void ForEachLine(std::string_view bytes, F&& f) {
  std::size_t begin = 0;
  while (begin < bytes.size()) {
    const std::size_t lf = bytes.find('\n', begin);
    const std::size_t end = lf == npos ? bytes.size() : lf;
    Line line = Classify(bytes.substr(begin, end - begin));
    line.begin = begin;
    line.next = lf == npos ? bytes.size() : lf + 1;
    line.terminated = lf != npos;
    if (!f(line)) return;
    begin = line.next;
  }
}

// Where a key stands in the file.
struct Place {
  bool sectionFound = false;
  bool keyFound = false;
  Line key;                  // the entry, when keyFound
  std::size_t insertAt = 0;  // after the section's last non-blank line, when sectionFound
  bool insertNeedsLineEnd = false;
};

Place Locate(std::string_view bytes, std::string_view section, std::string_view key) {
  Place place;
  bool inSection = false;
  ForEachLine(bytes, [&](const Line& line) {
    if (line.kind == Kind::Header) {
      if (inSection) return false;  // the first matching section has ended
      if (NamesEqual(line.name, section)) {
        inSection = true;
        place.sectionFound = true;
        place.insertAt = line.next;
        place.insertNeedsLineEnd = !line.terminated;
      }
      return true;
    }
    if (!inSection) return true;
    if (line.kind == Kind::Entry && NamesEqual(line.name, key)) {
      place.keyFound = true;
      place.key = line;
      return false;
    }
    if (!line.blank) {
      place.insertAt = line.next;
      place.insertNeedsLineEnd = !line.terminated;
    }
    return true;
  });
  return place;
}

// At most the first `limit` bytes, never ending inside a double-byte character.
std::string_view CapAtCharacter(std::string_view s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::size_t i = 0;
  while (i < limit) {
    const std::size_t step = IsLeadByte(s[i]) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return s.substr(0, i);
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != npos; }

// True when the text ends in the first byte of a two-byte character: written as a name, that
// byte would take the "]" or "=" after it as its partner and the line would no longer parse.
bool EndsInsideCharacter(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) i += text::IsLeadByte(s[i]) ? 2 : 1;
  return i > s.size();
}

}  // namespace

std::string ReadProfileString(const QString& path, std::string_view section,
                              std::string_view key) {
  section = Trim(CutAtNul(section));
  key = Trim(CutAtNul(key));
  if (key.empty()) return {};
  const std::string bytes = ReadWholeFile(path);
  const Place place = Locate(bytes, section, key);
  if (!place.keyFound) return {};
  return std::string(
      CapAtCharacter(CutAtNul(place.key.value), kProfileValueBuffer - 1));
}

bool WriteProfileString(const QString& path, std::string_view section, std::string_view key,
                        std::string_view value, bool ownerOnly) {
  section = Trim(CutAtNul(section));
  key = Trim(CutAtNul(key));
  value = CutAtNul(value);
  if (key.empty() || key.front() == '[' || key.front() == ';' || FindByte(key, '=') != npos ||
      HasLineBreak(key) || HasLineBreak(section) || FindByte(section, ']') != npos ||
      HasLineBreak(value) || EndsInsideCharacter(section) || EndsInsideCharacter(key))
    return false;

  // An existing file that cannot be read must not be replaced by one holding only this key.
  const QFileInfo info(path);
  if (info.exists() && (!info.isFile() || !info.isReadable())) return false;
  const std::string bytes = ReadWholeFile(path);
  if (info.exists() && info.size() > 0 && bytes.empty()) return false;

  std::string entry;
  entry.reserve(key.size() + value.size() + 3);
  entry.append(key).append("=").append(value).append("\r\n");

  const Place place = Locate(bytes, section, key);
  std::string out;
  out.reserve(bytes.size() + entry.size() + section.size() + 4);
  if (place.keyFound) {
    out.append(bytes, 0, place.key.begin);
    out += entry;
    out.append(bytes, place.key.next);
  } else if (place.sectionFound) {
    out.append(bytes, 0, place.insertAt);
    if (place.insertNeedsLineEnd) out += "\r\n";
    out += entry;
    out.append(bytes, place.insertAt);
  } else {
    out = bytes;
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    out.append("[").append(section).append("]\r\n");
    out += entry;
  }
  return WriteFileAtomically(path, out, ownerOnly);
}

}  // namespace pelmora::platform
