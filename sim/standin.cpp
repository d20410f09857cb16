#include "standin.h"

#include <QCryptographicHash>
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cstdio>

#include "platform/codepage.h"

namespace pelmora::sim {
namespace {

using Kind = CommandRequest::Kind;

constexpr std::string_view kNotice = "\xB9\xAB\xB8\xE6";                       // 公告
constexpr std::string_view kQuery = "\xB2\xE9\xD1\xAF";                        // 查询
constexpr std::string_view kLeave = "\xC0\xEB\xBF\xAA";                        // 离开
constexpr std::string_view kLoginAccepted = "\xB5\xC7\xC2\xBD\xB3\xC9\xB9\xA6";  // 登陆成功
constexpr std::string_view kLoginRefused = "\xB5\xC7\xC2\xBD\xCA\xA7\xB0\xDC";   // 登陆失败
constexpr std::string_view kRegisterAccepted = "\xD7\xA2\xB2\xE1\xB3\xC9\xB9\xA6";  // 注册成功
constexpr std::string_view kNameTaken = "\xD3\xC3\xBB\xA7\xC3\xFB\xD2\xD1\xB4\xE6\xD4\xDA";  // 用户名已存在
constexpr std::string_view kRequestSucceeded = "\xC7\xEB\xC7\xF3\xB3\xC9\xB9\xA6";  // 请求成功
constexpr std::string_view kWrongAccount =
    "\xD5\xCB\xBA\xC5\xBB\xF2\xC3\xDC\xC2\xEB\xB4\xED\xCE\xF3";  // 账号或密码错误
constexpr std::string_view kNoPoints = "\xB5\xE3\xCA\xFD\xB2\xBB\xD7\xE3";  // 点数不足
// 公告：欢迎使用号码状态查询。演示账号 demo，密码 123456。
constexpr std::string_view kAnnouncement =
    "\xB9\xAB\xB8\xE6\xA3\xBA\xBB\xB6\xD3\xAD\xCA\xB9\xD3\xC3\xBA\xC5\xC2\xEB\xD7\xB4\xCC\xAC\xB2\xE9"
    "\xD1\xAF\xA1\xA3\xD1\xDD\xCA\xBE\xD5\xCB\xBA\xC5 demo\xA3\xAC\xC3\xDC\xC2\xEB 123456\xA1\xA3";
constexpr std::string_view kPointsLeft = "\xCA\xA3\xD3\xE0\xB5\xE3\xCA\xFD\xA3\xBA";  // 剩余点数：
constexpr std::string_view kMobile = "\xD2\xC6\xB6\xAF";   // 移动
constexpr std::string_view kUnicom = "\xC1\xAA\xCD\xA8";   // 联通
constexpr std::string_view kTelecom = "\xB5\xE7\xD0\xC5";  // 电信
constexpr std::string_view kBroadcast = "\xB9\xE3\xB5\xE7";  // 广电

// China's mobile blocks by their first three digits.
std::string CarrierOf(std::string_view tel) {
  if (tel.size() < 3 || !std::all_of(tel.begin(), tel.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }))
    return {};
  const int block = (tel[0] - '0') * 100 + (tel[1] - '0') * 10 + (tel[2] - '0');
  static const int mobile[] = {134, 135, 136, 137, 138, 139, 147, 148, 150, 151, 152, 157, 158,
                               159, 165, 172, 178, 182, 183, 184, 187, 188, 195, 197, 198};
  static const int unicom[] = {130, 131, 132, 145, 146, 155, 156, 166, 167, 171, 175, 176, 185, 186, 196};
  static const int telecom[] = {133, 149, 153, 162, 173, 174, 177, 180, 181, 189, 190, 191, 193, 199};
  auto in = [block](const auto& blocks) { return std::find(std::begin(blocks), std::end(blocks), block) != std::end(blocks); };
  if (in(mobile)) return std::string(kMobile);
  if (in(unicom)) return std::string(kUnicom);
  if (in(telecom)) return std::string(kTelecom);
  if (block == 192) return std::string(kBroadcast);
  return {};
}

// A JSON string of GBK text. Well-formed double-byte characters go in unchanged; a byte of 0x80
// or above that does not start one becomes "?", so the text stays valid GBK and no quote can
// hide behind a lead byte.
std::string JsonString(std::string_view gbk) {
  std::string out = "\"";
  for (size_t i = 0; i < gbk.size(); ++i) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    if (c >= 0x80) {
      const auto t = i + 1 < gbk.size() ? static_cast<unsigned char>(gbk[i + 1]) : 0;
      if (c >= 0x81 && c <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F) {
        out += gbk.substr(i, 2);
        ++i;
      } else {
        out += '?';
      }
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Lines of a field-lines request: the text must end in a lone CR; the lines before it are
// separated by CR LF. CR and LF are below 0x40, so they never sit inside a double-byte
// character and a byte search finds them.
std::vector<std::string_view> FieldLines(std::string_view arrival) {
  std::vector<std::string_view> lines;
  if (arrival.empty() || arrival.back() != '\r') return lines;
  const std::string_view body = arrival.substr(0, arrival.size() - 1);
  for (size_t start = 0;;) {
    const size_t end = body.find("\r\n", start);
    lines.push_back(body.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  return lines;
}

// True when `bytes` ends on a character boundary (no lead byte left without its second byte).
bool EndsOnCharacterBoundary(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) i += static_cast<unsigned char>(bytes[i]) >= 0x80 ? 2 : 1;
  return i == bytes.size();
}

}  // namespace

CommandRequest RecognizeCommand(std::string_view a) {
  CommandRequest r;
  if (const auto lines = FieldLines(a); lines.size() == 3 || lines.size() == 4) {
    const bool login = lines.size() == 3 && lines[2] == "login: login-";
    const bool reg = lines.size() == 4 && lines[2] == "login: ret" && StartsWith(lines[3], "qq: ");
    if ((login || reg) && StartsWith(lines[0], "user: ") && StartsWith(lines[1], "pwd: ")) {
      r.kind = login ? Kind::Login : Kind::Register;
      r.user = lines[0].substr(6);
      r.digest = lines[1].substr(5);
      if (reg) r.qq = lines[3].substr(4);
      return r;
    }
  }
  if (StartsWith(a, "user=")) {
    // The digest holds no "&": the last "&pwd=" whose value runs up to a "&tel=" splits the
    // text, so an account holding "&", "=" or even "&pwd=" still comes out whole. "&" is below
    // 0x40, so it never sits inside a double-byte character.
    for (size_t from = std::string_view::npos;;) {
      const size_t p = a.rfind("&pwd=", from);
      if (p == std::string_view::npos || p < 5) break;
      from = p - 1;
      const size_t amp = a.find('&', p + 5);
      if (amp == std::string_view::npos || a.substr(amp, 5) != "&tel=") continue;
      r.kind = Kind::Query;
      r.user = a.substr(5, p - 5);
      r.digest = a.substr(p + 5, amp - p - 5);
      r.tel = a.substr(amp + 5);
      return r;
    }
  }
  if (a.size() >= kLeave.size() && a.substr(a.size() - kLeave.size()) == kLeave &&
      EndsOnCharacterBoundary(a.substr(0, a.size() - kLeave.size()))) {
    r.kind = Kind::Leave;
    r.user = a.substr(0, a.size() - kLeave.size());
  }
  return r;
}

NoticeRequestKind RecognizeNotice(std::string_view arrival) {
  if (arrival == kNotice) return NoticeRequestKind::Announcement;
  if (arrival == kQuery) return NoticeRequestKind::Points;
  return NoticeRequestKind::Unknown;
}

std::string DigestOf(std::string_view password) {
  const QByteArray d = QCryptographicHash::hash(
      QByteArrayView(password.data(), static_cast<qsizetype>(password.size())), QCryptographicHash::Md5);
  return d.toHex().toStdString();
}

int StatusOf(std::string_view tel) {
  int sum = 0, last = 0;
  for (char c : tel)
    if (c >= '0' && c <= '9') {
      sum += c - '0';
      last = c - '0';
    }
  return (sum + last) % 6;
}

std::vector<std::string> AllStatusFileNames() {
  return {"空号.txt", "实号.txt", "停机.txt", "库无.txt", "沉默号.txt", "风险号.txt"};
}

std::string StatusFileName(std::string_view tel) { return AllStatusFileNames()[StatusOf(tel)]; }

void SplitPlace(const std::string& utf8, std::string& province, std::string& city) {
  auto withoutCitySuffix = [](std::string s) {
    const std::string shi = "市";
    if (s.size() > shi.size() && s.compare(s.size() - shi.size(), shi.size(), shi) == 0) s.erase(s.size() - shi.size());
    return s;
  };
  province.clear();
  city.clear();
  if (utf8.empty() || utf8 == "中国") return;
  const std::string sheng = "省";
  if (const size_t p = utf8.find(sheng); p != std::string::npos) {
    province = utf8.substr(0, p);
    city = withoutCitySuffix(utf8.substr(p + sheng.size()));
    return;
  }
  // Municipalities and autonomous regions carry no 省.
  static const char* const regions[] = {"北京", "上海", "天津", "重庆", "内蒙古", "广西",
                                        "西藏", "宁夏", "新疆", "香港", "澳门"};
  for (const std::string region : regions) {
    if (utf8.compare(0, region.size(), region) != 0) continue;
    province = region;
    const std::string rest = utf8.substr(region.size());
    city = rest.empty() || rest == "市" ? region : withoutCitySuffix(rest);
    return;
  }
  province = withoutCitySuffix(utf8);  // a place of unknown shape: all of it as the province
}

NumberFacts FactsOf(std::string_view tel) {
  NumberFacts facts;
  facts.status = StatusOf(tel);
  facts.carrier = CarrierOf(tel);
  if (tel.size() != 11 || !std::all_of(tel.begin(), tel.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return facts;
  using i18n::phonenumbers::PhoneNumber;
  using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
  using i18n::phonenumbers::PhoneNumberUtil;
  static PhoneNumberOfflineGeocoder geocoder;
  PhoneNumber number;
  if (PhoneNumberUtil::GetInstance()->Parse("+86" + std::string(tel), "CN", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
    return facts;
  std::string province, city;
  SplitPlace(geocoder.GetDescriptionForNumber(number, icu::Locale("zh")), province, city);
  facts.province = platform::Utf8ToGbkBytes(province);
  facts.city = platform::Utf8ToGbkBytes(city);
  return facts;
}

std::string StandIn::QueryAnswer(std::string_view tel) {
  const NumberFacts f = FactsOf(tel);
  const bool asString = tel.empty() || !(tel.back() >= '0' && tel.back() <= '9') || ((tel.back() - '0') & 1);
  const std::string status = asString ? "\"" + std::to_string(f.status) + "\"" : std::to_string(f.status);
  return "{\"code\":0,\"msg\":" + JsonString(kRequestSucceeded) + ",\"phoneList\":[{\"mobile\":" + JsonString(tel) +
         ",\"province\":" + JsonString(f.province) + ",\"city\":" + JsonString(f.city) +
         ",\"operatorType\":" + JsonString(f.carrier) + ",\"phoneStatus\":" + status + "}]}";
}

StandIn::StandIn() { accounts_["demo"] = Account{DigestOf("123456"), "", kStartPoints}; }

int StandIn::PointsOf(const std::string& user) const {
  const auto it = accounts_.find(user);
  return it == accounts_.end() ? 0 : it->second.points;
}

StandIn::Answer StandIn::OnCommand(std::string_view arrival) {
  const CommandRequest r = RecognizeCommand(arrival);
  Answer answer{r.kind, {}};
  auto it = accounts_.find(r.user);
  const bool known = it != accounts_.end() && it->second.digest == r.digest;
  switch (r.kind) {
    case Kind::Login:
      answer.bytes = known ? kLoginAccepted : kLoginRefused;
      break;
    case Kind::Register:
      if (it != accounts_.end()) {
        answer.bytes = kNameTaken;
      } else {
        accounts_[r.user] = Account{r.digest, r.qq, kStartPoints};
        answer.bytes = kRegisterAccepted;
      }
      break;
    case Kind::Query:
      if (!known) {
        answer.bytes = "{\"code\":1,\"msg\":" + JsonString(kWrongAccount) + "}";
      } else if (it->second.points <= 0) {
        answer.bytes = "{\"code\":2,\"msg\":" + JsonString(kNoPoints) + "}";
      } else {
        --it->second.points;
        lastQueryUser_ = r.user;
        answer.bytes = QueryAnswer(r.tel);
      }
      break;
    case Kind::Leave:
    case Kind::Unknown:
      break;  // no answer
  }
  return answer;
}

std::string StandIn::OnNotice(std::string_view arrival) const {
  switch (RecognizeNotice(arrival)) {
    case NoticeRequestKind::Announcement:
      return std::string(kAnnouncement);
    case NoticeRequestKind::Points:
      return std::string(kPointsLeft) + std::to_string(PointsOf(lastQueryUser_));
    case NoticeRequestKind::Unknown:
      break;
  }
  return {};
}

}  // namespace pelmora::sim
