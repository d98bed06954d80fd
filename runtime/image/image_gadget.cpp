// The image gadget: creation of the STATIC control, its window procedure (set image, paint, mouse
// events) and its gadget-kind table. Relies on the gadget facility and registry, the gadget binding
// of window creation, the display scale and the alpha support.
#include "runtime/image/image_gadget.h"

#include <windowsx.h>

#include <cstdlib>

#include "runtime/image/alpha_support.h"
#include "runtime/image/display_scale.h"
#include "runtime/image/gadget.h"
#include "runtime/window/window.h"

namespace {

constexpr int32_t kBorderExtra = 4;  // the client edge or dialog frame adds 2 pixels each side

GadgetOps gImageGadgetOps = {};   // the kind's table, built by the first ImageGadgetCreate
bool gOpsReady = false;
int32_t gDragX = 0;               // SM_CXDRAG, read with the table
int32_t gDragY = 0;               // SM_CYDRAG
WNDPROC gStaticProc = nullptr;    // the STATIC class procedure every image gadget passes on to
bool gRightDoubleClickMark = false;  // swallows the release that follows a right double click

void releaseData(GadgetObject* gadget) {
    if (gadget->alphaCopy) {
        ::DeleteObject(gadget->alphaCopy);
        gadget->alphaCopy = nullptr;
    }
}

LRESULT getState(GadgetObject* gadget) { return ::SendMessageW(gadget->window, STM_GETIMAGE, IMAGE_BITMAP, 0); }

LRESULT setState(GadgetObject* gadget, LPARAM state) {
    return ::SendMessageW(gadget->window, STM_SETIMAGE, IMAGE_BITMAP, state);
}

void requiredSize(GadgetObject* gadget, int32_t* width, int32_t* height) {
    RECT area = {};
    ::GetWindowRect(gadget->window, &area);
    *width = area.right - area.left;
    *height = area.bottom - area.top;
}

void buildOps() {
    gImageGadgetOps.kind = kImageGadgetKind;
    gImageGadgetOps.notify = nullptr;
    gImageGadgetOps.releaseData = releaseData;
    gImageGadgetOps.getState = getState;
    gImageGadgetOps.setState = setState;
    gImageGadgetOps.requiredSize = requiredSize;
    gDragX = ::GetSystemMetrics(SM_CXDRAG);
    gDragY = ::GetSystemMetrics(SM_CYDRAG);
    gOpsReady = true;
}

LRESULT passOn(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gStaticProc) {
        return ::CallWindowProcW(gStaticProc, control, message, wParam, lParam);
    }
    return ::DefWindowProcW(control, message, wParam, lParam);
}

bool hasBorder(HWND control) {
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    LONG_PTR extended = ::GetWindowLongPtrW(control, GWL_EXSTYLE);
    return (style & WS_DLGFRAME) == WS_DLGFRAME || (extended & WS_EX_CLIENTEDGE);
}

