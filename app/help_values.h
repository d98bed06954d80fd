// The two informational actions: the key bindings in a message box, and the current el and df
// as editable, copyable text in an input box.
#pragma once

#include <cstdint>

int32_t ShowHelp();  // always 0, after the user closes the box
void ShowValues();
