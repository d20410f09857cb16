#pragma once
// The query run's answer side: each successful answer fills the row `ReplyRowIndex` and moves
// it on. Answers are paired with rows by order of arrival only.

#include <cstdint>
#include <functional>
#include <string>

#include <QPointer>

#include "service/channels.h"
#include "service/replyrouter.h"

namespace pelmora::checking {

class NumberList;

// Index of the row the next successful query answer fills (the client's only program-wide
// variable). Set to 0 by each run, advanced by each applied answer.
extern std::int32_t ReplyRowIndex;

// Reads place, carrier and status from the answer and writes them into row ReplyRowIndex,
// then advances it (also past the last row).
void ApplyQueryReply(NumberList& list, const std::string& answer);

// What the work window needs of the logged-in session: the reply routing, both channels,
// and the account and password boxes as they read at the moment of asking.
struct QuerySession {
  service::ReplyRouter* router = nullptr;
  QPointer<service::CommandChannel> command;
  QPointer<service::NoticeChannel> notice;
  std::function<std::string()> account;
  std::function<std::string()> password;
};

// Sends the query request for one number on the command channel and the query notice on
// the notice channel. Results of the sends are not looked at.
void SendNumberQuery(const QuerySession& session, const std::string& number);

}  // namespace pelmora::checking
