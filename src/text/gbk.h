#pragma once
// Byte scanning that knows GBK double-byte characters: a byte from 0x80 up starts a two-byte
// character, and no match ever begins on its second byte. Every search, containment test and
// CR LF split of the client goes through here.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::text {

inline constexpr std::size_t npos = std::string_view::npos;

// True when the byte starts a two-byte character.
inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// The bytes up to, not including, the first NUL (the whole input when there is none).
std::string_view CutAtNul(std::string_view bytes);

// Position of the first occurrence of `needle` at a character start at or after `from`
// (which must itself be a character start), or npos. An empty needle matches at `from`.
std::size_t GbkFind(std::string_view hay, std::string_view needle, std::size_t from = 0);
// Position of the last occurrence at a character start, or npos.
std::size_t GbkFindLast(std::string_view hay, std::string_view needle);
inline bool GbkContains(std::string_view hay, std::string_view needle) {
  return GbkFind(hay, needle) != npos;
}

// Splits at every CR LF found at a character start. Two CR LF in a row give an empty line
// between them; what follows the last CR LF is a line only when it is not empty; an empty
// text gives no lines. The views point into `text`.
std::vector<std::string_view> SplitCrLf(std::string_view text);

// Calls f(line) for each line of SplitCrLf without building a vector; stops early when f
// returns false.
// Position of the first CR at a character start at or after `from` (a character start), or
// the text's size. Runs of plain ASCII are skipped a word at a time.
std::size_t NextCrAtCharacterStart(std::string_view text, std::size_t from);

template <typename F>
void ForEachCrLfLine(std::string_view text, F&& f) {
  std::size_t start = 0;
  const std::size_t n = text.size();
  for (std::size_t i = NextCrAtCharacterStart(text, 0); i < n; i = NextCrAtCharacterStart(text, i)) {
    if (i + 1 < n && text[i + 1] == '\n') {
      if (!f(text.substr(start, i - start))) return;
      i += 2;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) f(text.substr(start));
}

// Removes every byte equal to `c` (used for CR and LF, which are never second bytes of
// a character anyway since they are below 0x40).
std::string RemoveByte(std::string_view text, char c);

}  // namespace pelmora::text
