#include <gtest/gtest.h>

#include "checking/statuscode.h"

#include <string>

using pelmora::checking::StatusWord;

namespace {

TEST(StatusCode, MapsTheSixValuesAndPassesAnythingElseThrough) {
  const struct {
    std::string value, word;
  } cases[] = {
      {"0", "\xBF\xD5\xBA\xC5"},                  // 空号
      {"1", "\xCA\xB5\xBA\xC5"},                  // 实号
      {"2", "\xCD\xA3\xBB\xFA"},                  // 停机
      {"3", "\xBF\xE2\xCE\xDE"},                  // 库无
      {"4", "\xB3\xC1\xC4\xAC\xBA\xC5"},          // 沉默号
      {"5", "\xB7\xE7\xCF\xD5\xBA\xC5"},          // 风险号
      {"6", "6"},
      {"03", "03"},
      {" 3", " 3"},
      {"3 ", "3 "},
      {"", ""},
      {"-1", "-1"},
      {"JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC", "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC"},  // JSON解析失败
      {std::string("3\0", 2), std::string("3\0", 2)},
  };
  for (const auto& c : cases) EXPECT_EQ(StatusWord(c.value), c.word) << c.value;
}

}  // namespace
