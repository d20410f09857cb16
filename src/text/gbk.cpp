#include "text/gbk.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pelmora::text {

std::string_view CutAtNul(std::string_view bytes) {
  const void* nul = std::memchr(bytes.data(), '\0', bytes.size());
  if (!nul) return bytes;
  return bytes.substr(0, static_cast<const char*>(nul) - bytes.data());
}

std::size_t GbkFind(std::string_view hay, std::string_view needle, std::size_t from) {
  const std::size_t n = hay.size();
  const std::size_t m = needle.size();
  if (from > n) return npos;
  if (m == 0) return from;
  for (std::size_t i = from; i + m <= n;) {
    if (hay[i] == needle[0] && std::memcmp(hay.data() + i, needle.data(), m) == 0) return i;
    i += IsLeadByte(hay[i]) ? 2 : 1;
  }
  return npos;
}

std::size_t GbkFindLast(std::string_view hay, std::string_view needle) {
  std::size_t last = npos;
  for (std::size_t pos = GbkFind(hay, needle); pos != npos;) {
    last = pos;
    if (needle.empty() || pos >= hay.size()) break;
    // Step one character past the match start and look again.
    const std::size_t next = pos + (IsLeadByte(hay[pos]) ? 2 : 1);
    pos = GbkFind(hay, needle, next);
  }
  return last;
}

std::size_t NextCrAtCharacterStart(std::string_view text, std::size_t from) {
  const std::size_t n = text.size();
  const char* p = text.data();
  std::size_t i = from;
  while (i < n) {
    // Skip 8 bytes at once while none of them is a lead byte or a CR.
    while (i + 8 <= n) {
      std::uint64_t w;
      std::memcpy(&w, p + i, 8);
      constexpr std::uint64_t kOnes = 0x0101010101010101ull;
      constexpr std::uint64_t kHigh = 0x8080808080808080ull;
      const std::uint64_t x = w ^ (kOnes * '\r');
      const std::uint64_t hasCr = (x - kOnes) & ~x & kHigh;
      if ((w & kHigh) | hasCr) break;
      i += 8;
    }
    if (i >= n) break;
    const char c = p[i];
    if (c == '\r') return i;
    i += IsLeadByte(c) ? 2 : 1;
  }
  return n;
}

std::vector<std::string_view> SplitCrLf(std::string_view text) {
  std::vector<std::string_view> lines;
  ForEachCrLfLine(text, [&](std::string_view line) {
    lines.push_back(line);
    return true;
  });
  return lines;
}

std::string RemoveByte(std::string_view text, char c) {
  std::string out;
  out.reserve(text.size());
  for (char b : text)
    if (b != c) out.push_back(b);
  return out;
}

}  // namespace pelmora::text