// Only an opaque bitmap covers its whole rectangle; anything else lets the parent show through.
void redrawParentBehind(HWND control, GadgetObject* gadget) {
    if (gadget->image && ::GetObjectType(gadget->image) == OBJ_BITMAP && !gadget->alphaCopy) {
        return;
    }
    HWND parent = GadgetWindowOf(control);
    if (!parent || parent == control) {
        return;
    }
    RECT area = {};
    ::GetWindowRect(control, &area);
    POINT corners[2] = {{area.left, area.top}, {area.right, area.bottom}};
    ::ScreenToClient(parent, &corners[0]);
    ::ScreenToClient(parent, &corners[1]);
    RECT behind = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    ::RedrawWindow(parent, &behind, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// False for a handle that is neither a live bitmap nor an icon.
bool imageSize(HANDLE image, int32_t* width, int32_t* height) {
    if (::GetObjectType(image) == OBJ_BITMAP) {
        BITMAP described = {};
        if (!::GetObjectW(image, sizeof(described), &described)) {
            return false;
        }
        *width = described.bmWidth;
        *height = described.bmHeight;
        return true;
    }
    ICONINFO icon = {};
    if (!::GetIconInfo(static_cast<HICON>(image), &icon)) {
        return false;
    }
    BITMAP described = {};
    bool found = false;
    if (icon.hbmColor && ::GetObjectW(icon.hbmColor, sizeof(described), &described)) {
        *width = described.bmWidth;
        *height = described.bmHeight;
        found = true;
    } else if (icon.hbmMask && ::GetObjectW(icon.hbmMask, sizeof(described), &described)) {
        // A monochrome icon keeps its AND and XOR masks stacked in one bitmap.
        *width = described.bmWidth;
        *height = described.bmHeight / 2;
        found = true;
    }
    if (icon.hbmColor) {
        ::DeleteObject(icon.hbmColor);
    }
    if (icon.hbmMask) {
        ::DeleteObject(icon.hbmMask);
    }
    return found;
}

LRESULT setImage(HWND control, GadgetObject* gadget, HANDLE image) {
    releaseData(gadget);
    gadget->image = image;
    if (image && AlphaImageCheck(image)) {
        gadget->alphaCopy = AlphaImageCopy(image, nullptr, false);
    }
    // Decided by what paint will draw: without its copy an alpha image is drawn as it is.
    const bool blended = gadget->alphaCopy != nullptr;
    redrawParentBehind(control, gadget);
    int32_t width = 0;
    int32_t height = 0;
    if (image && imageSize(image, &width, &height)) {
        if (hasBorder(control)) {
            width += kBorderExtra;
            height += kBorderExtra;
        }
        // A control already of that size is left alone: the call would only cost window-server trips.
        RECT area = {};
        ::GetWindowRect(control, &area);
        if (area.right - area.left != width || area.bottom - area.top != height) {
            ::SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        }
    }
    // A cleared image must disappear too, so the control repaints whenever it is not blended. It
    // repaints when the thread next takes its messages, not here: a caller that shows picture after
    // picture is paced by those paints. A bitmap covers the whole control, so its paint is one blit
    // with no erase before it.
    if (!blended) {
        const bool covers = image && ::GetObjectType(image) == OBJ_BITMAP;
        ::InvalidateRect(control, nullptr, covers ? FALSE : TRUE);
    }
    return reinterpret_cast<LRESULT>(image);
}

void paint(HWND control, GadgetObject* gadget, HDC dc) {
    if (!gadget->image) {
        return;
    }
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    int32_t position = (style & WS_DLGFRAME) == WS_DLGFRAME ? -1 : 0;
    if (gadget->alphaCopy) {
        AlphaImageDraw(dc, position, position, 0, 0, gadget->alphaCopy, nullptr, 255);
        return;
    }
    UINT type = ::GetObjectType(gadget->image) == OBJ_BITMAP ? DST_BITMAP : DST_ICON;
    // NOTE: DrawStateW fails quietly on a handle deleted in the meantime, so a stale image draws nothing.
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(gadget->image), 0, position, position, 0, 0, type);
}

LRESULT paintMessage(HWND control, GadgetObject* gadget) {
    PAINTSTRUCT painting = {};
    HDC dc = ::BeginPaint(control, &painting);
    if (dc) {
        paint(control, gadget, dc);
    }
    ::EndPaint(control, &painting);
    return 0;
}

void buttonDown(HWND control, GadgetObject* gadget, LPARAM lParam) {
    gadget->buttonDown = 1;
    gadget->pressPosition = static_cast<int32_t>(lParam);
    ::SetCapture(control);
}

void buttonUp(GadgetObject* gadget) {
    if (gadget->buttonDown) {
        gadget->buttonDown = 0;
        ::ReleaseCapture();
    }
}

void mouseMove(HWND control, GadgetObject* gadget, LPARAM lParam) {
    if (!gadget->buttonDown) {
        return;
    }
    int32_t movedX = GET_X_LPARAM(lParam) - static_cast<int16_t>(gadget->pressPosition & 0xFFFF);
    int32_t movedY = GET_Y_LPARAM(lParam) - static_cast<int16_t>((gadget->pressPosition >> 16) & 0xFFFF);
    if (std::abs(movedX) > gDragX || std::abs(movedY) > gDragY) {
        gadget->buttonDown = 0;
        ::ReleaseCapture();
        GadgetEventPost(control, kGadgetEventDragStart);
    }
}

void rightButtonUp(HWND control) {
    if (gRightDoubleClickMark) {
        gRightDoubleClickMark = false;
    } else {
        GadgetEventPost(control, kGadgetEventRightClick);
    }
}

}  // namespace

