#pragma once
// Routes each recognised reply to the handlers its owners registered. The router knows the
// tests and the handler slots, not the windows: a window registers when it exists, and its
// handlers are dropped when it is destroyed.

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "service/messages.h"

namespace pelmora::service {

class ReplyRouter {
 public:
  // The handler receives its own copy of the reply text.
  using Handler = std::function<void(const std::string& reply)>;

  void On(CommandReply kind, QObject* owner, Handler handler);
  void On(NoticeReply kind, QObject* owner, Handler handler);

  // One data arrival each: cut at the first NUL, run the channel's tests, call the handlers
  // of every test that holds, in table order.
  void DispatchCommand(std::string_view arrival);
  void DispatchNotice(std::string_view arrival);

 private:
  struct Slot {
    int kind;
    bool command;
    QPointer<QObject> owner;
    Handler handler;
  };
  void Run(bool command, int kind, const std::string& reply);
  std::vector<Slot> slots_;
};

}  // namespace pelmora::service
