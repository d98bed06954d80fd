// The gadget facility: numbered child controls in the current parent window (the gadget list),
// the gadget registry, the default gadget font and the per-window saved gadget state.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/registry.h"

constexpr LRESULT kNotHandled = static_cast<LRESULT>(-791621423);  // 0xFFFFFFFFD0D0D0D1

struct GadgetObject;

// One table per gadget kind.
struct GadgetOps {
    int32_t kind;  // 9 for image gadgets
    // Notifications of the control reaching its parent window; kNotHandled when not handled.
    LRESULT (*notify)(GadgetObject* gadget, HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
    void (*releaseData)(GadgetObject* gadget);  // run when the control is destroyed
    LRESULT (*getState)(GadgetObject* gadget);
    LRESULT (*setState)(GadgetObject* gadget, LPARAM state);
    void (*requiredSize)(GadgetObject* gadget, int32_t* width, int32_t* height);
};

struct GadgetObject {
    HWND window;           // the control; null = no gadget under this number
    const GadgetOps* kind;
    WNDPROC previousProc;  // where the common gadget procedure passes messages on
    // The image gadget's fields.
    HANDLE image;          // bitmap or icon shown, or null
    HBITMAP alphaCopy;     // premultiplied 32-bit copy for alpha-blended display, or null
    int32_t buttonDown;    // left button pressed on the gadget, not yet released or dragged
    int32_t pressPosition; // client position of the press: x low 16 bits, y high 16 bits
};

struct GadgetState {
    HWND parent;          // window in which new gadgets are created
    HFONT defaultFont;
    HWND* containerStack;
    int32_t stackDepth;
    int32_t stackCapacity;
    HWND auxiliaryWindow;  // destroyed by GadgetEnd when set
};

void GadgetInit();
void GadgetEnd();
ObjectRegistry* GadgetRegistry();
GadgetState* GadgetStateGet();
void GadgetFree(ObjectNumber number);
// Gives the gadget a new state through its kind's set-state entry (an image gadget: the image it
// shows). False when there is no such gadget or its kind has no such entry.
bool GadgetStateSet(ObjectNumber number, LPARAM state);
HWND GadgetParentSet(HWND window);
LRESULT CALLBACK GadgetStackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
