#include "service/messages.h"

#include "service/passworddigest.h"
#include "text/gbk.h"
#include "text/paramlist.h"

namespace pelmora::service {

std::string NoticeRequest() { return std::string(words::kNotice); }
std::string QueryNotice() { return std::string(words::kQuery); }

std::string LeaveNotice(std::string_view account) {
  std::string m(text::CutAtNul(account));
  m += words::kLeave;
  return m;
}

std::string LoginRequest(std::string_view user, std::string_view password) {
  text::ParamList list;
  list.Add("user", user);
  list.Add("pwd", PasswordDigest(password));
  list.Add("login", "login-");
  return list.ToFieldLines();
}

std::string RegisterRequest(std::string_view user, std::string_view passwordDigest,
                            std::string_view qq) {
  text::ParamList list;
  list.Add("user", user);
  list.Add("pwd", passwordDigest);
  list.Add("login", "ret");
  list.Add("qq", qq);
  return list.ToFieldLines();
}

std::string QueryRequest(std::string_view user, std::string_view password, std::string_view tel) {
  text::ParamList list;
  list.Add("user", user);
  list.Add("pwd", PasswordDigest(password));
  list.Add("tel", tel);
  return list.ToQueryString();
}

std::string ReplyText(std::string_view arrival) { return std::string(text::CutAtNul(arrival)); }

std::vector<CommandReply> MatchCommandReply(std::string_view reply) {
  std::vector<CommandReply> hits;
  if (reply == words::kLoginAccepted) hits.push_back(CommandReply::LoginAccepted);
  if (reply == words::kLoginRefused) hits.push_back(CommandReply::LoginRefused);
  if (reply == words::kRegisterAccepted) hits.push_back(CommandReply::RegisterAccepted);
  if (reply == words::kNameTaken) hits.push_back(CommandReply::NameTaken);
  if (text::GbkContains(reply, words::kRequestSucceeded)) hits.push_back(CommandReply::QueryReply);
  return hits;
}

std::vector<NoticeReply> MatchNoticeReply(std::string_view reply) {
  std::vector<NoticeReply> hits;
  if (text::GbkContains(reply, words::kNotice)) hits.push_back(NoticeReply::Announcement);
  if (text::GbkContains(reply, words::kRemaining)) hits.push_back(NoticeReply::PointsNotice);
  return hits;
}

}  // namespace pelmora::service
