#include <gtest/gtest.h>

#include "service/messages.h"
#include "service/passworddigest.h"

using namespace pelmora::service;

namespace {
// The digest of "123456", as the service stores it.
constexpr const char* kDigest123456 = "e10adc3949ba59abbe56e057f20f883e";
}  // namespace

TEST(PasswordDigest, LowerCaseHexOfMd5) {
  EXPECT_EQ(PasswordDigest("123456"), kDigest123456);
  EXPECT_EQ(PasswordDigest(""), "d41d8cd98f00b204e9800998ecf8427e");
  const std::string d = PasswordDigest("\xC3\xDC\xC2\xEB");  // 密码 as GBK bytes
  ASSERT_EQ(d.size(), 32u);
  EXPECT_EQ(d.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST(Messages, WorkedExamplesByteForByte) {
  const std::string d = PasswordDigest("123456");
  const std::string login = LoginRequest("demo01", "123456");
  EXPECT_EQ(login, "user: demo01\r\npwd: " + d + "\r\nlogin: login-\r");
  EXPECT_EQ(login.size(), 67u);

  const std::string reg = RegisterRequest("demo01", d, "12345678");
  EXPECT_EQ(reg, "user: demo01\r\npwd: " + d + "\r\nlogin: ret\r\nqq: 12345678\r");
  EXPECT_EQ(reg.size(), 78u);
  EXPECT_EQ(RegisterRequest("demo01", "", "12345678").size(), 46u);

  const std::string query = QueryRequest("demo01", "123456", "13800138000");
  EXPECT_EQ(query, "user=demo01&pwd=" + d + "&tel=13800138000");
  EXPECT_EQ(query.size(), 64u);

  EXPECT_EQ(LeaveNotice("demo01"), "demo01\xC0\xEB\xBF\xAA");
  EXPECT_EQ(LeaveNotice(""), "\xC0\xEB\xBF\xAA");
  EXPECT_EQ(NoticeRequest(), "\xB9\xAB\xB8\xE6");
  EXPECT_EQ(QueryNotice(), "\xB2\xE9\xD1\xAF");
}

TEST(Messages, TextsGoOutAsTyped) {
  // Empty boxes still give the full three lines.
  EXPECT_EQ(LoginRequest("", ""),
            "user: \r\npwd: d41d8cd98f00b204e9800998ecf8427e\r\nlogin: login-\r");
  // Separators inside texts are not escaped.
  EXPECT_EQ(QueryRequest("a&b=c", "x", "1").substr(0, 10), "user=a&b=c");
  EXPECT_EQ(LoginRequest("a: b", "x").substr(0, 10), "user: a: b");
  for (const std::string& m : {LoginRequest("u", "p"), RegisterRequest("u", "d", "q")}) {
    EXPECT_EQ(m.back(), '\r');
  }
}

struct RecognitionCase {
  const char* name;
  std::string arrival;
  std::vector<CommandReply> command;
  std::vector<NoticeReply> notice;
};

TEST(Messages, ReplyRecognitionTable) {
  using C = CommandReply;
  using N = NoticeReply;
  const std::string ok(words::kLoginAccepted);
  const std::string success(words::kRequestSucceeded);
  const RecognitionCase cases[] = {
      {"login accepted", ok, {C::LoginAccepted}, {}},
      {"login refused", std::string(words::kLoginRefused), {C::LoginRefused}, {}},
      {"register accepted", std::string(words::kRegisterAccepted), {C::RegisterAccepted}, {}},
      {"name taken", std::string(words::kNameTaken), {C::NameTaken}, {}},
      {"equality is exact: trailing CR LF", ok + "\r\n", {}, {}},
      {"equality is exact: leading blank", " " + ok, {}, {}},
      {"NUL cuts the reply", ok + std::string("\0junk", 5), {C::LoginAccepted}, {}},
      {"leading NUL is the empty text", std::string("\0", 1) + ok, {}, {}},
      {"containment anywhere", "{\"msg\":\"" + success + "\"}", {C::QueryReply}, {}},
      {"containment must start on a character", "\xC1" + success.substr(1) + "x", {}, {}},
      {"two merged login answers", ok + ok, {}, {}},
      {"announcement", "\xB9\xAB\xB8\xE6: hello", {}, {N::Announcement}},
      {"points", "\xCA\xA3\xD3\xE0\xB5\xE3\xCA\xFD\xA3\xBA" "99", {}, {N::PointsNotice}},
      {"both notice tests hold", "\xB9\xAB\xB8\xE6\xCA\xA3\xD3\xE0", {}, {N::Announcement, N::PointsNotice}},
      {"notice word on a second byte", "\xC1\xB9\xAB\xB8\xE6", {}, {}},
      {"only line ends", "\r\n\r\n\r\n", {}, {}},
  };
  for (const auto& c : cases) {
    const std::string reply = ReplyText(c.arrival);
    EXPECT_EQ(MatchCommandReply(reply), c.command) << c.name;
    EXPECT_EQ(MatchNoticeReply(reply), c.notice) << c.name;
  }
}

TEST(Messages, LargeAndInvalidRepliesAreScannedSafely) {
  std::string big(1 << 20, '\xFF');
  big += std::string(words::kRequestSucceeded);  // preceded by lead bytes: pairs realign
  EXPECT_EQ(MatchCommandReply(big), std::vector<CommandReply>{CommandReply::QueryReply});
  std::string odd(1 << 20 | 1, '\xFF');  // odd count: the word starts on a second byte
  odd += std::string(words::kRequestSucceeded);
  EXPECT_TRUE(MatchCommandReply(odd).empty());
  EXPECT_TRUE(MatchNoticeReply(std::string(1, '\x81')).empty());
}
