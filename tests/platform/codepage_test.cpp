#include <gtest/gtest.h>

#include "platform/codepage.h"

using namespace pelmora::platform;

TEST(CodePage, ConvertsBothWaysAndNeverStops) {
  struct Case {
    std::string gbk;
    std::string utf8;
  } cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"\xD6\xD0", "\xE4\xB8\xAD"},                       // 中
      {"\x80", "\xE2\x82\xAC"},                          // code page 936 maps 0x80 to the euro sign
      {"\xB9\xAB\xB8\xE6", "\xE5\x85\xAC\xE5\x91\x8A"},  // 公告
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GbkToUtf8Bytes(c.gbk), c.utf8);
    EXPECT_EQ(Utf8ToGbkBytes(c.utf8), c.gbk);
  }
}

TEST(CodePage, InvalidInputIsSubstitutedAndConversionGoesOn) {
  // A lone lead byte at the end, and a lead byte with an impossible partner.
  EXPECT_EQ(GbkToUtf8Bytes("a\x81"), "a\xEF\xBF\xBD");
  EXPECT_EQ(GbkToUtf8Bytes("\xFF" "b"), "\xEF\xBF\xBD" "b");
  // A character GBK cannot hold, and invalid UTF-8, become "?".
  EXPECT_EQ(Utf8ToGbkBytes("x\xF0\x9F\x98\x80y"), "x?y");
  EXPECT_EQ(Utf8ToGbkBytes("x\xC3y"), "x?y");
  // 1 MB of garbage converts without stopping.
  std::string junk(1 << 20, '\xFE');
  EXPECT_FALSE(GbkToUtf8Bytes(junk).empty());
}

TEST(CodePage, QStringBoundary) {
  EXPECT_EQ(GbkToQString("\xB5\xC7\xC2\xBD"), QString::fromUtf8("登陆"));
  EXPECT_EQ(QStringToGbk(QString::fromUtf8("剩余点数：")), "\xCA\xA3\xD3\xE0\xB5\xE3\xCA\xFD\xA3\xBA");
}
