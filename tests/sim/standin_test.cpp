// The stand-in's logic without sockets: what it takes for each of the client's messages, the
// facts it gives for a number, and the answers it keeps for accounts and points.

#include <gtest/gtest.h>

#include "server.h"
#include "standin.h"
#include "text/gbk.h"
#include "text/jsondocument.h"
#include "wire.h"

using namespace pelmora;
using namespace pelmora::simtest;
using Kind = sim::CommandRequest::Kind;

namespace {

sim::CommandRequest Req(Kind kind, std::string user = {}, std::string digest = {}, std::string qq = {},
                        std::string tel = {}) {
  return sim::CommandRequest{kind, std::move(user), std::move(digest), std::move(qq), std::move(tel)};
}

std::string Field(std::string reply, const char* path) { return text::ReadJsonField(reply, path); }

}  // namespace

namespace pelmora::sim {
void PrintTo(const CommandRequest& r, std::ostream* os) {
  *os << "{kind " << int(r.kind) << ", user \"" << r.user << "\", pwd \"" << r.digest << "\", qq \"" << r.qq
      << "\", tel \"" << r.tel << "\"}";
}
}  // namespace pelmora::sim

TEST(RecognizeCommand, TakesExactlyTheClientsFourMessages) {
  const std::string d = Digest("123456");
  const std::string account = "\xD5\xC5\xC8\xFD";  // 张三
  struct Case {
    const char* what;
    std::string bytes;
    sim::CommandRequest expected;
  } cases[] = {
      {"login", LoginBytes("demo", d), Req(Kind::Login, "demo", d)},
      {"login, both boxes empty", LoginBytes("", Digest("")), Req(Kind::Login, "", Digest(""))},
      {"login, account with ': '", LoginBytes("a: b", d), Req(Kind::Login, "a: b", d)},
      {"login, GBK account", LoginBytes(account, d), Req(Kind::Login, account, d)},
      {"register", RegisterBytes("demo01", d, "12345678"), Req(Kind::Register, "demo01", d, "12345678")},
      {"register, empty digest", RegisterBytes("demo01", "", "12345678"), Req(Kind::Register, "demo01", "", "12345678")},
      {"query", QueryBytes("demo", d, "13800138000"), Req(Kind::Query, "demo", d, "", "13800138000")},
      {"query, account with & and =", QueryBytes("a&b=c", d, "1"), Req(Kind::Query, "a&b=c", d, "", "1")},
      {"query, account with &pwd=", QueryBytes("x&pwd=y", d, "1"), Req(Kind::Query, "x&pwd=y", d, "", "1")},
      {"query, tel with & and =", QueryBytes("demo", d, "1&2=3"), Req(Kind::Query, "demo", d, "", "1&2=3")},
      {"query, empty fields", QueryBytes("", "", ""), Req(Kind::Query)},
      {"leave", LeaveBytes("demo01"), Req(Kind::Leave, "demo01")},
      {"leave, empty account", LeaveBytes(""), Req(Kind::Leave)},
      {"leave, GBK account", LeaveBytes(account), Req(Kind::Leave, account)},
      // Near misses get no answer at all.
      {"login ending in CR LF", LoginBytes("demo", d) + "\n", Req(Kind::Unknown)},
      {"login without its final CR", LoginBytes("demo", d).substr(0, LoginBytes("demo", d).size() - 1), Req(Kind::Unknown)},
      {"login with a trailing NUL", LoginBytes("demo", d) + std::string(1, '\0'), Req(Kind::Unknown)},
      {"login word wrong", "user: demo\r\npwd: " + d + "\r\nlogin: login\r", Req(Kind::Unknown)},
      {"lines out of order", "pwd: " + d + "\r\nuser: demo\r\nlogin: login-\r", Req(Kind::Unknown)},
      {"no blank after the colon", "user:demo\r\npwd: " + d + "\r\nlogin: login-\r", Req(Kind::Unknown)},
      {"register without qq", "user: a\r\npwd: " + d + "\r\nlogin: ret\r", Req(Kind::Unknown)},
      {"query without tel", "user=demo&pwd=" + d, Req(Kind::Unknown)},
      {"query in another order", "pwd=" + d + "&user=demo&tel=1", Req(Kind::Unknown)},
      {"leave split inside a character", "\xB0" + S(kLeave), Req(Kind::Unknown)},
      {"notice word on the command channel", S(kNotice), Req(Kind::Unknown)},
      {"empty", "", Req(Kind::Unknown)},
  };
  for (const auto& c : cases) EXPECT_EQ(sim::RecognizeCommand(c.bytes), c.expected) << c.what;
}

TEST(RecognizeNotice, TakesOnlyTheTwoWordsAlone) {
  EXPECT_EQ(sim::RecognizeNotice(kNotice), sim::NoticeRequestKind::Announcement);
  EXPECT_EQ(sim::RecognizeNotice(kQuery), sim::NoticeRequestKind::Points);
  for (const std::string& other : {S(kNotice) + "\r\n", S(kQuery) + S(kQuery), " " + S(kNotice), std::string()})
    EXPECT_EQ(sim::RecognizeNotice(other), sim::NoticeRequestKind::Unknown);
}

