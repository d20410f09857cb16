// pelmora-sim started as a separate process and spoken to over real loopback sockets, with the
// client's messages written out byte for byte.

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>

#include "standin.h"
#include "support/loopback_server.h"
#include "support/sim_process.h"
#include "text/gbk.h"
#include "text/jsondocument.h"
#include "wire.h"

using namespace pelmora;
using namespace pelmora::simtest;
using pelmora::testing::SimProcess;

namespace {

const std::string kDemo = Digest("123456");

// One request, then the bytes of one arrival (empty when nothing comes within the time).
std::string Ask(QTcpSocket& s, const std::string& request, int timeoutMs = 3000) {
  s.write(request.data(), qint64(request.size()));
  s.flush();
  if (!s.bytesAvailable() && !s.waitForReadyRead(timeoutMs)) return {};
  const QByteArray b = s.readAll();
  return std::string(b.constData(), size_t(b.size()));
}

std::string Field(std::string reply, const char* path) { return text::ReadJsonField(reply, path); }

struct Client {
  QTcpSocket command, notice;
  bool Connect(const SimProcess& sim) {
    command.connectToHost("127.0.0.1", sim.commandPort());
    notice.connectToHost("127.0.0.1", sim.noticePort());
    return command.waitForConnected(3000) && notice.waitForConnected(3000);
  }
};

class SimTest : public ::testing::Test {
 protected:
  void Start(const QStringList& args = {}) {
    ASSERT_TRUE(sim.Start(PELMORA_SIM_BINARY, args));
    ASSERT_TRUE(client.Connect(sim));
  }
  SimProcess sim;
  Client client;
};

}  // namespace

TEST(SimProgram, PrintsItsPortsAndEndsCleanlyOnTerminate) {
  QProcess p;
  p.start(PELMORA_SIM_BINARY, {"--command-port", "0", "--notice-port", "0"});
  ASSERT_TRUE(p.waitForReadyRead(5000));
  const QString line = QString::fromUtf8(p.readAllStandardOutput());
  const auto m = QRegularExpression("^pelmora-sim listening on 127\\.0\\.0\\.1 command (\\d+) notice (\\d+)\n$")
                     .match(line);
  ASSERT_TRUE(m.hasMatch()) << line.toStdString();
  EXPECT_NE(m.captured(1).toUInt(), 0u);
  EXPECT_NE(m.captured(1), m.captured(2));
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
}

TEST(SimProgram, RefusesBadOptions) {
  pelmora::testing::TempDir dir;
  struct Case {
    QStringList args;
    int exitCode;
  } cases[] = {
      {{"--delay", "soon"}, 2},
      {{"--refuse-every", "-1"}, 2},
      {{"--command-port", "70000"}, 2},
      {{"--host", "nowhere"}, 2},
      {{"--log", dir.file("missing/sim.log")}, 1},
  };
  for (const auto& c : cases) {
    QProcess p;
    p.start(PELMORA_SIM_BINARY, QStringList{"--command-port", "0", "--notice-port", "0"} + c.args);
    ASSERT_TRUE(p.waitForFinished(5000)) << c.args.join(' ').toStdString();
    EXPECT_EQ(p.exitCode(), c.exitCode) << c.args.join(' ').toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_FALSE(p.readAllStandardError().isEmpty());
  }
}

