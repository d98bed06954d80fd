// The raw-input mouse, which would share the windowed screen's close and raw-input hooks. This
// program never initialises it; only its end procedure runs, at shutdown.
#pragma once

// Releases what the mouse facility set up; nothing when it was never initialised.
void MouseEnd();
