// The client's query run against a misbehaving service: pelmora-sim in each fault mode, real
// sockets, the real work window. Whatever the service does, the client keeps running, stays
// responsive, and pairs answers with rows by counting them.

#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>

#include "checking/numberlist.h"
#include "checking/querywindow.h"
#include "platform/codepage.h"
#include "platform/wait.h"
#include "service/channels.h"
#include "standin.h"
#include "support/loopback_server.h"
#include "support/sim_process.h"

using namespace pelmora;
using pelmora::testing::SimProcess;
using pelmora::testing::Spin;
using pelmora::testing::TempDir;

namespace {

const std::string kFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败
const char* kNumbers[] = {"13800138000", "13910001234", "15012345678", "18602112345"};

// What a good answer for `tel` writes into its row.
std::pair<std::string, std::string> Row(const char* tel) {
  const auto f = sim::FactsOf(tel);
  static const char* words[] = {"空号", "实号", "停机", "库无", "沉默号", "风险号"};
  return {f.province + f.city + f.carrier, platform::Utf8ToGbkBytes(words[f.status])};
}

struct Outcome {
  std::vector<std::pair<std::string, std::string>> rows;  // columns 2 and 3
  int replyRowIndex = 0;
  bool responsive = false;
};

Outcome RunAgainst(const QStringList& faults) {
  Outcome out;
  SimProcess sim;
  if (!sim.Start(PELMORA_SIM_BINARY, faults)) return out;
  platform::ScopedWaitScale fast(0.25);
  service::ReplyRouter router;
  service::CommandChannel command(router, nullptr);
  service::NoticeChannel notice(router, nullptr);
  command.Connect("127.0.0.1", sim.commandPort());
  notice.Connect("127.0.0.1", sim.noticePort());
  TempDir dir;
  QPointer<checking::QueryWindow> window = new checking::QueryWindow(
      checking::QuerySession{&router, &command, &notice, [] { return std::string("demo"); },
                             [] { return std::string("123456"); }},
      dir.path());
  std::string file;
  for (const char* n : kNumbers) file += std::string(n) + "\r\n";
  pelmora::testing::WriteBytes(dir.file("n.txt"), file);
  window->ImportNumberFile(platform::QStringToGbk(dir.file("n.txt")));
  QTest::mouseClick(window->按钮1, Qt::LeftButton);
  Spin(800);  // late and held answers
  for (int i = 0; i < window->numberList().RowCount(); ++i)
    out.rows.push_back({window->numberList().GetCell(i, 2), window->numberList().GetCell(i, 3)});
  out.replyRowIndex = checking::ReplyRowIndex;
  // Still responsive: the window takes a click and a drop after all that.
  window->ImportNumberFile(platform::QStringToGbk(dir.file("n.txt")));
  out.responsive = window->numberList().RowCount() == 8;
  delete window;
  return out;
}

}  // namespace

TEST(ServiceFaults, SplitRepliesFillRowsWithFailureTexts) {
  const Outcome o = RunAgainst({"--split"});
  ASSERT_EQ(o.rows.size(), 4u);
  // Only the first half of each answer holds the success word: each row gets the failure texts.
  for (const auto& r : o.rows) EXPECT_EQ(r, std::make_pair(kFailed + kFailed + kFailed, kFailed));
  EXPECT_EQ(o.replyRowIndex, 4);
  EXPECT_TRUE(o.responsive);
}

TEST(ServiceFaults, MergedRepliesFillOneRowPerPair) {
  const Outcome o = RunAgainst({"--merge"});
  EXPECT_EQ(o.rows[0], std::make_pair(kFailed + kFailed + kFailed, kFailed));
  EXPECT_EQ(o.rows[1], std::make_pair(kFailed + kFailed + kFailed, kFailed));
  EXPECT_EQ(o.rows[2], std::make_pair(std::string(), std::string()));
  EXPECT_EQ(o.replyRowIndex, 2);
}

TEST(ServiceFaults, RefusedOrMissingAnswersShiftLaterRowsUp) {
  for (const char* mode : {"--refuse-every", "--silent-every"}) {
    const Outcome o = RunAgainst({mode, "2"});
    EXPECT_EQ(o.rows[0], Row(kNumbers[0])) << mode;
    EXPECT_EQ(o.rows[1], Row(kNumbers[2])) << mode;  // the third number's answer, one row up
    EXPECT_EQ(o.rows[2], std::make_pair(std::string(), std::string())) << mode;
    EXPECT_EQ(o.replyRowIndex, 2) << mode;
  }
}

TEST(ServiceFaults, LateAnswersStillLandInOrder) {
  const Outcome o = RunAgainst({"--delay", "300"});
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(o.rows[i], Row(kNumbers[i])) << i;
}

TEST(ServiceFaults, ClosedConnectionAndGarbageAreSurvived) {
  const Outcome closed = RunAgainst({"--close-after", "2"});
  EXPECT_EQ(closed.rows[0], Row(kNumbers[0]));
  EXPECT_EQ(closed.rows[1], Row(kNumbers[1]));
  EXPECT_EQ(closed.rows[2], std::make_pair(std::string(), std::string()));  // later sends fail silently
  EXPECT_EQ(closed.replyRowIndex, 2);
  EXPECT_TRUE(closed.responsive);

  const Outcome garbage = RunAgainst({"--garbage"});
  EXPECT_TRUE(garbage.responsive);
  EXPECT_LE(garbage.replyRowIndex, 4);
}
