// The whole program as a user meets it: a real X server (Xvfb), the stand-in service and the
// client as separate processes, real typing, clicks and drag-and-drop through X, and the
// bytes that end up in files and on the wire.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <functional>
#include <map>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sys/stat.h>

#include "service/messages.h"
#include "service/passworddigest.h"
#include "standin.h"

namespace {

QString BuildDir() { return QStringLiteral(PELMORA_BUILD_DIR); }

std::string ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  return std::string(b.constData(), size_t(b.size()));
}

void Sleep(int ms) { QThread::msleep(ms); }

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

struct Geometry {
  int x = -1, y = -1, w = -1, h = -1;
};

// Every byte the stand-in received on one channel, in order (its log has one line per arrival).
std::string Received(const QString& log, const char* channel) {
  std::string bytes;
  for (const QByteArray& line : QByteArray::fromStdString(ReadAll(log)).split('\n')) {
    const auto parts = line.split(' ');
    if (parts.size() == 2 && parts[0] == channel) bytes += QByteArray::fromHex(parts[1]).toStdString();
  }
  return bytes;
}

class Desktop {
 public:
  bool Start() {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty())
      return false;
    for (int n = 90; n < 120; ++n) {
      if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) continue;
      display_ = QStringLiteral(":%1").arg(n);
      xvfb_.start("Xvfb", {display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
      if (!xvfb_.waitForStarted(5000)) continue;
      if (WaitFor([&] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); }, 5000))
        return true;
      xvfb_.kill();
      xvfb_.waitForFinished();
    }
    return false;
  }
  ~Desktop() {
    xvfb_.terminate();
    xvfb_.waitForFinished(3000);
  }
  QProcessEnvironment Env() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    env.remove("QT_QPA_PLATFORM");
    return env;
  }
  QString Run(const QString& program, const QStringList& args, int timeoutMs = 10000) const {
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start(program, args);
    p.waitForFinished(timeoutMs);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  }
  QString Xdo(const QStringList& args) const { return Run("xdotool", args); }
  // Visible top-level windows named "Pelmora", with their geometry.
  std::vector<std::pair<QString, Geometry>> PelmoraWindows() const {
    std::vector<std::pair<QString, Geometry>> out;
    for (const QString& id : Xdo({"search", "--onlyvisible", "--name", "^Pelmora$"}).split('\n', Qt::SkipEmptyParts)) {
      const QString shell = Xdo({"getwindowgeometry", "--shell", id});
      Geometry g;
      for (const QString& line : shell.split('\n')) {
        const auto kv = line.split('=');
        if (kv.size() != 2) continue;
        if (kv[0] == "X") g.x = kv[1].toInt();
        if (kv[0] == "Y") g.y = kv[1].toInt();
        if (kv[0] == "WIDTH") g.w = kv[1].toInt();
        if (kv[0] == "HEIGHT") g.h = kv[1].toInt();
      }
      out.push_back({id, g});
    }
    return out;
  }
  QString WindowOfSize(int w, int h) const {
    for (auto& [id, g] : PelmoraWindows())
      if (g.w == w && g.h == h) return id;
    return {};
  }
  void Click(int x, int y) const {
    Xdo({"mousemove", "--sync", QString::number(x), QString::number(y)});
    Sleep(100);
    Xdo({"click", "1"});
    Sleep(200);
  }
  void Type(const QString& text) const {
    Xdo({"type", "--delay", "30", text});
    Sleep(200);
  }
  void Screenshot(const QString& path) const {
    QDir().mkpath(QFileInfo(path).path());
    Run(BuildDir() + "/tests/pelmora-xtool", {"shot", path});
  }
  void Close(const QString& window) const { Run(BuildDir() + "/tests/pelmora-xtool", {"close", window}); }

 private:
  QString display_;
  QProcess xvfb_;
};

}  // namespace

// An X server, the stand-in on the program's fixed ports (logging what it receives) and the
// program started from a fresh directory of its own, up to its login window.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!desktop.Start()) GTEST_SKIP() << "no X server";
    ASSERT_TRUE(QFile::copy(BuildDir() + "/src/pelmora", programDir.filePath("pelmora")));
    sim.start(BuildDir() + "/sim/pelmora-sim", {"--log", log});
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    client.setProcessEnvironment(desktop.Env());
    client.start(programDir.filePath("pelmora"), {});
    ASSERT_TRUE(client.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return !(login = desktop.WindowOfSize(380, 250)).isEmpty(); }, 10000));
    Sleep(500);
  }
  void TearDown() override {
    sim.terminate();
    sim.waitForFinished(5000);
    client.kill();
    client.waitForFinished(3000);
  }
  void LogIn(const char* account, const char* password) {
    desktop.Click(50 + 185 + 80, 50 + 21 + 16);
    desktop.Type(account);
    desktop.Click(50 + 185 + 80, 50 + 69 + 16);
    desktop.Type(password);
    desktop.Click(50 + 32 + 40, 50 + 114 + 16);  // 登录
  }

  Desktop desktop;
  QTemporaryDir programDir;
  const QString log = programDir.filePath("sim.log");
  QProcess sim, client;
  QString login;
};

