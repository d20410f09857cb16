// pelmora-sim: a stand-in for the phone-number status service, on loopback by default.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>

#include "server.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Stand-in for the Pelmora status service. Account demo / 123456 exists from the start; "
      "registered accounts last as long as the process.");
  parser.addHelpOption();
  QCommandLineOption host("host", "Address to listen on (default 127.0.0.1).", "address", "127.0.0.1");
  QCommandLineOption commandPort("command-port", "Command channel port (default 1251, 0 picks one).", "port", "1251");
  QCommandLineOption noticePort("notice-port", "Notice channel port (default 1252, 0 picks one).", "port", "1252");
  QCommandLineOption log("log", "Append every byte received to FILE, one line per arrival: channel and hex.", "file");
  QCommandLineOption split("split", "Fault: send every reply in two writes, 50 ms apart.");
  QCommandLineOption merge("merge", "Fault: hold each query answer and send it together with the next one.");
  QCommandLineOption delay("delay", "Fault: send every reply MS milliseconds late.", "ms", "0");
  QCommandLineOption refuse("refuse-every", "Fault: answer every Nth query without success.", "n", "0");
  QCommandLineOption silent("silent-every", "Fault: leave every Nth query unanswered.", "n", "0");
  QCommandLineOption close("close-after", "Fault: close the command connection after N replies.", "n", "0");
  QCommandLineOption garbage("garbage", "Fault: answer queries with random bytes (fixed seed).");
  parser.addOptions({host, commandPort, noticePort, log, split, merge, delay, refuse, silent, close, garbage});
  parser.process(app);

  pelmora::sim::Faults faults;
  faults.split = parser.isSet(split);
  faults.merge = parser.isSet(merge);
  faults.delayMs = parser.value(delay).toInt();
  faults.refuseEvery = parser.value(refuse).toInt();
  faults.silentEvery = parser.value(silent).toInt();
  faults.closeAfter = parser.value(close).toInt();
  faults.garbage = parser.isSet(garbage);

  pelmora::sim::Server server(faults, parser.value(log));
  const QHostAddress address(parser.value(host));
  if (!server.Listen(address, quint16(parser.value(commandPort).toUInt()),
                     quint16(parser.value(noticePort).toUInt()))) {
    std::fprintf(stderr, "pelmora-sim: cannot listen on %s\n", qPrintable(parser.value(host)));
    return 1;
  }
  std::printf("pelmora-sim listening on %s command %u notice %u\n", qPrintable(address.toString()),
              server.commandPort(), server.noticePort());
  std::fflush(stdout);
  std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
  std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
  return app.exec();
}
