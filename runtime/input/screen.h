// The windowed screen: a borderless child window carrying a double-buffered OpenGL context set up
// for two-dimensional work, opened inside an existing window. The window it was opened in is also
// the window whose foreground state the keyboard follows (keyboard.h).
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/registry.h"

constexpr uint32_t kTextureOwnsPixels = 0x1;

struct TextureObject {
    uint32_t name;   // OpenGL texture name; the record is live while name or flags is non-zero
    uint32_t flags;  // kTextureOwnsPixels when pixels belongs to the record
    void* pixels;    // runtime-heap copy of the texture's pixels, or null
};

// Slots another input facility may fill: called first by ScreenClose, and with every WM_INPUT
// that reaches the parent window.
using ScreenCloseHook = void (*)();
using ScreenRawInputHook = void (*)(HWND window, WPARAM wParam, LPARAM lParam);

// Creates the texture registry on the first call; non-zero when it exists.
int32_t ScreenInit();
// Closes the open surface; harmless when none is open. Also the facility's end procedure.
void ScreenClose();
// Releases every texture object, when the registry exists.
void ScreenTexturesEnd();
// Frees OpenGL and GLU, which the first open loaded; after the surface is closed.
void ScreenLibraryEnd();

// Opens a surface at x, y with the given size inside window; 1 on success, 0 on failure. The
// eight-argument form can stretch the surface over the parent's client area less the margins.
int32_t ScreenOpenInWindow(HWND window, int32_t x, int32_t y, int32_t width, int32_t height);
int32_t ScreenOpenInWindow(HWND window, int32_t x, int32_t y, int32_t width, int32_t height,
                           int32_t stretch, int32_t rightMargin, int32_t bottomMargin);
// The common open behind both forms (which pass syncMode 1): syncMode 0 swaps without waiting for
// the vertical retrace, 1 and 2 wait for one retrace, anything else keeps the driver's setting.
int32_t ScreenOpen(HWND window, int32_t x, int32_t y, int32_t width, int32_t height, int32_t stretch,
                   int32_t rightMargin, int32_t bottomMargin, int32_t syncMode);
// Fits a stretched surface to its parent's client area; the projection keeps the logical size.
void ScreenResize();
// Presents the back buffer.
void ScreenFlip();

// The window of the last successful open; null before any.
HWND ScreenParentWindow();
int32_t ScreenLogicalWidth();
int32_t ScreenLogicalHeight();
// The registry of texture objects; null before ScreenInit.
ObjectRegistry* TextureRegistry();
void ScreenSetInputHooks(ScreenCloseHook closeHook, ScreenRawInputHook rawInputHook);

// Installed by subclassing: on the surface's child window and on every parent window.
LRESULT CALLBACK ScreenChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ScreenParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
