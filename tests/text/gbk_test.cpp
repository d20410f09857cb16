#include <gtest/gtest.h>

#include "text/gbk.h"

using namespace pelmora::text;

TEST(GbkText, FindSkipsSecondBytesOfDoubleByteCharacters) {
  // "\xB9\x41" is one character whose second byte is 'A': "A" must not match inside it.
  EXPECT_EQ(GbkFind("\xB9" "A", "A"), npos);
  EXPECT_EQ(GbkFind("\xB9" "AA", "A"), 2u);
  EXPECT_EQ(GbkFind("xx\xB9\xAB\xB8\xE6", "\xB9\xAB\xB8\xE6"), 2u);
  // "公告" spelt from the middle of two characters does not count.
  EXPECT_EQ(GbkFind("\xC1\xB9\xAB\xB8\xE6", "\xB9\xAB\xB8\xE6"), npos);
  EXPECT_EQ(GbkFindLast("a=b=c", "="), 3u);
  EXPECT_EQ(GbkFindLast("\xB9=", "="), npos);
  EXPECT_EQ(GbkFind("", "a"), npos);
  EXPECT_TRUE(GbkContains("abc", ""));
}

TEST(GbkText, SplitCrLfRules) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(SplitCrLf(""), V{});
  EXPECT_EQ(SplitCrLf("\r\n"), V{""});
  EXPECT_EQ(SplitCrLf("1\r\n\r\n3\r\n"), (V{"1", "", "3"}));
  EXPECT_EQ(SplitCrLf("1\n2\n"), V{"1\n2\n"});
  EXPECT_EQ(SplitCrLf("a\r\nb"), (V{"a", "b"}));
  // A lead byte before CR LF takes the CR as its partner; the line runs on.
  EXPECT_EQ(SplitCrLf("12\x81\r\n34\r\n"), (V{"12\x81\r\n34"}));
}

TEST(GbkText, CutAtNul) {
  EXPECT_EQ(CutAtNul(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(CutAtNul(std::string_view("\0cd", 3)), "");
  EXPECT_EQ(CutAtNul("abc"), "abc");
}

TEST(GbkText, WordAtATimeCrScanAgreesWithPlainWalk) {
  // Random mixes of ASCII, CR, LF and lead bytes, compared with a byte-by-byte walk.
  auto plain = [](std::string_view t) {
    std::vector<std::string_view> lines;
    size_t start = 0, i = 0;
    while (i < t.size()) {
      if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') {
        lines.push_back(t.substr(start, i - start));
        i += 2;
        start = i;
      } else {
        i += IsLeadByte(t[i]) ? 2 : 1;
      }
    }
    if (start < t.size()) lines.push_back(t.substr(start));
    return lines;
  };
  const char alphabet[] = {'1', '2', '\r', '\n', '\x81', '\xD6', 'a', ' '};
  unsigned seed = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string t;
    const int len = round % 64;
    for (int k = 0; k < len; ++k) {
      seed = seed * 1103515245u + 12345u;
      const unsigned r = (seed >> 16) % 16;
      t.push_back(r < 8 ? alphabet[r] : '0' + char(r - 8));  // mostly digits, as in number files
    }
    ASSERT_EQ(SplitCrLf(t), plain(t)) << round;
  }
}
