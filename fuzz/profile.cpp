// Profile files: the input is the whole file. A few keys are read from it, then one key is
// written and read back. The section, key and value written come from the file itself, raw
// (blanks, NULs, GBK bytes and all): the section from the first line ("[name]" or the line),
// the key from the second line (before "=", or the line), the value from the last line (after
// "=", or the line). A second write puts the same value under "配置" / "user".
//
// Invariants:
// - a value read holds no NUL and no LF, starts with no blank, is at most
//   kProfileValueBuffer - 1 bytes and stands in the file;
// - a write that returned true reads back as the value cut at its first NUL, without the
//   surrounding blanks (space, tab, CR, VT, FF);
// - a write leaves the values of other keys as they were.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/profile.h"

using pelmora::fuzz::AsView;
using pelmora::fuzz::BeforeNul;
using pelmora::fuzz::HasNul;
namespace platform = pelmora::platform;

namespace {

constexpr std::string_view kConfigSection = "\xC5\xE4\xD6\xC3";  // 配置

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// What a name argument means: cut at NUL, without surrounding blanks.
std::string_view NameArgument(std::string_view s) { return TrimBlanks(BeforeNul(s)); }

// All bytes with ASCII letters folded: names equal for the profile functions fold equal here.
std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool MaybeSameName(std::string_view a, std::string_view b) {
  return Folded(NameArgument(a)) == Folded(NameArgument(b));
}

// The value as it reads back: cut at NUL, trimmed, at most the buffer's bytes without
// splitting a double-byte character.
std::string ExpectedReadBack(std::string_view value) {
  std::string_view v = TrimBlanks(BeforeNul(value));
  constexpr std::size_t limit = platform::kProfileValueBuffer - 1;
  if (v.size() > limit) {
    std::size_t i = 0;
    while (i < limit) {
      const std::size_t step = static_cast<unsigned char>(v[i]) >= 0x80 ? 2 : 1;
      if (i + step > limit) break;
      i += step;
    }
    v = v.substr(0, i);
  }
  return std::string(v);
}

std::vector<std::string_view> LfLines(std::string_view s) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (begin < s.size()) {
    std::size_t lf = s.find('\n', begin);
    if (lf == std::string_view::npos) lf = s.size();
    std::string_view line = s.substr(begin, lf - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    begin = lf + 1;
  }
  return lines;
}

const QString& ProfilePath() {
  static QTemporaryDir dir;
  static const QString path = QDir(dir.path()).filePath(QString::fromUtf8("\xE9\x85\x8D\xE7\xBD\xAE"));  // 配置
  return path;
}

void WriteRaw(const QString& path, std::string_view bytes) {
  QFile file(path);
  FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  FUZZ_CHECK(file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
             static_cast<qint64>(bytes.size()));
}

std::string ReadRaw(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray all = file.readAll();
  return std::string(all.constData(), static_cast<std::size_t>(all.size()));
}

std::string CheckedRead(const QString& path, std::string_view section, std::string_view key) {
  const std::string value = platform::ReadProfileString(path, section, key);
  FUZZ_CHECK(!HasNul(value));
  FUZZ_CHECK(value.find('\n') == std::string::npos);
  FUZZ_CHECK(value.empty() || !IsBlank(value.front()));
  FUZZ_CHECK(value.size() < platform::kProfileValueBuffer);
  if (!value.empty()) FUZZ_CHECK(ReadRaw(path).find(value) != std::string::npos);
  return value;
}

struct Probe {
  std::string_view section;
  std::string_view key;
};

// Writes (section, key, value), then checks the read-back and the other probes.
void WriteAndCheck(const QString& path, std::string_view section, std::string_view key,
                   std::string_view value, bool ownerOnly, const std::vector<Probe>& probes) {
  std::vector<std::string> before;
  for (const Probe& p : probes) before.push_back(CheckedRead(path, p.section, p.key));
  const std::string fileBefore = ReadRaw(path);

  const bool written = platform::WriteProfileString(path, section, key, value, ownerOnly);
  if (!written) {
    FUZZ_CHECK(ReadRaw(path) == fileBefore);  // a refused write leaves the file alone
    return;
  }
  const std::string readBack = CheckedRead(path, section, key);
  if (readBack != ExpectedReadBack(value)) {
    std::fprintf(stderr, "section [%.*s] key [%.*s] value [%.*s] read back [%s]\n",
                 static_cast<int>(section.size()), section.data(), static_cast<int>(key.size()),
                 key.data(), static_cast<int>(value.size()), value.data(), readBack.c_str());
    FUZZ_CHECK(readBack == ExpectedReadBack(value));
  }
  for (std::size_t i = 0; i < probes.size(); ++i) {
    if (MaybeSameName(probes[i].section, section) && MaybeSameName(probes[i].key, key)) continue;
    FUZZ_CHECK(CheckedRead(path, probes[i].section, probes[i].key) == before[i]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pelmora::fuzz::EnsureQtApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file = AsView(data, size);
  const QString& path = ProfilePath();
  FUZZ_CHECK(!path.isEmpty());

  // The names and the value to write, from the file's own lines.
  const std::vector<std::string_view> lines = LfLines(file);
  std::string_view section = lines.empty() ? std::string_view() : lines.front();
  if (const std::size_t open = section.find('['), close = section.rfind(']');
      open != std::string_view::npos && close != std::string_view::npos && close > open)
    section = section.substr(open + 1, close - open - 1);
  std::string_view key = lines.size() > 1 ? lines[1] : std::string_view("user");
  if (const std::size_t eq = key.find('='); eq != std::string_view::npos) key = key.substr(0, eq);
  std::string_view value = lines.empty() ? std::string_view() : lines.back();
  if (const std::size_t eq = value.find('='); eq != std::string_view::npos)
    value = value.substr(eq + 1);
  const bool ownerOnly = size % 2 == 0;

  const std::vector<Probe> probes = {
      {kConfigSection, "user"}, {kConfigSection, "pwd"}, {section, key}, {section, "pwd"}};

  WriteRaw(path, file);
  for (const Probe& p : probes) CheckedRead(path, p.section, p.key);
  WriteAndCheck(path, section, key, value, ownerOnly, probes);

  WriteRaw(path, file);
  WriteAndCheck(path, kConfigSection, "user", value, ownerOnly, probes);
  return 0;
}
