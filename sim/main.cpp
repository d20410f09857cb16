// pelmora-sim: a stand-in for the phone-number status service, on loopback by default.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "server.h"
#include "signals.h"

namespace {

// A whole number from `min` to `max`, or a message and exit code 2.
int Number(const QCommandLineParser& parser, const QCommandLineOption& option, int min, int max) {
  bool ok = false;
  const int n = parser.value(option).toInt(&ok);
  if (!ok || n < min || n > max) {
    std::fprintf(stderr, "pelmora-sim: --%s wants a whole number from %d to %d, not \"%s\"\n",
                 qPrintable(option.names().first()), min, max, qPrintable(parser.value(option)));
    std::exit(2);
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Stand-in for the Pelmora status service. The account demo / 123456 exists from the start\n"
      "with 1000 points; registered accounts last as long as the process. Prints\n"
      "\"pelmora-sim listening on HOST command PORT notice PORT\" once it listens.");
  parser.addHelpOption();
  QCommandLineOption host("host", "Address to listen on (default 127.0.0.1).", "address", "127.0.0.1");
  QCommandLineOption commandPort("command-port", "Command channel port (default 1251; 0 picks a free one).",
                                 "port", "1251");
  QCommandLineOption noticePort("notice-port", "Notice channel port (default 1252; 0 picks a free one).",
                                "port", "1252");
  QCommandLineOption log("log", "Append every arrival to <file>, one line each: \"command\" or \"notice\", "
                                "a blank, the bytes in hexadecimal.", "file");
  QCommandLineOption split("split", "Fault: send every reply in two writes, 50 ms apart.");
  QCommandLineOption merge("merge", "Fault: hold each query answer and send it with the next one in one write.");
  QCommandLineOption delay("delay", "Fault: send every reply <ms> milliseconds late.", "ms", "0");
  QCommandLineOption refuse("refuse-every",
                            "Fault: answer every <n>th query of a connection without \"请求成功\".", "n", "0");
  QCommandLineOption silent("silent-every", "Fault: leave every <n>th query of a connection unanswered.", "n", "0");
  QCommandLineOption close("close-after", "Fault: close a command connection after its <n>th reply.", "n", "0");
  QCommandLineOption garbage("garbage", "Fault: answer queries with random bytes (fixed seed), NULs and invalid "
                                        "GBK included; every other one holds \"请求成功\".");
  parser.addOptions({host, commandPort, noticePort, log, split, merge, delay, refuse, silent, close, garbage});
  parser.process(app);

  pelmora::sim::Faults faults;
  faults.split = parser.isSet(split);
  faults.merge = parser.isSet(merge);
  faults.delayMs = Number(parser, delay, 0, 600000);
  faults.refuseEvery = Number(parser, refuse, 0, 1000000);
  faults.silentEvery = Number(parser, silent, 0, 1000000);
  faults.closeAfter = Number(parser, close, 0, 1000000);
  faults.garbage = parser.isSet(garbage);
  const auto commandPortNumber = quint16(Number(parser, commandPort, 0, 65535));
  const auto noticePortNumber = quint16(Number(parser, noticePort, 0, 65535));
  const QHostAddress address(parser.value(host));
  if (address.isNull()) {
    std::fprintf(stderr, "pelmora-sim: --host wants an IP address, not \"%s\"\n", qPrintable(parser.value(host)));
    return 2;
  }

  pelmora::sim::Server server(faults);
  if (parser.isSet(log) && !server.OpenLog(parser.value(log))) {
    std::fprintf(stderr, "pelmora-sim: cannot open %s: %s\n", qPrintable(parser.value(log)),
                 qPrintable(server.errorString()));
    return 1;
  }
  if (!server.Listen(address, commandPortNumber, noticePortNumber)) {
    std::fprintf(stderr, "pelmora-sim: cannot listen on %s: %s\n", qPrintable(address.toString()),
                 qPrintable(server.errorString()));
    return 1;
  }
  pelmora::sim::QuitOnTerminationSignals();
  std::printf("pelmora-sim listening on %s command %u notice %u\n", qPrintable(address.toString()),
              unsigned(server.commandPort()), unsigned(server.noticePort()));
  std::fflush(stdout);
  return app.exec();
}
