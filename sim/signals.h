#pragma once
// Clean exit on SIGTERM and SIGINT: the signal handler only writes a byte to a pipe, and the
// event loop, seeing it, quits the application.

namespace pelmora::sim {

// Call once, after the QCoreApplication exists.
void QuitOnTerminationSignals();

}  // namespace pelmora::sim
