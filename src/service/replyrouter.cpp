#include "service/replyrouter.h"

#include <algorithm>

namespace pelmora::service {

void ReplyRouter::On(CommandReply kind, QObject* owner, Handler handler) {
  slots_.push_back({static_cast<int>(kind), true, owner, std::move(handler)});
}

void ReplyRouter::On(NoticeReply kind, QObject* owner, Handler handler) {
  slots_.push_back({static_cast<int>(kind), false, owner, std::move(handler)});
}

void ReplyRouter::Run(bool command, int kind, const std::string& reply) {
  // Handlers may spin nested event loops, in which owners come and go and further replies
  // are routed: work on a snapshot and skip owners that have gone meanwhile.
  slots_.erase(std::remove_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.owner; }),
               slots_.end());
  const std::vector<Slot> snapshot = slots_;
  for (const Slot& s : snapshot) {
    if (s.command != command || s.kind != kind || !s.owner) continue;
    s.handler(reply);
  }
}

void ReplyRouter::DispatchCommand(std::string_view arrival) {
  const std::string reply = ReplyText(arrival);
  for (CommandReply kind : MatchCommandReply(reply)) Run(true, static_cast<int>(kind), reply);
}

void ReplyRouter::DispatchNotice(std::string_view arrival) {
  const std::string reply = ReplyText(arrival);
  for (NoticeReply kind : MatchNoticeReply(reply)) Run(false, static_cast<int>(kind), reply);
}

}  // namespace pelmora::service
