// Program start: the login window, then the event loop until no window is left.

#include <QApplication>

#include "login/loginwindow.h"
#include "platform/programdir.h"

namespace pelmora::login {

int StartProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  // The network layer needs no start-up on this platform.
  auto* window = new LoginWindow(service::ServiceEndpoint::Default(), platform::ProgramDirectory());
  window->show();
  return app.exec();
}

}  // namespace pelmora::login

int main(int argc, char** argv) { return pelmora::login::StartProgram(argc, argv); }
