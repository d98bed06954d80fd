// The image gadget: a STATIC control that shows a bitmap or icon at its own size, blending 32-bit
// bitmaps when AlphaBlend is available, and reports clicks and drags as gadget events.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/registry.h"

constexpr int32_t kImageGadgetKind = 9;
constexpr uint32_t kGadgetBorderRaised = 0x1;    // WS_DLGFRAME
constexpr uint32_t kGadgetBorderSunken = 0x200;  // WS_EX_CLIENTEDGE; wins over the raised border

// Event types an image gadget posts.
constexpr int64_t kGadgetEventRightClick = 1;
constexpr int64_t kGadgetEventLeftDoubleClick = 2;
constexpr int64_t kGadgetEventRightDoubleClick = 3;
constexpr int64_t kGadgetEventDragStart = 14002;

// Position and size in logical units; the control then takes the image's size. Result: 0 on
// failure, the control for a static number, the automatic number for kAutoNumber. An existing
// gadget under the number is freed only once the new control exists.
int64_t ImageGadgetCreate(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height, HANDLE image,
                          uint32_t flags = 0);
LRESULT CALLBACK ImageGadgetProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
