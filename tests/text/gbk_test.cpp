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
