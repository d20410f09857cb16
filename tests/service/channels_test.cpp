#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTimer>

#include "platform/wait.h"
#include "service/channels.h"
#include "support/loopback_server.h"

using namespace pelmora::service;
using pelmora::testing::LoopbackEndpoint;
using pelmora::testing::Spin;
using pelmora::testing::SpinUntil;

namespace {
const std::string kOk(words::kLoginAccepted);
const std::string kRefused(words::kLoginRefused);
}  // namespace

TEST(Channels, ConnectSendAndRouteOneReplyPerArrival) {
  LoopbackEndpoint server;
  ReplyRouter router;
  QObject owner;
  std::vector<std::string> accepted, queries;
  router.On(CommandReply::LoginAccepted, &owner, [&](const std::string& r) { accepted.push_back(r); });
  router.On(CommandReply::QueryReply, &owner, [&](const std::string& r) { queries.push_back(r); });

  CommandChannel channel(router, nullptr);
  ASSERT_TRUE(channel.Connect("127.0.0.1", server.port()));
  EXPECT_TRUE(channel.Send("abc"));
  ASSERT_TRUE(server.WaitForBytes(3));
  EXPECT_EQ(server.received(), "abc");

  server.Send(kOk);
  ASSERT_TRUE(SpinUntil([&] { return accepted.size() == 1; }));
  EXPECT_EQ(accepted[0], kOk);

  // A query answer split over two arrivals: only the piece holding the word is routed.
  const std::string answer = "{\"msg\":\"" + std::string(words::kRequestSucceeded) + "\",\"x\":1}";
  const size_t cut = answer.find("\",\"x\"");  // just after the word
  server.Send(answer.substr(0, cut));
  Spin(100);
  server.Send(answer.substr(cut));
  ASSERT_TRUE(SpinUntil([&] { return queries.size() == 1; }));
  Spin(100);
  EXPECT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0], answer.substr(0, cut));
}

TEST(Channels, HandlersOfDestroyedOwnersAreSkipped) {
  LoopbackEndpoint server;
  ReplyRouter router;
  int calls = 0;
  {
    QObject owner;
    router.On(CommandReply::LoginRefused, &owner, [&](const std::string&) { ++calls; });
  }
  CommandChannel channel(router, nullptr);
  ASSERT_TRUE(channel.Connect("127.0.0.1", server.port()));
  ASSERT_TRUE(SpinUntil([&] { return server.clientConnected(); }));
  server.Send(kRefused);
  Spin(200);
  EXPECT_EQ(calls, 0);
}

TEST(Channels, NestedWaitInsideHandlerStillSeesLaterArrivals) {
  // A handler that waits handling events (as the login hand-over does) must still receive
  // the next reply on the same connection while it waits.
  LoopbackEndpoint server;
  ReplyRouter router;
  QObject owner;
  std::vector<std::string> seen;
  router.On(CommandReply::LoginAccepted, &owner, [&](const std::string& r) {
    seen.push_back(r);
    pelmora::platform::WaitHandlingEvents(400);
    seen.push_back("wait over");
  });
  router.On(CommandReply::LoginRefused, &owner, [&](const std::string& r) { seen.push_back(r); });
  CommandChannel channel(router, nullptr);
  ASSERT_TRUE(channel.Connect("127.0.0.1", server.port()));
  ASSERT_TRUE(SpinUntil([&] { return server.clientConnected(); }));
  server.Send(kOk);
  // The second reply goes out while the first handler is still waiting.
  QTimer::singleShot(150, [&] { server.Send(kRefused); });
  ASSERT_TRUE(SpinUntil([&] { return seen.size() == 3; }));
  EXPECT_EQ(seen, (std::vector<std::string>{kOk, kRefused, "wait over"}));
}

TEST(Channels, RefusedConnectionFailsSilently) {
  quint16 port;
  {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    port = probe.serverPort();
  }
  ReplyRouter router;
  NoticeChannel channel(router, nullptr);
  EXPECT_FALSE(channel.Connect("127.0.0.1", port));
  EXPECT_FALSE(channel.IsConnected());
  EXPECT_FALSE(channel.Send("\xB9\xAB\xB8\xE6"));
}

TEST(Channels, ServiceClosingTheConnectionMakesLaterSendsFail) {
  LoopbackEndpoint server;
  ReplyRouter router;
  CommandChannel channel(router, nullptr);
  ASSERT_TRUE(channel.Connect("127.0.0.1", server.port()));
  ASSERT_TRUE(SpinUntil([&] { return server.clientConnected(); }));
  server.CloseClient();
  ASSERT_TRUE(SpinUntil([&] { return !channel.IsConnected(); }));
  EXPECT_FALSE(channel.Send("x"));
}
