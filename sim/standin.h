#pragma once
// The stand-in service's logic, free of sockets: the recognition of the client's requests,
// accounts and points, and the answers. Every request and answer is GBK bytes.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::sim {

// Place and carrier of a number, and its status digit.
struct NumberFacts {
  std::string province;  // e.g. 广东 (GBK); empty when the geocoder knows no place
  std::string city;      // e.g. 深圳 (GBK); a municipality's name for its own numbers
  std::string carrier;   // 移动, 联通, 电信, 广电 (GBK) or empty for an unknown block
  int status = 0;        // 0..5
};

// Place from the offline geocoder in Chinese, for 11-digit numbers taken as +86 numbers, split
// by SplitPlace; carrier from the first three digits; status from StatusOf.
NumberFacts FactsOf(std::string_view tel);
// (sum of the decimal digits + the last digit) mod 6; other bytes are skipped, "" gives 0.
int StatusOf(std::string_view tel);
// A geocoder description (UTF-8) as province and city (UTF-8): "广东省深圳市" -> 广东, 深圳;
// "北京市" -> 北京, 北京; "内蒙古呼和浩特市" -> 内蒙古, 呼和浩特; "新疆哈密地区" -> 新疆, 哈密地区;
// "中国" or "" -> both empty. A trailing 市 of the city is dropped, nothing else.
void SplitPlace(const std::string& utf8, std::string& province, std::string& city);
// The result file ("空号.txt" … "风险号.txt", UTF-8 names) a number's status sorts it into.
std::string StatusFileName(std::string_view tel);
std::vector<std::string> AllStatusFileNames();

// The digest the client sends for a password: MD5 as 32 lower-case hexadecimal digits.
std::string DigestOf(std::string_view password);

// One arrival on the command channel, taken apart. Recognition is exact: anything that is
// not byte for byte one of the client's four command messages is Unknown.
struct CommandRequest {
  enum class Kind { Unknown, Login, Register, Query, Leave };
  Kind kind = Kind::Unknown;
  std::string user;
  std::string digest;  // "pwd"
  std::string qq;      // Register only
  std::string tel;     // Query only
  bool operator==(const CommandRequest&) const = default;
};
// Login:    "user: " A CR LF "pwd: " D CR LF "login: login-" CR
// Register: "user: " A CR LF "pwd: " D CR LF "login: ret" CR LF "qq: " Q CR
// Query:    "user=" A "&pwd=" D "&tel=" T, D free of "&" (A and T may hold "&" and "=")
// Leave:    A "离开", A ending on a character boundary
CommandRequest RecognizeCommand(std::string_view arrival);

enum class NoticeRequestKind { Unknown, Announcement, Points };
// Exactly "公告" or exactly "查询".
NoticeRequestKind RecognizeNotice(std::string_view arrival);

class StandIn {
 public:
  static constexpr int kStartPoints = 1000;
  StandIn();  // with the account demo / 123456

  struct Answer {
    CommandRequest::Kind kind = CommandRequest::Kind::Unknown;  // what was asked
    std::string bytes;                                           // empty: no answer
  };
  // The answer to one arrival on the command channel. A query of a known account with the
  // right digest takes one point and makes that account the one whose points OnNotice reports.
  Answer OnCommand(std::string_view arrival);
  // The answer to one arrival on the notice channel; empty for none.
  std::string OnNotice(std::string_view arrival) const;
  // The JSON answer to a successful query: phoneStatus is a JSON number when the last byte of
  // `tel` is an even digit, a JSON string otherwise.
  static std::string QueryAnswer(std::string_view tel);

  // Points of an account (0 for an unknown one).
  int PointsOf(const std::string& user) const;

 private:
  struct Account {
    std::string digest;
    std::string qq;
    int points = kStartPoints;
  };
  std::map<std::string, Account> accounts_;
  std::string lastQueryUser_ = "demo";
};

}  // namespace pelmora::sim
