#pragma once
// How long the rest of a firmware update takes, from the procedure's own waits and the
// commands' delays (the boot loader search, whose length nobody knows, is left out).
#include <cstddef>

#include "core/util/clock.h"

namespace z7 {

// Where an update stands, as its progress reports tell it: the first report of the start
// value (2) answers BeginDownload, every later one is a block written.
struct UpdateProgress {
    bool downloadStarted = false;
    size_t blocksDone = 0;
    size_t blockCount = 0;
    bool fromBootLoader = false;  // found in the boot loader: no switch, no first-block handshake
    bool fullReadBack = false;  // every block is read back (device code "L100"), else the first 88
};

// From the moment of the report to the mouse back in normal mode with its version read.
Millis UpdateTimeLeft(const UpdateProgress& progress);

// Once FinishDownload succeeded: the wait before the mouse is looked for again.
Millis RestartTimeLeft();

}  // namespace z7
