#pragma once
// Helpers shared by the fuzz targets: an invariant check that stops the run with a message,
// a strict UTF-8 validator, a GBK character walk written independently of text/gbk.h (so the
// targets check the client's scanning against a second reading of the same rule), and a
// once-per-process Qt application.

#include <QCoreApplication>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "\n*** invariant violated at %s:%d: %s\n", file, line, what);
  std::fflush(stderr);
  std::abort();
}

#define FUZZ_CHECK(cond) \
  do {                   \
    if (!(cond)) ::pelmora::fuzz::Fail(#cond, __FILE__, __LINE__); \
  } while (0)

inline std::string_view AsView(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Up to, not including, the first NUL.
inline std::string_view BeforeNul(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] == '\0') return s.substr(0, i);
  return s;
}

inline bool HasNul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
inline bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    unsigned cp;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

// Positions at which a character starts: a byte from 0x80 up takes the next byte with it.
inline std::vector<bool> CharacterStarts(std::string_view s) {
  std::vector<bool> starts(s.size(), false);
  for (std::size_t i = 0; i < s.size();) {
    starts[i] = true;
    i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
  }
  return starts;
}

// Every position where `needle` occurs starting on a character start (an empty needle
// matches at every character start and at the end).
inline std::vector<std::size_t> Occurrences(std::string_view hay, std::string_view needle) {
  std::vector<std::size_t> found;
  const std::vector<bool> starts = CharacterStarts(hay);
  for (std::size_t i = 0; i < hay.size(); ++i)
    if (starts[i] && hay.substr(i, needle.size()) == needle && i + needle.size() <= hay.size())
      found.push_back(i);
  if (needle.empty()) found.push_back(hay.size());
  return found;
}

inline bool ContainsAtCharacter(std::string_view hay, std::string_view needle) {
  return !Occurrences(hay, needle).empty();
}

// One QCoreApplication for the process (headless), for targets that touch Qt's file system
// or object machinery.
inline void EnsureQtApplication() {
  static int argc = 1;
  static char name[] = "pelmora-fuzz";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance()) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

}  // namespace pelmora::fuzz
