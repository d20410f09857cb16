#pragma once
// The stand-in service's logic, free of sockets: accounts and points, the recognition of the
// client's requests and the answers to them. All texts are GBK bytes.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::sim {

// Place and carrier of a number, and its status digit.
struct NumberFacts {
  std::string province;  // e.g. 广东 (GBK)
  std::string city;      // e.g. 深圳 (GBK)
  std::string carrier;   // 移动, 联通, 电信, 广电 or empty (GBK)
  int status = 0;        // 0..5
};

// Place from the offline geocoder (Chinese), carrier from the number's block, status from
// its digits (the sum of the digits plus the last digit, modulo 6), so tests know what to
// expect.
NumberFacts FactsOf(std::string_view tel);
int StatusOf(std::string_view tel);
// The result file ("空号.txt" … "风险号.txt", UTF-8 names) a number's status sorts it into.
std::string StatusFileName(std::string_view tel);
std::vector<std::string> AllStatusFileNames();

class StandIn {
 public:
  static constexpr int kStartPoints = 1000;
  StandIn();

  // The answer to one arrival on the command channel; empty for none.
  std::string OnCommand(std::string_view request);
  // The answer to one arrival on the notice channel; empty for none.
  std::string OnNotice(std::string_view request);
  // The JSON answer to a successful query (also used by tests).
  static std::string QueryAnswer(std::string_view tel);

  int PointsOf(const std::string& user) const;

 private:
  struct Account {
    std::string digest;
    std::string qq;
    int points = kStartPoints;
  };
  std::map<std::string, Account> accounts_;
  std::string lastQueryUser_;
};

// The digest the client sends for a password: MD5 as 32 lower-case hexadecimal digits.
std::string DigestOf(std::string_view password);

}  // namespace pelmora::sim