TEST_F(SimTest, AnnouncesLogsInTheDemoAccountAndAnswersQueries) {
  Start();
  const std::string announcement = Ask(client.notice, S(kNotice));
  EXPECT_TRUE(text::GbkContains(announcement, kNotice)) << announcement;

  EXPECT_EQ(Ask(client.command, LoginBytes("demo", kDemo)), kLoginAccepted);
  EXPECT_EQ(Ask(client.command, LoginBytes("demo", Digest("654321"))), kLoginRefused);
  EXPECT_EQ(Ask(client.command, LoginBytes("nobody", kDemo)), kLoginRefused);

  // A Beijing number of China Mobile (status as a JSON number), then a Shenzhen number of
  // China Unicom (status as a string); the points go down by one each.
  const std::string a = Ask(client.command, QueryBytes("demo", kDemo, "13800138000"));
  EXPECT_TRUE(text::GbkContains(a, kRequestSucceeded)) << a;
  EXPECT_EQ(Field(a, "phoneList[0].province"), kBeijing);
  EXPECT_EQ(Field(a, "phoneList[0].city"), kBeijing);
  EXPECT_EQ(Field(a, "phoneList[0].operatorType"), kMobile);
  EXPECT_EQ(Field(a, "phoneList[0].phoneStatus"), std::to_string(sim::StatusOf("13800138000")));
  EXPECT_EQ(Ask(client.notice, S(kQuery)), S(kPointsLeft) + "999");

  const std::string b = Ask(client.command, QueryBytes("demo", kDemo, "13005461237"));
  EXPECT_EQ(Field(b, "phoneList[0].province") + Field(b, "phoneList[0].city") + Field(b, "phoneList[0].operatorType"),
            S(kGuangdong) + S(kShenzhen) + S(kUnicom));
  EXPECT_NE(b.find("\"phoneStatus\":\"" + std::to_string(sim::StatusOf("13005461237")) + "\""), std::string::npos) << b;
  EXPECT_EQ(Ask(client.notice, S(kQuery)), S(kPointsLeft) + "998");

  // A wrong password gets an answer, not a successful one, and costs nothing.
  const std::string refused = Ask(client.command, QueryBytes("demo", Digest("x"), "13800138000"));
  ASSERT_FALSE(refused.empty());
  EXPECT_FALSE(text::GbkContains(refused, kRequestSucceeded)) << refused;
  EXPECT_EQ(Ask(client.notice, S(kQuery)), S(kPointsLeft) + "998");

  // A number that is not 11 digits still gets a successful answer, without a place.
  const std::string odd = Ask(client.command, QueryBytes("demo", kDemo, "12345"));
  EXPECT_TRUE(text::GbkContains(odd, kRequestSucceeded)) << odd;
  EXPECT_EQ(Field(odd, "phoneList[0].province"), "");

  // The leave message gets no answer.
  EXPECT_EQ(Ask(client.command, LeaveBytes("demo"), 300), "");
}

TEST_F(SimTest, RegisteredAccountsAreSharedByEveryConnection) {
  Start();
  const std::string digest = Digest("pw");
  EXPECT_EQ(Ask(client.command, RegisterBytes("neu", digest, "12345678")), kRegisterAccepted);
  EXPECT_EQ(Ask(client.command, RegisterBytes("neu", digest, "12345678")), kNameTaken);
  EXPECT_EQ(Ask(client.command, RegisterBytes("demo", digest, "1")), kNameTaken);
  EXPECT_EQ(Ask(client.command, LoginBytes("neu", digest)), kLoginAccepted);

  // A second client sees the new account and the points it spends.
  Client second;
  ASSERT_TRUE(second.Connect(sim));
  EXPECT_EQ(Ask(second.command, LoginBytes("neu", digest)), kLoginAccepted);
  EXPECT_TRUE(text::GbkContains(Ask(second.command, QueryBytes("neu", digest, "13800138000")), kRequestSucceeded));
  EXPECT_EQ(Ask(client.notice, S(kQuery)), S(kPointsLeft) + "999");
  EXPECT_EQ(Ask(second.command, RegisterBytes("neu", digest, "1")), kNameTaken);
}