TEST(NumberFacts, StatusIsTheDigitSumPlusTheLastDigitModuloSix) {
  struct Case {
    const char* tel;
    int status;
  } cases[] = {{"13800138000", 0}, {"18602112345", 2}, {"13005461234", 3}, {"1", 2},
               {"", 0},            {"99", 3},          {"5", 4},           {"12a", 5}};
  for (const auto& c : cases) EXPECT_EQ(sim::StatusOf(c.tel), c.status) << c.tel;
  EXPECT_EQ(sim::StatusFileName("5"), "沉默号.txt");
}

TEST(NumberFacts, PlaceSplitsIntoProvinceAndCity) {
  struct Case {
    const char* place;
    const char* province;
    const char* city;
  } cases[] = {
      {"广东省深圳市", "广东", "深圳"},   {"北京市", "北京", "北京"},
      {"重庆市", "重庆", "重庆"},         {"内蒙古呼和浩特市", "内蒙古", "呼和浩特"},
      {"新疆哈密地区", "新疆", "哈密地区"}, {"广西南宁市", "广西", "南宁"},
      {"湖北省", "湖北", ""},             {"中国", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    std::string province = "x", city = "x";
    sim::SplitPlace(c.place, province, city);
    EXPECT_EQ(province, c.province) << c.place;
    EXPECT_EQ(city, c.city) << c.place;
  }
}

TEST(NumberFacts, PlaceFromTheGeocoderAndCarrierFromTheBlock) {
  // Numbers whose places were looked up in the geocoder's data by hand.
  auto beijing = sim::FactsOf("13800138000");
  EXPECT_EQ(beijing.province, kBeijing);
  EXPECT_EQ(beijing.city, kBeijing);
  EXPECT_EQ(beijing.carrier, kMobile);
  auto shenzhen = sim::FactsOf("13005461234");
  EXPECT_EQ(shenzhen.province, kGuangdong);
  EXPECT_EQ(shenzhen.city, kShenzhen);
  EXPECT_EQ(shenzhen.carrier, kUnicom);
  // The geocoder only knows the country for this block.
  auto broadcast = sim::FactsOf("19212345678");
  EXPECT_EQ(broadcast.province + broadcast.city, "");
  EXPECT_EQ(broadcast.carrier, kBroadcast);
  // Not a mobile block; too short; not digits: no place, still a status.
  for (const char* tel : {"12345678901", "1380013800", "1380013800x", "\xB1\xB1\xBE\xA9"}) {
    const auto f = sim::FactsOf(tel);
    EXPECT_EQ(f.province + f.city, "") << tel;
    EXPECT_EQ(f.status, sim::StatusOf(tel)) << tel;
  }
  EXPECT_EQ(sim::FactsOf("12345678901").carrier, "");
  EXPECT_EQ(sim::FactsOf("1380013800").carrier, kMobile);
}

TEST(QueryAnswer, IsJsonTheClientReads) {
  const std::string even = sim::StandIn::QueryAnswer("13800138000");
  EXPECT_TRUE(text::GbkContains(even, kRequestSucceeded));
  EXPECT_EQ(Field(even, "phoneList[0].province"), kBeijing);
  EXPECT_EQ(Field(even, "phoneList[0].city"), kBeijing);
  EXPECT_EQ(Field(even, "phoneList[0].operatorType"), kMobile);
  EXPECT_EQ(Field(even, "phoneList[0].phoneStatus"), "0");
  EXPECT_NE(even.find("\"phoneStatus\":0}"), std::string::npos) << even;  // a JSON number
  const std::string odd = sim::StandIn::QueryAnswer("13005461233");
  EXPECT_NE(odd.find("\"phoneStatus\":\"" + std::to_string(sim::StatusOf("13005461233")) + "\""),
            std::string::npos) << odd;  // a JSON string
}

TEST(QueryAnswer, HostileNumberStaysInsideItsString) {
  // A quote, a backslash, a control byte, a lead byte before a quote, a lone lead byte at the end.
  const std::string tel = "1\"2\\3\x01" "4\x81\"5\xB0";
  const std::string answer = sim::StandIn::QueryAnswer(tel);
  EXPECT_EQ(Field(answer, "phoneList[0].mobile"), "1\"2\\3\x01" "4?\"5?");
  EXPECT_EQ(Field(answer, "phoneList[0].phoneStatus"), std::to_string(sim::StatusOf(tel)));
  const std::string gbkTel = "\xB1\xB1\xBE\xA9";  // 北京, kept as it is
  EXPECT_EQ(Field(sim::StandIn::QueryAnswer(gbkTel), "phoneList[0].mobile"), gbkTel);
}

TEST(StandIn, AccountsLoginsAndRegistrations) {
  sim::StandIn s;
  EXPECT_EQ(s.OnCommand(LoginBytes("demo", Digest("123456"))).bytes, kLoginAccepted);
  EXPECT_EQ(s.OnCommand(LoginBytes("demo", Digest("12345"))).bytes, kLoginRefused);
  EXPECT_EQ(s.OnCommand(LoginBytes("demo", "E10ADC3949BA59ABBE56E057F20F883E")).bytes, kLoginRefused);  // upper case
  EXPECT_EQ(s.OnCommand(LoginBytes("nobody", Digest("123456"))).bytes, kLoginRefused);

  EXPECT_EQ(s.OnCommand(RegisterBytes("neu", Digest("pw"), "123456")).bytes, kRegisterAccepted);
  EXPECT_EQ(s.OnCommand(RegisterBytes("neu", Digest("other"), "1")).bytes, kNameTaken);
  EXPECT_EQ(s.OnCommand(RegisterBytes("demo", Digest("pw"), "1")).bytes, kNameTaken);
  EXPECT_EQ(s.OnCommand(LoginBytes("neu", Digest("pw"))).bytes, kLoginAccepted);
  EXPECT_EQ(s.OnCommand(LoginBytes("neu", Digest("other"))).bytes, kLoginRefused);
  // An empty digest is kept as given.
  EXPECT_EQ(s.OnCommand(RegisterBytes("blank", "", "1")).bytes, kRegisterAccepted);
  EXPECT_EQ(s.OnCommand(LoginBytes("blank", "")).bytes, kLoginAccepted);
  EXPECT_EQ(s.OnCommand(LoginBytes("blank", Digest(""))).bytes, kLoginRefused);

  const auto leave = s.OnCommand(LeaveBytes("demo"));
  EXPECT_EQ(leave.kind, Kind::Leave);
  EXPECT_EQ(leave.bytes, "");
  EXPECT_EQ(s.OnCommand("hello").bytes, "");
}

TEST(StandIn, QueriesChargeThePointsThatTheNoticeReports) {
  sim::StandIn s;
  const std::string points = S(kPointsLeft);
  EXPECT_EQ(s.OnNotice(kNotice).substr(0, 4), kNotice);
  EXPECT_EQ(s.OnNotice(kQuery), points + "1000");
  EXPECT_EQ(s.OnNotice("?"), "");

  const auto ok = s.OnCommand(QueryBytes("demo", Digest("123456"), "13800138000"));
  EXPECT_EQ(ok.kind, Kind::Query);
  EXPECT_EQ(ok.bytes, sim::StandIn::QueryAnswer("13800138000"));
  EXPECT_EQ(s.OnNotice(kQuery), points + "999");

  // Refused queries answer without the success word and cost nothing.
  for (const std::string& q : {QueryBytes("demo", Digest("x"), "1"), QueryBytes("nobody", Digest("123456"), "1")}) {
    const auto refused = s.OnCommand(q);
    EXPECT_EQ(refused.kind, Kind::Query);
    EXPECT_FALSE(refused.bytes.empty());
    EXPECT_FALSE(text::GbkContains(refused.bytes, kRequestSucceeded)) << refused.bytes;
  }
  EXPECT_EQ(s.PointsOf("demo"), 999);

  // Another account's query makes its points the ones reported.
  s.OnCommand(RegisterBytes("neu", Digest("pw"), "1"));
  s.OnCommand(QueryBytes("neu", Digest("pw"), "1"));
  EXPECT_EQ(s.OnNotice(kQuery), points + "999");
  s.OnCommand(QueryBytes("neu", Digest("pw"), "1"));
  EXPECT_EQ(s.OnNotice(kQuery), points + "998");

  // The last point goes, then queries are refused.
  while (s.PointsOf("neu") > 0) s.OnCommand(QueryBytes("neu", Digest("pw"), "1"));
  const auto broke = s.OnCommand(QueryBytes("neu", Digest("pw"), "1"));
  EXPECT_FALSE(text::GbkContains(broke.bytes, kRequestSucceeded));
  EXPECT_EQ(s.OnNotice(kQuery), points + "0");
  EXPECT_EQ(s.PointsOf("demo"), 999);
}

TEST(GarbageAnswer, HoldsNulInvalidGbkAndSometimesTheSuccessWord) {
  std::mt19937 a(sim::kGarbageSeed), b(sim::kGarbageSeed);
  for (int n = 1; n <= 20; ++n) {
    const std::string g = sim::GarbageAnswer(a, n);
    EXPECT_EQ(g, sim::GarbageAnswer(b, n)) << n;  // the same seed gives the same bytes
    const std::string_view text = text::CutAtNul(g);
    EXPECT_LT(text.size(), g.size()) << n;
    EXPECT_NE(text.find("\x81\x7F"), std::string_view::npos) << n;
    EXPECT_EQ(g.back(), '\xB0') << n;
    EXPECT_EQ(text::GbkContains(text, kRequestSucceeded), n % 2 == 1) << n;
  }
}