int64_t ImageGadgetCreate(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height, HANDLE image,
                          uint32_t flags) {
    if (!gOpsReady) {
        buildOps();
    }
    DWORD style = WS_CHILD | WS_VISIBLE | SS_NOTIFY;
    DWORD extendedStyle = 0;
    if (flags & kGadgetBorderSunken) {
        extendedStyle = WS_EX_CLIENTEDGE;
    } else if (flags & kGadgetBorderRaised) {
        style |= WS_DLGFRAME;
    }
    ScaleRect(&x, &y, &width, &height);
    GadgetState* state = GadgetStateGet();
    ObjectRegistry* gadgets = GadgetRegistry();
    if (!state || !gadgets) {
        return 0;
    }
    HWND control = ::CreateWindowExW(extendedStyle, L"STATIC", nullptr, style, x, y, width, height, state->parent,
                                     reinterpret_cast<HMENU>(static_cast<intptr_t>(-1)), ::GetModuleHandleW(nullptr),
                                     nullptr);
    if (!control) {
        return 0;
    }
    auto replaced = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ImageGadgetProc)));
    if (!gStaticProc) {
        gStaticProc = replaced;
    }
    // Claiming frees an existing gadget under the number; the new control already exists by now.
    auto* gadget = static_cast<GadgetObject*>(RegistryClaim(gadgets, number));
    if (!gadget) {
        ::DestroyWindow(control);
        return 0;
    }
    int64_t result = GadgetAttach(number, gadget, control, &gImageGadgetOps);
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
    return result;
}

LRESULT CALLBACK ImageGadgetProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    GadgetObject* gadget = GadgetFromHandle(control);
    if (!gadget) {
        return passOn(control, message, wParam, lParam);
    }
    switch (message) {
        case STM_SETIMAGE:
        case STM_SETICON: {
            return setImage(control, gadget, reinterpret_cast<HANDLE>(message == STM_SETICON ? wParam : lParam));
        }
        case STM_GETIMAGE:
        case STM_GETICON: {
            return reinterpret_cast<LRESULT>(gadget->image);
        }
        case WM_PAINT: {
            return paintMessage(control, gadget);
        }
        case WM_PRINT:
        case WM_PRINTCLIENT: {
            paint(control, gadget, reinterpret_cast<HDC>(wParam));
            return 0;
        }
        case WM_ENABLE: {
            ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return 0;
        }
        case WM_MOVE: {
            redrawParentBehind(control, gadget);
            return passOn(control, message, wParam, lParam);
        }
        case WM_LBUTTONDOWN: {
            buttonDown(control, gadget, lParam);
            return passOn(control, message, wParam, lParam);
        }
        case WM_LBUTTONUP: {
            buttonUp(gadget);
            return passOn(control, message, wParam, lParam);
        }
        case WM_MOUSEMOVE: {
            mouseMove(control, gadget, lParam);
            return passOn(control, message, wParam, lParam);
        }
        case WM_LBUTTONDBLCLK: {
            GadgetEventPost(control, kGadgetEventLeftDoubleClick);
            return 0;
        }
        case WM_RBUTTONUP: {
            rightButtonUp(control);
            return 0;
        }
        case WM_RBUTTONDBLCLK: {
            GadgetEventPost(control, kGadgetEventRightDoubleClick);
            gRightDoubleClickMark = true;
            return 0;
        }
        default: {
            return passOn(control, message, wParam, lParam);
        }
    }
}
