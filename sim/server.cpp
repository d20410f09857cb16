#include "server.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <deque>

namespace pelmora::sim {
namespace {
constexpr std::string_view kRequestSucceeded = "\xC7\xEB\xC7\xF3\xB3\xC9\xB9\xA6";  // 请求成功
// {"code":3,"msg":"系统繁忙"}
constexpr std::string_view kBusy = "{\"code\":3,\"msg\":\"\xCF\xB5\xCD\xB3\xB7\xB1\xC3\xA6\"}";

std::string RandomBytes(std::mt19937& random, int minLength, int maxLength, bool nul) {
  std::uniform_int_distribution<int> length(minLength, maxLength), byte(nul ? 0 : 1, 255);
  std::string out(static_cast<size_t>(length(random)), '\0');
  for (char& c : out) c = static_cast<char>(byte(random));
  return out;
}
}  // namespace

std::string GarbageAnswer(std::mt19937& random, int n) {
  std::string out = RandomBytes(random, 4, 120, false);
  if (n % 2 == 1) {
    // Put the word on a character start: close a dangling lead byte first.
    size_t i = 0;
    while (i < out.size()) i += static_cast<unsigned char>(out[i]) >= 0x80 ? 2 : 1;
    if (i != out.size()) out += 'x';
    out += kRequestSucceeded;
    out += RandomBytes(random, 0, 60, false);
  }
  out += "\x81\x7F";
  out += '\0';
  out += RandomBytes(random, 0, 60, true);
  out += '\xB0';
  return out;
}

// One accepted connection and its reply pipeline; a child of its socket, so it ends with it.
class Connection : public QObject {
 public:
  Connection(QTcpSocket* s, bool isCommand) : QObject(s), socket(s), command(isCommand), random(kGarbageSeed) {
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
  }
  struct Piece {
    qint64 due;        // on the server's clock
    std::string bytes;
    bool endsReply;    // the last piece of a reply
  };
  QTcpSocket* socket;
  bool command;
  int queries = 0;
  int replies = 0;
  int garbageAnswers = 0;
  bool closed = false;
  std::string held;  // a query answer waiting for the next (merge)
  std::mt19937 random;
  std::deque<Piece> queue;
  QTimer timer;
};

Server::Server(Faults faults) : faults_(faults) {
  clock_.start();
  connect(&command_, &QTcpServer::newConnection, this, [this] { Accept(command_, true); });
  connect(&notice_, &QTcpServer::newConnection, this, [this] { Accept(notice_, false); });
}

bool Server::OpenLog(const QString& path) {
  log_.setFileName(path);
  if (log_.open(QIODevice::WriteOnly | QIODevice::Append)) return true;
  error_ = log_.errorString();
  return false;
}

bool Server::Listen(const QHostAddress& address, quint16 commandPort, quint16 noticePort) {
  if (!command_.listen(address, commandPort)) {
    error_ = command_.errorString();
    return false;
  }
  if (!notice_.listen(address, noticePort)) {
    error_ = notice_.errorString();
    command_.close();
    return false;
  }
  return true;
}

void Server::Accept(QTcpServer& server, bool command) {
  while (QTcpSocket* socket = server.nextPendingConnection()) {
    auto* c = new Connection(socket, command);
    connect(&c->timer, &QTimer::timeout, this, [this, c] { Drain(c); });
    connect(socket, &QTcpSocket::readyRead, this, [this, c] { OnData(c); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }
}

void Server::Log(bool command, const QByteArray& bytes) {
  if (!log_.isOpen()) return;
  log_.write(command ? "command " : "notice ");
  log_.write(bytes.toHex());
  log_.write("\n");
  log_.flush();
}

void Server::OnData(Connection* c) {
  const QByteArray data = c->socket->readAll();
  if (data.isEmpty()) return;
  Log(c->command, data);
  const std::string arrival(data.constData(), static_cast<size_t>(data.size()));
  if (!c->command) {
    if (RecognizeNotice(arrival) == NoticeRequestKind::Points) {
      QTimer::singleShot(kPointsHoldMs, c, [this, c, arrival] { Send(c, standIn_.OnNotice(arrival)); });
      return;
    }
    Send(c, standIn_.OnNotice(arrival));
    return;
  }
  StandIn::Answer answer = standIn_.OnCommand(arrival);
  if (answer.kind == CommandRequest::Kind::Query) answer.bytes = Disturb(c, std::move(answer.bytes));
  Send(c, answer.bytes);
}

// The fault options that act on query answers. The query itself has been handled (and
// charged) by then: only its answer is disturbed.
std::string Server::Disturb(Connection* c, std::string answer) {
  const int n = ++c->queries;
  if (faults_.silentEvery > 0 && n % faults_.silentEvery == 0) return {};
  if (faults_.refuseEvery > 0 && n % faults_.refuseEvery == 0) answer = kBusy;
  if (faults_.garbage) answer = GarbageAnswer(c->random, ++c->garbageAnswers);
  if (faults_.merge) {
    if (c->held.empty()) {
      c->held = std::move(answer);
      return {};
    }
    answer = std::exchange(c->held, {}) + answer;
  }
  return answer;
}

void Server::Send(Connection* c, const std::string& bytes) {
  if (bytes.empty() || c->closed) return;
  qint64 due = clock_.elapsed() + faults_.delayMs;
  if (!c->queue.empty()) due = std::max(due, c->queue.back().due);  // never overtake
  if (faults_.split && bytes.size() >= 2) {
    const size_t half = bytes.size() / 2;
    c->queue.push_back({due, bytes.substr(0, half), false});
    c->queue.push_back({due + kSplitPauseMs, bytes.substr(half), true});
  } else {
    c->queue.push_back({due, bytes, true});
  }
  Drain(c);
}

void Server::Drain(Connection* c) {
  while (!c->queue.empty() && !c->closed) {
    const qint64 wait = c->queue.front().due - clock_.elapsed();
    if (wait > 0) {
      c->timer.start(static_cast<int>(wait));
      return;
    }
    const Connection::Piece piece = std::move(c->queue.front());
    c->queue.pop_front();
    c->socket->write(piece.bytes.data(), static_cast<qint64>(piece.bytes.size()));
    c->socket->flush();
    if (piece.endsReply && c->command && faults_.closeAfter > 0 && ++c->replies >= faults_.closeAfter) {
      c->closed = true;
      c->queue.clear();
      c->socket->disconnectFromHost();
    }
  }
}

}  // namespace pelmora::sim