TEST_F(DesktopTest, LoginDropQuerySaveAndClose) {
  const QString numbers = programDir.filePath("numbers.txt");
  const std::string numberBytes = "13800138000\r\n13910001234\r\n\r\n15012345678\r\n";
  {
    QFile f(numbers);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(numberBytes.data(), qint64(numberBytes.size()));
  }

  for (auto& [id, g] : desktop.PelmoraWindows())
    if (id == login) EXPECT_TRUE(g.x == 50 && g.y == 50) << g.x << "," << g.y;
  desktop.Screenshot(BuildDir() + "/screenshots/login.png");

  // Account and password, then "登录" at its place.
  LogIn("demo", "123456");

  QString work;
  ASSERT_TRUE(WaitFor([&] { return !(work = desktop.WindowOfSize(537, 510)).isEmpty(); }, 10000));
  EXPECT_TRUE(desktop.WindowOfSize(380, 250).isEmpty());  // the login window is hidden
  for (auto& [id, g] : desktop.PelmoraWindows())
    if (id == work) EXPECT_TRUE(g.x == 50 && g.y == 50) << g.x << "," << g.y;

  // Drop the number file on the list from another program.
  QProcess drag;
  drag.setProcessEnvironment(desktop.Env());
  drag.start(BuildDir() + "/tests/pelmora-xtool", {"drag", "700", "100", numbers});
  ASSERT_TRUE(drag.waitForStarted(5000));
  Sleep(1000);
  desktop.Xdo({"mousemove", "--sync", "760", "160"});
  desktop.Xdo({"mousedown", "1"});
  for (int step = 1; step <= 10; ++step) {
    desktop.Xdo({"mousemove", "--sync", QString::number(760 - step * 55), QString::number(160 + step * 15)});
    Sleep(60);
  }
  desktop.Xdo({"mousemove", "--sync", "200", "300"});
  Sleep(200);
  desktop.Xdo({"mouseup", "1"});
  drag.waitForFinished(5000);
  Sleep(500);

  desktop.Click(50 + 376 + 64, 50 + 24 + 16);  // 开始查询
  Sleep(3 * 800 + 1500);
  desktop.Screenshot(BuildDir() + "/screenshots/query.png");
  desktop.Click(50 + 379 + 62, 50 + 94 + 20);  // 保存查询结果
  Sleep(1000);

  desktop.Run(BuildDir() + "/tests/pelmora-xtool", {"close", work});
  ASSERT_TRUE(client.waitForFinished(10000));
  EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);

  // Result files beside the program: each number under the status the service gave it.
  std::map<std::string, std::string> expected;
  for (const char* n : {"13800138000", "13910001234", "15012345678"})
    expected[pelmora::sim::StatusFileName(n)] += std::string(n) + "\r\n";
  for (const std::string& name : pelmora::sim::AllStatusFileNames())
    EXPECT_EQ(ReadAll(programDir.filePath(QString::fromStdString(name))), expected[name]) << name;

  // The profile holds what was typed, private to its owner.
  const QString config = programDir.filePath(QString::fromUtf8("配置"));
  EXPECT_EQ(ReadAll(config), "[\xC5\xE4\xD6\xC3]\r\nuser=demo\r\npwd=123456\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(config).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // Every byte the service received, on both channels.
  using namespace pelmora::service;
  EXPECT_EQ(Received(log, "command"),
            LoginRequest("demo", "123456") + QueryRequest("demo", "123456", "13800138000") +
                QueryRequest("demo", "123456", "13910001234") +
                QueryRequest("demo", "123456", "15012345678") + LeaveNotice("demo"));
  EXPECT_EQ(Received(log, "notice"), NoticeRequest() + QueryNotice() + QueryNotice() + QueryNotice());

}

TEST_F(DesktopTest, RegisterANewAccountAndLogInWithIt) {

  desktop.Click(50 + 136 + 40, 50 + 112 + 16);  // 注册
  QString reg;
  ASSERT_TRUE(WaitFor([&] { return !(reg = desktop.WindowOfSize(255, 284)).isEmpty(); }, 5000));
  Sleep(300);
  const int boxes[] = {11, 59, 107, 155};
  const char* texts[] = {"newuser", "secret", "secret", "12345678"};
  for (int i = 0; i < 4; ++i) {
    desktop.Click(50 + 41 + 88, 50 + boxes[i] + 16);
    desktop.Type(texts[i]);
  }
  desktop.Screenshot(BuildDir() + "/screenshots/register.png");
  desktop.Click(50 + 48 + 72, 50 + 208 + 20);  // 注册: the answer comes in a message box
  Sleep(1000);
  desktop.Screenshot(BuildDir() + "/screenshots/register-answer.png");
  desktop.Xdo({"key", "Return"});
  Sleep(300);
  desktop.Close(reg);
  ASSERT_TRUE(WaitFor([&] { return desktop.WindowOfSize(255, 284).isEmpty(); }, 5000));

  LogIn("newuser", "secret");
  QString work;
  ASSERT_TRUE(WaitFor([&] { return !(work = desktop.WindowOfSize(537, 510)).isEmpty(); }, 10000));
  desktop.Close(work);
  ASSERT_TRUE(client.waitForFinished(10000));

  using namespace pelmora::service;
  EXPECT_EQ(Received(log, "command"),
            RegisterRequest("newuser", PasswordDigest("secret"), "12345678") +
                LoginRequest("newuser", "secret") + LeaveNotice("newuser"));
}