TEST_F(SimTest, LogsEveryByteReceived) {
  pelmora::testing::TempDir dir;
  Start({"--log", dir.file("sim.log")});
  const std::string account = "\xD5\xC5\xC8\xFD";  // 张三
  Ask(client.notice, S(kNotice));
  Ask(client.command, LoginBytes("demo", kDemo));
  Ask(client.command, QueryBytes("demo", kDemo, "13800138000"));
  Ask(client.command, LeaveBytes(account), 300);
  Ask(client.command, std::string("\0\xFF\r\n", 4), 300);

  // One line per arrival: the channel, a blank, the bytes in hexadecimal.
  std::string command, notice;
  int lines = 0;
  const std::string log = pelmora::testing::FileBytes(dir.file("sim.log"));
  for (size_t start = 0; start < log.size();) {
    const size_t end = log.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = log.substr(start, end - start);
    const size_t blank = line.find(' ');
    ASSERT_NE(blank, std::string::npos) << line;
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(line.substr(blank + 1)));
    (line.substr(0, blank) == "command" ? command : notice) += bytes.toStdString();
    ++lines;
    start = end + 1;
  }
  EXPECT_EQ(lines, 5);
  EXPECT_EQ(notice, kNotice);
  EXPECT_EQ(command, LoginBytes("demo", kDemo) + QueryBytes("demo", kDemo, "13800138000") + LeaveBytes(account) +
                         std::string("\0\xFF\r\n", 4));
}

TEST_F(SimTest, RefusedAnswersAndAClosedConnection) {
  Start({"--refuse-every", "2", "--close-after", "3"});
  const auto ok = [](const std::string& a) { return text::GbkContains(a, kRequestSucceeded); };
  EXPECT_TRUE(ok(Ask(client.command, QueryBytes("demo", kDemo, "1"))));
  const std::string second = Ask(client.command, QueryBytes("demo", kDemo, "2"));
  EXPECT_FALSE(second.empty());
  EXPECT_FALSE(ok(second)) << second;
  EXPECT_TRUE(ok(Ask(client.command, QueryBytes("demo", kDemo, "3"))));
  // The third reply closed the connection.
  EXPECT_TRUE(client.command.state() == QAbstractSocket::UnconnectedState || client.command.waitForDisconnected(3000));
  // The notice channel stays open.
  EXPECT_EQ(Ask(client.notice, S(kQuery)), S(kPointsLeft) + "997");
}

TEST_F(SimTest, SilentAndMergedAnswers) {
  Start({"--silent-every", "3", "--merge"});
  const std::string a1 = sim::StandIn::QueryAnswer("13800138000");
  const std::string a2 = sim::StandIn::QueryAnswer("13910001234");
  // The first answer is held, the second comes with it in one arrival, the third never comes,
  // the fourth is held again.
  EXPECT_EQ(Ask(client.command, QueryBytes("demo", kDemo, "13800138000"), 300), "");
  EXPECT_EQ(Ask(client.command, QueryBytes("demo", kDemo, "13910001234")), a1 + a2);
  EXPECT_EQ(Ask(client.command, QueryBytes("demo", kDemo, "1"), 300), "");
  EXPECT_EQ(Ask(client.command, QueryBytes("demo", kDemo, "2"), 300), "");
  // Replies other than query answers are not held.
  EXPECT_EQ(Ask(client.command, LoginBytes("demo", kDemo)), kLoginAccepted);
}

TEST_F(SimTest, GarbageIsTheSameForEveryConnection) {
  Start({"--garbage"});
  Client second;
  ASSERT_TRUE(second.Connect(sim));
  for (int n = 1; n <= 3; ++n) {
    const std::string g = Ask(client.command, QueryBytes("demo", kDemo, "13800138000"));
    EXPECT_EQ(g, Ask(second.command, QueryBytes("demo", kDemo, "13800138000"))) << n;
    EXPECT_NE(g.find('\0'), std::string::npos) << n;
    EXPECT_EQ(text::GbkContains(text::CutAtNul(g), kRequestSucceeded), n % 2 == 1) << n;
  }
  // Logins are answered as ever.
  EXPECT_EQ(Ask(client.command, LoginBytes("demo", kDemo)), kLoginAccepted);
}
