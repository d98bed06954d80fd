// Numbered top-level windows: their registry, window classes, Tab accelerators and the property
// that maps a platform window back to its number; also the binding of gadget controls to windows
// and events. Relies on the registry, the display scale, the gadget list and the event queue.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/registry.h"
#include "runtime/image/gadget.h"
#include "runtime/window/event_queue.h"

// As x, or as y when neither centring bit is set: let the system place the window.
constexpr int32_t kPositionDefault = -65535;

// Window flags. Bits not named here are Win32 window styles and pass through to the window.
constexpr uint32_t kWindowCentreScreen = 0x00000001;
constexpr uint32_t kWindowCentreParent = 0x00000002;
constexpr uint32_t kWindowTool = 0x00000004;           // tool window with a caption, no min/max
constexpr uint32_t kWindowNoGadgetList = 0x00000008;   // do not become the current gadget list
constexpr uint32_t kWindowMaximized = 0x01000000;      // WS_MAXIMIZE
constexpr uint32_t kWindowNoActivate = 0x02000000;
constexpr uint32_t kWindowHidden = 0x10000000;
constexpr uint32_t kWindowMinimized = 0x20000000;      // WS_MINIMIZE
constexpr uint32_t kWindowCaption = 0x00C00000;        // WS_CAPTION
constexpr uint32_t kWindowSystemMenu = 0x00080000;     // WS_SYSMENU
constexpr uint32_t kWindowSizingBorder = 0x00040000;   // WS_THICKFRAME
constexpr uint32_t kWindowMinimizeBox = 0x00020000;
constexpr uint32_t kWindowMaximizeBox = 0x00010000;
constexpr uint32_t kWindowPopup = 0x80000000;          // WS_POPUP
constexpr uint32_t kWindowFlagsDefault = 0x00C80000;   // caption and system menu

// Commands of the per-window Tab accelerators.
constexpr WORD kCommandNextControl = 0xFA01;
constexpr WORD kCommandPreviousControl = 0xFA02;

// Identifier that marks a control as a menu-like command source rather than a gadget.
constexpr LONG_PTR kControlCommandId = -10000;

using WindowMessageHook = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Paints a window's background with the given brush or object; returns the message result.
using WindowEraseProc = LRESULT (*)(HWND window, HDC dc, HGDIOBJ background);

struct WindowRecord {
    HWND handle;                    // non-null while the window lives
    ACCEL* acceleratorEntries;      // runtime-heap array of the Tab accelerators
    HACCEL acceleratorTable;        // built from acceleratorEntries
    WindowMessageHook messageHook;  // optional per-window hook; never installed here
    int32_t acceleratorCount;       // 2 after WindowOpen
    int32_t reservedA;              // -1 after WindowOpen
    HGDIOBJ background;             // background object, deleted with the window; null here
    HWND mdiClient;                 // MDI client of an MDI child; null for top-level windows
    WindowEraseProc eraseProc;      // paints the background; not set here
    uint16_t minimumWidth;          // client-size limits applied to sizing; 0 = no limit
    uint16_t minimumHeight;
    uint16_t maximumWidth;
    uint16_t maximumHeight;
    int32_t minimizedOrMaximized;   // 1 while minimised or maximised
    int32_t creationComplete;       // move and size events flow only once this is 1
    int32_t reservedB[2];
    int32_t defaultErase;           // paint the background with the button-face colour
    int32_t reservedC;              // -1 after WindowOpen
};

// Parameters of the last message taken by the pump (both 0 after a runtime event).
struct WindowMessageState {
    WPARAM lastWParam;
    LPARAM lastLParam;
    WPARAM copyWParam;  // second copy, written at the same time
    LPARAM copyLParam;
};

void WindowInit();
void WindowEnd();
ObjectRegistry* WindowRegistry();
WindowMessageState* WindowMessageStateGet();

// Logical units of 1/96 inch. Result: 0 on failure, the window handle for a static number,
// the automatic number for kAutoNumber. Reopening a number closes the old window first.
int64_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height, const wchar_t* title,
                   uint32_t flags, HWND parent = nullptr);
int64_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height, const wchar_t* title);
HWND WindowHandle(ObjectNumber number);
void WindowClose(ObjectNumber number);  // kAutoNumber closes every window
// "WindowClass_" and the number in decimal: the class registered for each window.
constexpr int kWindowClassNameSize = 40;
void WindowClassName(ObjectNumber number, wchar_t (&name)[kWindowClassNameSize]);
ObjectNumber WindowNumberOf(HWND window);  // -1 for a window that is not a runtime window
WindowRecord* WindowRecordOf(HWND window);
void WindowAcceleratorsFree(WindowRecord* record);  // the Tab accelerators, entries and table
// Extra frame width of a sizable captioned window under desktop composition: 5 or 0.
int32_t DwmFrameExtra();

// Gadget binding.
int64_t GadgetAttach(ObjectNumber number, GadgetObject* record, HWND control, const GadgetOps* ops);
GadgetObject* GadgetFromHandle(HWND control);
HWND GadgetWindowOf(HWND control);
void GadgetEventPost(HWND control, int64_t type);
void GadgetUnbind(ObjectNumber number, BindingCallback callback, int64_t type);
LRESULT CALLBACK GadgetSubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
