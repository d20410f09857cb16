#include "standin.h"

#include <QCryptographicHash>
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>

#include "platform/codepage.h"
#include "text/paramlist.h"

namespace pelmora::sim {
namespace {

using platform::Utf8ToGbkBytes;

const std::string kRequestSucceeded = "\xC7\xEB\xC7\xF3\xB3\xC9\xB9\xA6";  // 请求成功

// Mobile blocks by their first three digits.
std::string CarrierOf(std::string_view tel) {
  if (tel.size() < 3) return {};
  const int block = std::atoi(std::string(tel.substr(0, 3)).c_str());
  static const int mobile[] = {134, 135, 136, 137, 138, 139, 147, 148, 150, 151, 152, 157,
                               158, 159, 165, 172, 178, 182, 183, 184, 187, 188, 195, 197, 198};
  static const int unicom[] = {130, 131, 132, 145, 146, 155, 156, 166, 167, 171, 175, 176, 185, 186, 196};
  static const int telecom[] = {133, 149, 153, 162, 173, 174, 177, 180, 181, 189, 190, 191, 193, 199};
  for (int b : mobile)
    if (b == block) return Utf8ToGbkBytes("移动");
  for (int b : unicom)
    if (b == block) return Utf8ToGbkBytes("联通");
  for (int b : telecom)
    if (b == block) return Utf8ToGbkBytes("电信");
  if (block == 192) return Utf8ToGbkBytes("广电");
  return {};
}

// "广东省深圳市" -> 广东, 深圳; "北京市" -> 北京, 北京; "内蒙古呼和浩特市" -> 内蒙古, 呼和浩特.
void SplitPlace(const std::string& utf8, std::string& province, std::string& city) {
  auto dropSuffix = [](std::string s, const std::string& suffix) {
    if (s.size() > suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0)
      s.erase(s.size() - suffix.size());
    return s;
  };
  const std::string sheng = "省";
  if (size_t p = utf8.find(sheng); p != std::string::npos) {
    province = utf8.substr(0, p);
    city = dropSuffix(utf8.substr(p + sheng.size()), "市");
    return;
  }
  static const char* regions[] = {"北京", "上海", "天津", "重庆", "内蒙古", "广西", "西藏", "宁夏", "新疆", "香港", "澳门"};
  for (const char* r : regions) {
    const std::string region = r;
    if (utf8.rfind(region, 0) == 0) {
      province = region;
      city = dropSuffix(utf8.substr(region.size()), "市");
      if (city.empty() || city == "市") city = region;
      return;
    }
  }
  province = utf8 == "中国" ? std::string() : utf8;  // no region known
  city.clear();
}

std::string JsonString(std::string_view gbk) {
  std::string out = "\"";
  for (size_t i = 0; i < gbk.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c >= 0x80 && i + 1 < gbk.size()) {
      out += gbk[i];
      out += gbk[++i];
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x80) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Field lines "name: value" separated by CR LF, the last ending in a lone CR.
bool ParseFieldLines(std::string_view request, text::ParamList& out) {
  if (request.empty() || request.back() != '\r') return false;
  std::string_view body = request.substr(0, request.size() - 1);
  size_t start = 0;
  while (true) {
    const size_t end = body.find("\r\n", start);
    const std::string_view line = body.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    const size_t colon = line.find(": ");
    if (colon == std::string_view::npos) return false;
    out.Add(line.substr(0, colon), line.substr(colon + 2));
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  return true;
}

}  // namespace

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

NumberFacts FactsOf(std::string_view tel) {
  NumberFacts facts;
  facts.status = StatusOf(tel);
  facts.carrier = CarrierOf(tel);
  using i18n::phonenumbers::PhoneNumber;
  using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
  using i18n::phonenumbers::PhoneNumberUtil;
  static PhoneNumberOfflineGeocoder geocoder;
  PhoneNumber number;
  const std::string digits(tel);
  if (digits.size() == 11 &&
      PhoneNumberUtil::GetInstance()->Parse("+86" + digits, "CN", &number) == PhoneNumberUtil::NO_PARSING_ERROR) {
    const std::string place = geocoder.GetDescriptionForNumber(number, icu::Locale("zh"));
    std::string province, city;
    SplitPlace(place, province, city);
    facts.province = Utf8ToGbkBytes(province);
    facts.city = Utf8ToGbkBytes(city);
  }
  return facts;
}

std::string StandIn::QueryAnswer(std::string_view tel) {
  const NumberFacts f = FactsOf(tel);
  // The status comes as a number for even last digits and as a string for odd ones.
  const bool asString = !tel.empty() && ((tel.back() - '0') & 1);
  const std::string status = asString ? "\"" + std::to_string(f.status) + "\"" : std::to_string(f.status);
  return "{\"code\":0,\"msg\":" + JsonString(kRequestSucceeded) + ",\"phoneList\":[{\"mobile\":" +
         JsonString(tel) + ",\"province\":" + JsonString(f.province) + ",\"city\":" +
         JsonString(f.city) + ",\"operatorType\":" + JsonString(f.carrier) +
         ",\"phoneStatus\":" + status + "}]}";
}

StandIn::StandIn() { accounts_["demo"] = Account{DigestOf("123456"), "", kStartPoints}; }

int StandIn::PointsOf(const std::string& user) const {
  auto it = accounts_.find(user);
  return it == accounts_.end() ? 0 : it->second.points;
}

std::string StandIn::OnCommand(std::string_view request) {
  text::ParamList fields;
  if (ParseFieldLines(request, fields)) {
    const std::string user = fields.Get("user"), digest = fields.Get("pwd"), kind = fields.Get("login");
    if (kind == "login-") {
      auto it = accounts_.find(user);
      return Utf8ToGbkBytes(it != accounts_.end() && it->second.digest == digest ? "登陆成功" : "登陆失败");
    }
    if (kind == "ret") {
      if (accounts_.count(user)) return Utf8ToGbkBytes("用户名已存在");
      accounts_[user] = Account{digest, fields.Get("qq"), kStartPoints};
      return Utf8ToGbkBytes("注册成功");
    }
    return {};
  }
  if (request.rfind("user=", 0) == 0 && request.find("&tel=") != std::string_view::npos) {
    // user=A&pwd=D&tel=T, taken apart from both ends so that "&" inside the account survives.
    const size_t telAt = request.rfind("&tel=");
    const size_t pwdAt = request.rfind("&pwd=", telAt);
    if (pwdAt == std::string_view::npos) return {};
    const std::string user(request.substr(5, pwdAt - 5));
    const std::string digest(request.substr(pwdAt + 5, telAt - pwdAt - 5));
    const std::string tel(request.substr(telAt + 5));
    auto it = accounts_.find(user);
    if (it == accounts_.end() || it->second.digest != digest)
      return "{\"code\":1,\"msg\":" + JsonString(Utf8ToGbkBytes("账号或密码错误")) + "}";
    if (it->second.points <= 0)
      return "{\"code\":2,\"msg\":" + JsonString(Utf8ToGbkBytes("点数不足")) + "}";
    --it->second.points;
    lastQueryUser_ = user;
    return QueryAnswer(tel);
  }
  return {};  // the leave message and anything else get no answer
}

std::string StandIn::OnNotice(std::string_view request) {
  if (request == Utf8ToGbkBytes("公告"))
    return Utf8ToGbkBytes("公告：欢迎使用号码状态查询。演示账号 demo，密码 123456。");
  if (request == Utf8ToGbkBytes("查询"))
    return Utf8ToGbkBytes("剩余点数：") + std::to_string(PointsOf(lastQueryUser_));
  return {};
}

}  // namespace pelmora::sim
