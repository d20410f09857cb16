#pragma once
// Every message of the service protocol, byte for byte, and the recognition of replies.
// All texts are GBK bytes; messages carry no framing and no terminator of their own.

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::service {

// Fixed words of the protocol (GBK).
namespace words {
inline constexpr std::string_view kNotice = "\xB9\xAB\xB8\xE6";           // 公告
inline constexpr std::string_view kQuery = "\xB2\xE9\xD1\xAF";            // 查询
inline constexpr std::string_view kLeave = "\xC0\xEB\xBF\xAA";            // 离开
inline constexpr std::string_view kLoginAccepted = "\xB5\xC7\xC2\xBD\xB3\xC9\xB9\xA6";  // 登陆成功
inline constexpr std::string_view kLoginRefused = "\xB5\xC7\xC2\xBD\xCA\xA7\xB0\xDC";   // 登陆失败
inline constexpr std::string_view kRegisterAccepted = "\xD7\xA2\xB2\xE1\xB3\xC9\xB9\xA6";  // 注册成功
inline constexpr std::string_view kNameTaken =
    "\xD3\xC3\xBB\xA7\xC3\xFB\xD2\xD1\xB4\xE6\xD4\xDA";                    // 用户名已存在
inline constexpr std::string_view kRequestSucceeded = "\xC7\xEB\xC7\xF3\xB3\xC9\xB9\xA6";  // 请求成功
inline constexpr std::string_view kRemaining = "\xCA\xA3\xD3\xE0";        // 剩余
}  // namespace words

// Messages from the client.
std::string NoticeRequest();
std::string LoginRequest(std::string_view user, std::string_view password);
// `passwordDigest` is sent as given (the registration decides when a digest is taken).
std::string RegisterRequest(std::string_view user, std::string_view passwordDigest,
                            std::string_view qq);
std::string QueryRequest(std::string_view user, std::string_view password, std::string_view tel);
std::string QueryNotice();
std::string LeaveNotice(std::string_view account);

// Replies from the service, in the order their tests run.
enum class CommandReply { LoginAccepted, LoginRefused, RegisterAccepted, NameTaken, QueryReply };
enum class NoticeReply { Announcement, PointsNotice };

// The reply text of one data arrival: its bytes up to the first NUL.
std::string ReplyText(std::string_view arrival);
// Every test of the channel's table that holds for the reply text, in table order.
std::vector<CommandReply> MatchCommandReply(std::string_view reply);
std::vector<NoticeReply> MatchNoticeReply(std::string_view reply);

}  // namespace pelmora::service
