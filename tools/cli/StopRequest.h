// Interrupt (Ctrl-C) and termination requests. Once the handlers are installed a
// signal only sets a flag; the tool stops at the next block, removes what it had
// begun and exits 130 after SIGINT, 143 after SIGTERM. Blocking calls (opening a
// FIFO, writing to a full pipe) return early when a signal arrives.
#pragma once

void installStopHandlers();

bool stopRequested();

// The exit status for the signal that arrived: 130 or 143; 0 when none did.
int stopExitStatus();
