// Keyboard polling: one snapshot of all 256 key positions per call, read through DirectInput 7
// loaded at run time, with held-key and released-key queries over it. The device follows the
// foreground state of the window the windowed screen was last opened in (screen.h).
#pragma once

#include <cstdint>

struct IDirectInput7A;

// Key codes are DirectInput key positions (scan-code set 1 make codes, plus 128 for E0 keys),
// 0 to 255; -1 asks about any key. Other values answer 0.

// Creates the keyboard device; non-zero on success. Later calls return non-zero at once.
int32_t KeyboardInit();
// Releases the device and the keyboard's DirectInput reference; harmless when never initialised.
void KeyboardEnd();

// Takes a new snapshot: 1 on success, 0 when there is no device, no screen window, or the window
// is not in front. A failed sample leaves the last snapshot in place but makes the queries answer 0.
int32_t KeyboardSample();
// Tells the keyboard that its window has been away from the front, as under a modal dialog
// (the device may not notice): keys that went down meanwhile answer up until they are released.
void KeyboardIgnoreHeldKeys();
// The position of the key labelled with the letter 'A' to 'Z' in the thread's keyboard layout, as
// the last sample (or KeyboardInit) found it; 0, which no key has, when the layout has none.
int32_t KeyOfLetter(char letter);
// 128 when the key is down in the snapshot (1 for -1 and any key down), else 0.
int32_t KeyHeld(int32_t key);
// 1 once when a key that an earlier call saw down has gone up; -1 consumes every such release.
int32_t KeyReleased(int32_t key);

// The process's one DirectInput 7 object, counted; null when it cannot be had.
IDirectInput7A* DirectInputRef();
void DirectInputUnref();
