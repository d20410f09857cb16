#pragma once
// Waiting a number of milliseconds while handling pending events (a nested event loop bounded
// by a timer). Tests may scale the durations down; the program always waits the full time.

namespace pelmora::platform {

void WaitHandlingEvents(int milliseconds);

// Multiplies every later wait by `factor` while alive (tests only).
class ScopedWaitScale {
 public:
  explicit ScopedWaitScale(double factor);
  ~ScopedWaitScale();
  ScopedWaitScale(const ScopedWaitScale&) = delete;
  ScopedWaitScale& operator=(const ScopedWaitScale&) = delete;

 private:
  double previous_;
};

}  // namespace pelmora::platform
