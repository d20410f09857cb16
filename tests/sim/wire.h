#pragma once
// The client's messages written out by hand, byte for byte, for talking to the stand-in
// without the client's own message code. GBK words as escaped bytes.

#include <string>
#include <string_view>

#include "platform/md5.h"

namespace pelmora::simtest {

inline constexpr std::string_view kNotice = "\xB9\xAB\xB8\xE6";                        // 公告
inline constexpr std::string_view kQuery = "\xB2\xE9\xD1\xAF";                         // 查询
inline constexpr std::string_view kLeave = "\xC0\xEB\xBF\xAA";                         // 离开
inline constexpr std::string_view kRemaining = "\xCA\xA3\xD3\xE0";                     // 剩余
inline constexpr std::string_view kPointsLeft = "\xCA\xA3\xD3\xE0\xB5\xE3\xCA\xFD\xA3\xBA";  // 剩余点数：
inline constexpr std::string_view kLoginAccepted = "\xB5\xC7\xC2\xBD\xB3\xC9\xB9\xA6";  // 登陆成功
inline constexpr std::string_view kLoginRefused = "\xB5\xC7\xC2\xBD\xCA\xA7\xB0\xDC";   // 登陆失败
inline constexpr std::string_view kRegisterAccepted = "\xD7\xA2\xB2\xE1\xB3\xC9\xB9\xA6";  // 注册成功
inline constexpr std::string_view kNameTaken = "\xD3\xC3\xBB\xA7\xC3\xFB\xD2\xD1\xB4\xE6\xD4\xDA";  // 用户名已存在
inline constexpr std::string_view kRequestSucceeded = "\xC7\xEB\xC7\xF3\xB3\xC9\xB9\xA6";  // 请求成功
inline constexpr std::string_view kBeijing = "\xB1\xB1\xBE\xA9";    // 北京
inline constexpr std::string_view kGuangdong = "\xB9\xE3\xB6\xAB";  // 广东
inline constexpr std::string_view kShenzhen = "\xC9\xEE\xDB\xDA";   // 深圳
inline constexpr std::string_view kMobile = "\xD2\xC6\xB6\xAF";     // 移动
inline constexpr std::string_view kUnicom = "\xC1\xAA\xCD\xA8";     // 联通
inline constexpr std::string_view kBroadcast = "\xB9\xE3\xB5\xE7";  // 广电

// MD5 of the password's bytes as 32 lower-case hexadecimal digits.
inline std::string Digest(std::string_view password) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : platform::Md5(password)) {
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

inline std::string S(std::string_view v) { return std::string(v); }

inline std::string LoginBytes(std::string_view user, std::string_view digest) {
  return "user: " + S(user) + "\r\npwd: " + S(digest) + "\r\nlogin: login-\r";
}
inline std::string RegisterBytes(std::string_view user, std::string_view digest, std::string_view qq) {
  return "user: " + S(user) + "\r\npwd: " + S(digest) + "\r\nlogin: ret\r\nqq: " + S(qq) + "\r";
}
inline std::string QueryBytes(std::string_view user, std::string_view digest, std::string_view tel) {
  return "user=" + S(user) + "&pwd=" + S(digest) + "&tel=" + S(tel);
}
inline std::string LeaveBytes(std::string_view user) { return S(user) + S(kLeave); }

}  // namespace pelmora::simtest
