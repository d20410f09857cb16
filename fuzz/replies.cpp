// Reply recognition and routing on both channels. The input is one data arrival; it is tested
// directly (ReplyText, MatchCommandReply, MatchNoticeReply) and dispatched on both channels
// through a ReplyRouter whose handlers belong to two QObject owners. Handlers of the first
// owner delete the second one, and re-enter the router with the same arrival, as a nested
// event loop would; the last byte of the input chooses which of these happen.
//
// Invariants:
// - the reply text is the arrival up to its first NUL, and an arrival is matched as that text;
// - on the command channel at most one equality test holds, and only for the exact word;
//   the containment tests hold exactly when the word occurs at a character start;
// - every handler runs once per test that holds, in table order, with the reply text (no NUL);
// - no handler of a deleted owner ever runs.

#include <QObject>
#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "service/messages.h"
#include "service/replyrouter.h"

using pelmora::fuzz::AsView;
using pelmora::fuzz::BeforeNul;
using pelmora::fuzz::ContainsAtCharacter;
using pelmora::fuzz::HasNul;
namespace service = pelmora::service;
namespace words = pelmora::service::words;

namespace {

std::vector<service::CommandReply> ExpectedCommand(std::string_view reply) {
  std::vector<service::CommandReply> hits;
  if (reply == words::kLoginAccepted) hits.push_back(service::CommandReply::LoginAccepted);
  if (reply == words::kLoginRefused) hits.push_back(service::CommandReply::LoginRefused);
  if (reply == words::kRegisterAccepted) hits.push_back(service::CommandReply::RegisterAccepted);
  if (reply == words::kNameTaken) hits.push_back(service::CommandReply::NameTaken);
  if (ContainsAtCharacter(reply, words::kRequestSucceeded))
    hits.push_back(service::CommandReply::QueryReply);
  return hits;
}

std::vector<service::NoticeReply> ExpectedNotice(std::string_view reply) {
  std::vector<service::NoticeReply> hits;
  if (ContainsAtCharacter(reply, words::kNotice)) hits.push_back(service::NoticeReply::Announcement);
  if (ContainsAtCharacter(reply, words::kRemaining))
    hits.push_back(service::NoticeReply::PointsNotice);
  return hits;
}

struct Call {
  bool command;
  int kind;
  int owner;  // 0 or 1
  std::string text;
  bool operator==(const Call&) const = default;
};

constexpr service::CommandReply kCommandKinds[] = {
    service::CommandReply::LoginAccepted, service::CommandReply::LoginRefused,
    service::CommandReply::RegisterAccepted, service::CommandReply::NameTaken,
    service::CommandReply::QueryReply};
constexpr service::NoticeReply kNoticeKinds[] = {service::NoticeReply::Announcement,
                                                 service::NoticeReply::PointsNotice};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pelmora::fuzz::EnsureQtApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view arrival = AsView(data, size);
  const std::string_view expectedText = BeforeNul(arrival);

  // Direct tests.
  const std::string reply = service::ReplyText(arrival);
  FUZZ_CHECK(reply == expectedText);
  FUZZ_CHECK(!HasNul(reply));

  const std::vector<service::CommandReply> command = service::MatchCommandReply(reply);
  const std::vector<service::NoticeReply> notice = service::MatchNoticeReply(reply);
  FUZZ_CHECK(command == ExpectedCommand(reply));
  FUZZ_CHECK(notice == ExpectedNotice(reply));
  int equalityHits = 0;
  for (service::CommandReply kind : command)
    equalityHits += kind != service::CommandReply::QueryReply;
  FUZZ_CHECK(equalityHits <= 1);
  // The arrival itself, NUL and all, is recognised as the text before the NUL.
  FUZZ_CHECK(service::MatchCommandReply(service::ReplyText(arrival)) == command);

  // Routing.
  const unsigned char control = size ? data[size - 1] : 0;
  const bool deleteSecond = control & 1;
  const bool reenter = control & 2;

  service::ReplyRouter router;
  auto* first = new QObject;
  auto* second = new QObject;
  QPointer<QObject> secondAlive(second);
  std::vector<Call> calls;
  int depth = 0;
  bool secondCalledAfterDeletion = false;

  const auto handler = [&](bool isCommand, int kind, int owner) {
    return [&, isCommand, kind, owner](const std::string& text) {
      if (owner == 1 && !secondAlive) secondCalledAfterDeletion = true;
      calls.push_back({isCommand, kind, owner, text});
      if (owner != 0) return;
      if (deleteSecond && secondAlive) delete secondAlive.data();
      if (reenter && depth == 0) {
        ++depth;
        router.DispatchCommand(arrival);
        router.DispatchNotice(arrival);
        --depth;
      }
    };
  };
  for (QObject* owner : {first, second}) {
    const int id = owner == first ? 0 : 1;
    for (service::CommandReply kind : kCommandKinds)
      router.On(kind, owner, handler(true, static_cast<int>(kind), id));
    for (service::NoticeReply kind : kNoticeKinds)
      router.On(kind, owner, handler(false, static_cast<int>(kind), id));
  }

  router.DispatchCommand(arrival);
  router.DispatchNotice(arrival);
  FUZZ_CHECK(!secondCalledAfterDeletion);
  for (const Call& call : calls) FUZZ_CHECK(call.text == expectedText);

  // Without deletion or re-entry the calls are exactly: per test that holds, in table order,
  // the first owner's handler, then the second's; command channel first.
  if (!deleteSecond && !reenter) {
    std::vector<Call> expected;
    for (service::CommandReply kind : command)
      for (int owner : {0, 1})
        expected.push_back({true, static_cast<int>(kind), owner, std::string(expectedText)});
    for (service::NoticeReply kind : notice)
      for (int owner : {0, 1})
        expected.push_back({false, static_cast<int>(kind), owner, std::string(expectedText)});
    FUZZ_CHECK(calls == expected);
  } else {
    // The first owner's handlers run at least once per test that holds.
    std::size_t firstCalls = 0;
    for (const Call& call : calls) firstCalls += call.owner == 0;
    FUZZ_CHECK(firstCalls >= command.size() + notice.size());
  }

  delete first;
  delete secondAlive.data();
  return 0;
}
