// Start-up of the real program on a real X display (DISPLAY must be set, e.g. by scripts/bench
// under Xvfb): time from launching `pelmora` until its login window is mapped, with the service
// refusing connections, and the resident memory at the login window.

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

long RssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

void BM_StartUpToLoginWindow(benchmark::State& state) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    state.SkipWithError("no X display");
    return;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  const std::string program = std::string(PELMORA_BUILD_DIR) + "/src/pelmora";
  double rssMb = 0;
  for (auto _ : state) {
    while (XPending(display)) {
      XEvent drop;
      XNextEvent(display, &drop);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
      unsetenv("QT_QPA_PLATFORM");
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // The first top-level window mapped is the login window (the only one at start).
    bool mapped = false;
    while (!mapped) {
      XEvent e;
      XNextEvent(display, &e);
      mapped = e.type == MapNotify;
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    rssMb = RssKb(pid) / 1024.0;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    state.ResumeTiming();
  }
  state.counters["rss_login_MB"] = rssMb;
  XCloseDisplay(display);
}
BENCHMARK(BM_StartUpToLoginWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
