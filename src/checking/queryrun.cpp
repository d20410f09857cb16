#include "checking/queryrun.h"

#include <limits>

#include "checking/numberlist.h"
#include "checking/statuscode.h"
#include "service/messages.h"
#include "text/jsondocument.h"

namespace pelmora::checking {

std::int32_t ReplyRowIndex = 0;

void ApplyQueryReply(NumberList& list, const std::string& answer) {
  std::string reply = answer;
  const std::string province = text::ReadJsonField(reply, "phoneList[0].province");
  const std::string city = text::ReadJsonField(reply, "phoneList[0].city");
  const std::string carrier = text::ReadJsonField(reply, "phoneList[0].operatorType");
  const std::string status = StatusWord(text::ReadJsonField(reply, "phoneList[0].phoneStatus"));
  list.SetCell(ReplyRowIndex, 2, province + city + carrier);
  list.SetCell(ReplyRowIndex, 3, status);
  if (ReplyRowIndex < std::numeric_limits<std::int32_t>::max()) ++ReplyRowIndex;
}

void SendNumberQuery(const QuerySession& session, const std::string& number) {
  const std::string request = service::QueryRequest(session.account(), session.password(), number);
  if (session.command) session.command->Send(request);
  if (session.notice) session.notice->Send(service::QueryNotice());
}

}  // namespace pelmora::checking
