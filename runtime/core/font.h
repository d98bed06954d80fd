// Fonts: the registry of numbered font objects and the display's vertical resolution used to
// size them. The application never creates fonts; start-up and shutdown still run this facility.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/registry.h"

struct FontObject {
    HFONT font;  // the font handle; null = no font under this number
};

void FontInit();
void FontEnd();
void FontFree(ObjectNumber number);  // -1 frees every font
ObjectRegistry* FontRegistry();
int32_t FontDisplayDpiY();  // 96 when no display device context could be made
