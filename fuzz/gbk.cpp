// The code-page adapter and the GBK text scanning on arbitrary bytes. The input is taken as
// GBK (and, for the other direction, as UTF-8); its first byte also picks a needle for the
// searches, a piece of the input itself.
//
// Invariants:
// - GbkToUtf8Bytes always gives valid UTF-8, and GbkToQString the same characters;
// - GBK that converted without substitution (no U+FFFD in the UTF-8) converts back to itself,
//   through the bytes and through QString;
// - Utf8ToGbkBytes always gives GBK that converts without substitution;
// - GbkFind / GbkFindLast / GbkContains find exactly the occurrences at character starts;
// - SplitCrLf lines joined with CR LF give the input without a final CR LF (one at a character
//   start), no line holds a CR LF at a character start, and ForEachCrLfLine visits the same
//   lines and stops when asked to.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/codepage.h"
#include "text/gbk.h"

using pelmora::fuzz::AsView;
using pelmora::fuzz::CharacterStarts;
using pelmora::fuzz::IsValidUtf8;
using pelmora::fuzz::Occurrences;
namespace platform = pelmora::platform;
namespace text = pelmora::text;

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void CheckConversions(std::string_view input) {
  const std::string utf8 = platform::GbkToUtf8Bytes(input);
  FUZZ_CHECK(IsValidUtf8(utf8));
  if (input.empty()) FUZZ_CHECK(utf8.empty());

  const QString q = platform::GbkToQString(input);
  const QByteArray qUtf8 = q.toUtf8();
  FUZZ_CHECK(std::string_view(qUtf8.constData(), static_cast<std::size_t>(qUtf8.size())) == utf8);

  const bool clean = utf8.find(kReplacement) == std::string::npos;
  if (clean) {
    FUZZ_CHECK(platform::Utf8ToGbkBytes(utf8) == input);
    FUZZ_CHECK(platform::QStringToGbk(q) == input);
  }

  // The other direction: whatever comes in, what goes out is clean GBK.
  const std::string gbk = platform::Utf8ToGbkBytes(input);
  const std::string back = platform::GbkToUtf8Bytes(gbk);
  FUZZ_CHECK(back.find(kReplacement) == std::string::npos);
  // ASCII passes both ways unchanged.
  bool ascii = true;
  for (char c : input) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) FUZZ_CHECK(gbk == input && utf8 == input);
}

void CheckSearches(std::string_view hay, std::string_view needle) {
  const std::vector<std::size_t> all = Occurrences(hay, needle);
  const std::size_t found = text::GbkFind(hay, needle);
  FUZZ_CHECK(found == (all.empty() ? text::npos : all.front()));
  FUZZ_CHECK(text::GbkContains(hay, needle) == !all.empty());
  if (!needle.empty()) {
    FUZZ_CHECK(text::GbkFindLast(hay, needle) == (all.empty() ? text::npos : all.back()));
    // Searching on from each character start finds the next occurrence (the first few
    // hundred starts: each search is itself linear).
    const std::vector<bool> starts = CharacterStarts(hay);
    std::size_t next = 0;
    for (std::size_t from = 0; from < hay.size() && from < 256; ++from) {
      if (!starts[from]) continue;
      while (next < all.size() && all[next] < from) ++next;
      FUZZ_CHECK(text::GbkFind(hay, needle, from) == (next < all.size() ? all[next] : text::npos));
    }
  }
}

void CheckLines(std::string_view input) {
  const std::vector<std::string_view> lines = text::SplitCrLf(input);
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) joined += "\r\n";
    joined += lines[i];
    // A line never holds a CR LF that starts a character of the line.
    const std::vector<std::size_t> breaks = Occurrences(lines[i], "\r\n");
    FUZZ_CHECK(breaks.empty());
  }
  std::string_view expected = input;
  const std::vector<std::size_t> breaks = Occurrences(input, "\r\n");
  if (!breaks.empty() && breaks.back() == input.size() - 2) expected.remove_suffix(2);
  FUZZ_CHECK(joined == expected);
  FUZZ_CHECK(lines.size() == breaks.size() + (input.size() > (breaks.empty() ? 0 : breaks.back() + 2)));

  std::vector<std::string_view> visited;
  text::ForEachCrLfLine(input, [&](std::string_view line) {
    visited.push_back(line);
    return true;
  });
  FUZZ_CHECK(visited == lines);
  if (!lines.empty()) {
    std::size_t count = 0;
    text::ForEachCrLfLine(input, [&](std::string_view) { return ++count < 1; });
    FUZZ_CHECK(count == 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = AsView(data, size);

  CheckConversions(input);
  CheckLines(input);

  // Needle: a short piece of the input (possibly starting on a second byte), or a fixed word.
  if (size > 0) {
    const std::size_t at = data[0] % size;
    const std::size_t length = 1 + (size > 1 ? data[1] % 4 : 0);
    CheckSearches(input, input.substr(at, length));
  }
  CheckSearches(input, "\r\n");
  CheckSearches(input, "\xC7\xEB\xC7\xF3\xB3\xC9\xB9\xA6");  // 请求成功
  CheckSearches(input, "");

  FUZZ_CHECK(text::CutAtNul(input) == pelmora::fuzz::BeforeNul(input));
  return 0;
}
