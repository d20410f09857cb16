// The stand-in service, started as a separate process and spoken to over real sockets.

#include <gtest/gtest.h>

#include <QFile>
#include <QTcpSocket>

#include "platform/codepage.h"
#include "service/messages.h"
#include "service/passworddigest.h"
#include "standin.h"
#include "support/loopback_server.h"
#include "support/sim_process.h"

using namespace pelmora;
using pelmora::testing::SimProcess;

namespace {

std::string Gbk(const char* utf8) { return platform::Utf8ToGbkBytes(utf8); }

// One request, one answer (or nothing within the time).
std::string Ask(QTcpSocket& s, const std::string& request, int timeoutMs = 2000) {
  s.write(request.data(), qint64(request.size()));
  s.flush();
  if (!s.waitForReadyRead(timeoutMs)) return {};
  const QByteArray b = s.readAll();
  return std::string(b.constData(), size_t(b.size()));
}

class SimTest : public ::testing::Test {
 protected:
  void Connect(const QStringList& args = {}) {
    ASSERT_TRUE(sim.Start(PELMORA_SIM_BINARY, args));
    command.connectToHost("127.0.0.1", sim.commandPort());
    notice.connectToHost("127.0.0.1", sim.noticePort());
    ASSERT_TRUE(command.waitForConnected(3000));
    ASSERT_TRUE(notice.waitForConnected(3000));
  }
  SimProcess sim;
  QTcpSocket command, notice;
};

}  // namespace

TEST_F(SimTest, AnnouncesLogsInTheDemoAccountAndAnswersQueries) {
  Connect();
  const std::string announcement = Ask(notice, service::NoticeRequest());
  EXPECT_TRUE(service::MatchNoticeReply(announcement) ==
              std::vector<service::NoticeReply>{service::NoticeReply::Announcement});

  EXPECT_EQ(Ask(command, service::LoginRequest("demo", "123456")), Gbk("登陆成功"));
  EXPECT_EQ(Ask(command, service::LoginRequest("demo", "wrong")), Gbk("登陆失败"));
  EXPECT_EQ(Ask(command, service::LoginRequest("nobody", "123456")), Gbk("登陆失败"));

  // A Beijing number of China Mobile, and a Shanghai number of China Unicom.
  const std::string a = Ask(command, service::QueryRequest("demo", "123456", "13800138000"));
  EXPECT_NE(a.find(Gbk("\"province\":\"北京\",\"city\":\"北京\",\"operatorType\":\"移动\"")), std::string::npos) << a;
  EXPECT_NE(a.find(Gbk("请求成功")), std::string::npos);
  EXPECT_EQ(Ask(notice, service::QueryNotice()), Gbk("剩余点数：999"));
  const std::string b = Ask(command, service::QueryRequest("demo", "123456", "18602112345"));
  EXPECT_NE(b.find(Gbk("\"province\":\"上海\",\"city\":\"上海\",\"operatorType\":\"联通\"")), std::string::npos) << b;
  EXPECT_NE(b.find("\"phoneStatus\":\"" + std::to_string(sim::StatusOf("18602112345")) + "\""), std::string::npos);
  EXPECT_EQ(Ask(notice, service::QueryNotice()), Gbk("剩余点数：998"));

  // A wrong password gets an answer, but not a successful one.
  const std::string refused = Ask(command, service::QueryRequest("demo", "x", "13800138000"));
  ASSERT_FALSE(refused.empty());
  EXPECT_EQ(refused.find(Gbk("请求成功")), std::string::npos);
  // The leave message gets no answer.
  EXPECT_EQ(Ask(command, service::LeaveNotice("demo"), 300), "");
}

TEST_F(SimTest, RegisteredAccountsLogInAndNamesAreTaken) {
  Connect();
  const std::string digest = service::PasswordDigest("pw");
  EXPECT_EQ(Ask(command, service::RegisterRequest("neu", digest, "12345")), Gbk("注册成功"));
  EXPECT_EQ(Ask(command, service::RegisterRequest("neu", digest, "12345")), Gbk("用户名已存在"));
  EXPECT_EQ(Ask(command, service::RegisterRequest("demo", digest, "1")), Gbk("用户名已存在"));
  EXPECT_EQ(Ask(command, service::LoginRequest("neu", "pw")), Gbk("登陆成功"));
  const std::string a = Ask(command, service::QueryRequest("neu", "pw", "13800138000"));
  EXPECT_NE(a.find(Gbk("请求成功")), std::string::npos);
}

TEST_F(SimTest, LogsEveryByteReceived) {
  pelmora::testing::TempDir dir;
  Connect({"--log", dir.file("sim.log")});
  Ask(notice, service::NoticeRequest());
  Ask(command, service::LoginRequest("demo", "123456"));
  const std::string log = pelmora::testing::FileBytes(dir.file("sim.log"));
  EXPECT_EQ(log, "notice b9abb8e6\ncommand " +
                     QByteArray::fromStdString(service::LoginRequest("demo", "123456")).toHex().toStdString() +
                     "\n");
}

TEST_F(SimTest, FaultModesDisturbTheReplies) {
  Connect({"--refuse-every", "2", "--close-after", "3"});
  const std::string ok = Gbk("请求成功");
  EXPECT_NE(Ask(command, service::QueryRequest("demo", "123456", "1")).find(ok), std::string::npos);
  EXPECT_EQ(Ask(command, service::QueryRequest("demo", "123456", "2")).find(ok), std::string::npos);
  EXPECT_NE(Ask(command, service::QueryRequest("demo", "123456", "3")).find(ok), std::string::npos);
  // The third reply closed the connection.
  EXPECT_TRUE(command.state() == QAbstractSocket::UnconnectedState || command.waitForDisconnected(2000));
}

TEST(StandIn, StatusComesFromTheDigits) {
  struct Case {
    const char* tel;
    int status;
  } cases[] = {{"13800138000", 0}, {"18602112345", 2}, {"1", 2}, {"", 0}, {"99", 3}, {"5", 4}};
  for (const auto& c : cases) EXPECT_EQ(sim::StatusOf(c.tel), c.status) << c.tel;
  EXPECT_EQ(sim::StatusFileName("5"), "沉默号.txt");
}
