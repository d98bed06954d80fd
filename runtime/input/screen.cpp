// The windowed screen: one STATIC child window with an OpenGL context over WGL, the subclassing of
// the child and of its parent window, and the registry of texture objects. OpenGL and GLU are the
// screen's own library, loaded from the system folder at the first open. Relies on the registry
// and the runtime heap; the keyboard reads the parent window from here.
#include "runtime/input/screen.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/system_library.h"

namespace {

constexpr GLenum kTextureRectangle = 0x84F5;  // GL_TEXTURE_RECTANGLE_ARB
constexpr int32_t kDepthBits = 32;
constexpr int32_t kTextureGrowthStep = 64;
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;  // 0x56000000
constexpr UINT kResizeFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;  // 0x216
constexpr const wchar_t* kSubclassedProperty = L"tw_openglsize";
// The procedure each parent had before ScreenParentProc, kept per window: surfaces opened in
// different windows must not hand one window's messages to another's procedure.
constexpr const wchar_t* kPreviousProcProperty = L"tw_openglproc";

using SwapIntervalProc = BOOL(WINAPI*)(int interval);

// The entry points the screen uses, taken from the system's OPENGL32.DLL and GLU32.DLL rather
// than imported: the program's folder must never supply them.
struct OpenGlLibrary {
    HMODULE openGl;  // OPENGL32.DLL, or null before the first open
    HMODULE glu;     // GLU32.DLL
    decltype(&::glClear) clear;
    decltype(&::glDeleteTextures) deleteTextures;
    decltype(&::glDepthFunc) depthFunc;
    decltype(&::glEnable) enable;
    decltype(&::glLoadIdentity) loadIdentity;
    decltype(&::glMatrixMode) matrixMode;
    decltype(&::glViewport) viewport;
    decltype(&::wglCreateContext) createContext;
    decltype(&::wglDeleteContext) deleteContext;
    decltype(&::wglGetProcAddress) getProcAddress;
    decltype(&::wglMakeCurrent) makeCurrent;
    decltype(&::gluOrtho2D) ortho2D;
};

struct ScreenState {
    HWND parentWindow;             // window of the last successful open; the keyboard's window
    HWND childWindow;              // the surface's own child window
    HDC deviceContext;             // the child's device context; null = no surface open
    HGLRC renderingContext;        // OpenGL context on deviceContext
    WNDPROC childPreviousProc;     // procedure ScreenChildProc replaced on the child
    WNDPROC parentPreviousProc;    // procedure ScreenParentProc replaced on the last parent
    HWND parentSubclassed;         // that last parent, whose procedure needs no property look-up
    int32_t x;                     // child position in the parent's client area
    int32_t y;
    int32_t logicalWidth;          // size given at open; the projection always uses it
    int32_t logicalHeight;
    int32_t depth;                 // bits per pixel recorded at open
    int32_t stretch;               // non-zero: follow the parent's client area
    int32_t rightMargin;           // pixels kept free right of a stretched surface
    int32_t bottomMargin;          // pixels kept free below a stretched surface
    int32_t syncMode;              // swap-interval mode given at open
    int32_t windowedFlag;          // 1 once any open has run; never cleared
    GLenum textureTarget;          // texture target enabled on the context
    ScreenCloseHook closeHook;     // called first by ScreenClose; empty in this program
    ScreenRawInputHook rawInputHook;  // receives WM_INPUT of the parent; empty in this program
};

ScreenState gScreen;
ObjectRegistry* gTextureRegistry = nullptr;
OpenGlLibrary gGl;

template <typename Entry>
bool takeEntry(HMODULE library, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
    return entry != nullptr;
}

void freeOpenGl() {
    if (gGl.glu != nullptr) {
        ::FreeLibrary(gGl.glu);
    }
    if (gGl.openGl != nullptr) {
        ::FreeLibrary(gGl.openGl);
    }
    gGl = {};
}

// Once, at the first open; kept until the end sequence frees it.
bool loadOpenGl() {
    if (gGl.ortho2D != nullptr) {
        return true;
    }
    gGl.openGl = SystemLibraryLoad(L"OPENGL32.DLL");
    gGl.glu = SystemLibraryLoad(L"GLU32.DLL");
    HMODULE gl = gGl.openGl;
    const bool complete = gl != nullptr && gGl.glu != nullptr && takeEntry(gl, "glClear", gGl.clear) &&
        takeEntry(gl, "glDeleteTextures", gGl.deleteTextures) && takeEntry(gl, "glDepthFunc", gGl.depthFunc) &&
        takeEntry(gl, "glEnable", gGl.enable) && takeEntry(gl, "glLoadIdentity", gGl.loadIdentity) &&
        takeEntry(gl, "glMatrixMode", gGl.matrixMode) && takeEntry(gl, "glViewport", gGl.viewport) &&
        takeEntry(gl, "wglCreateContext", gGl.createContext) && takeEntry(gl, "wglDeleteContext", gGl.deleteContext) &&
        takeEntry(gl, "wglGetProcAddress", gGl.getProcAddress) && takeEntry(gl, "wglMakeCurrent", gGl.makeCurrent) &&
        takeEntry(gGl.glu, "gluOrtho2D", gGl.ortho2D);
    if (!complete) {
        freeOpenGl();
    }
    return complete;
}

void textureRelease(ObjectNumber number) {
    if (number == kAutoNumber) {
        RegistryReleaseAll(gTextureRegistry);
        return;
    }
    auto* texture = static_cast<TextureObject*>(RegistryFind(gTextureRegistry, number));
    if (texture == nullptr) {
        return;
    }
    gGl.deleteTextures(1, &texture->name);
    if ((texture->flags & kTextureOwnsPixels) != 0) {
        RuntimeFree(texture->pixels);
        texture->pixels = nullptr;
    }
    RegistryRelease(gTextureRegistry, number);
}

void setUpGlState(int32_t width, int32_t height) {
    gScreen.logicalWidth = width;
    gScreen.logicalHeight = height;
    gGl.enable(GL_DEPTH_TEST);
    gGl.depthFunc(GL_LEQUAL);
    gGl.viewport(0, 0, width, height);
    gGl.matrixMode(GL_PROJECTION);
    gGl.loadIdentity();
    // Origin at the lower left, y upwards. With a zero size OpenGL rejects the equal bounds and
    // the matrix stays the identity, which is harmless for a surface nobody sees.
    gGl.ortho2D(0, width, 0, height);
    gGl.enable(kTextureRectangle);
    gScreen.textureTarget = kTextureRectangle;
    gGl.clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ::SwapBuffers(gScreen.deviceContext);
}

void applySwapInterval(int32_t syncMode) {
    auto swapInterval = reinterpret_cast<SwapIntervalProc>(
        reinterpret_cast<void*>(gGl.getProcAddress("wglSwapIntervalEXT")));
    if (swapInterval == nullptr) {
        return;
    }
    if (syncMode == 0) {
        swapInterval(0);
    } else if (syncMode == 1 || syncMode == 2) {
        swapInterval(1);
    }
}

bool createContext(HWND child, int32_t width, int32_t height, int32_t syncMode) {
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = 32;
    descriptor.cDepthBits = 16;
    descriptor.iLayerType = PFD_MAIN_PLANE;

    HDC dc = ::GetDC(child);
    if (dc == nullptr) {
        return false;
    }
    int format = ::ChoosePixelFormat(dc, &descriptor);
    if (format == 0 || !::SetPixelFormat(dc, format, &descriptor)) {
        ::ReleaseDC(child, dc);
        return false;
    }
    HGLRC context = gGl.createContext(dc);
    if (context == nullptr) {
        ::ReleaseDC(child, dc);
        return false;
    }
    if (!gGl.makeCurrent(dc, context)) {
        gGl.deleteContext(context);
        ::ReleaseDC(child, dc);
        return false;
    }
    gScreen.childWindow = child;
    gScreen.deviceContext = dc;
    gScreen.renderingContext = context;
    setUpGlState(width, height);
    gScreen.depth = kDepthBits;
    applySwapInterval(syncMode);
    return true;
}

void subclassParent(HWND parent) {
    // NOTE: the property marks a window already subclassed; subclassing twice would make the
    // procedure call itself for every message.
    if (::GetPropW(parent, kSubclassedProperty) != nullptr) {
        return;
    }
    auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ScreenParentProc)));
    gScreen.parentPreviousProc = previous;
    gScreen.parentSubclassed = parent;
    ::SetPropW(parent, kPreviousProcProperty, reinterpret_cast<HANDLE>(previous));
    ::SetPropW(parent, kSubclassedProperty, reinterpret_cast<HANDLE>(1));
}

// Asked for every message of the parent, so the last parent's procedure comes from the state.
// WINE: every GetPropW is a round trip to the window server.
WNDPROC parentPreviousProc(HWND parent) {
    if (parent == gScreen.parentSubclassed && gScreen.parentPreviousProc != nullptr) {
        return gScreen.parentPreviousProc;
    }
    auto previous = reinterpret_cast<WNDPROC>(::GetPropW(parent, kPreviousProcProperty));
    return previous != nullptr ? previous : gScreen.parentPreviousProc;
}

LRESULT paintChild(HWND window) {
    PAINTSTRUCT paint;
    ::BeginPaint(window, &paint);
    ::EndPaint(window, &paint);
    if (gScreen.deviceContext != nullptr) {
        ::SwapBuffers(gScreen.deviceContext);
    }
    return 0;
}

LRESULT rawInput(HWND window, WPARAM wParam, LPARAM lParam) {
    if (gScreen.rawInputHook != nullptr) {
        gScreen.rawInputHook(window, wParam, lParam);
    }
    return 0;
}

}  // namespace

int32_t ScreenInit() {
    if (gTextureRegistry == nullptr) {
        gTextureRegistry = RegistryCreate(sizeof(TextureObject), kTextureGrowthStep, &textureRelease);
    }
    return gTextureRegistry != nullptr ? 1 : 0;
}

void ScreenClose() {
    if (gScreen.closeHook != nullptr) {
        gScreen.closeHook();
    }
    ScreenTexturesEnd();
    gScreen.logicalWidth = 0;
    gScreen.logicalHeight = 0;
    if (gScreen.windowedFlag == 0) {
        // Until a windowed surface has been opened the display may still be in a mode of its own.
        ::ChangeDisplaySettingsW(nullptr, 0);
        ::ShowCursor(TRUE);
    }
    if (gScreen.deviceContext != nullptr) {
        gGl.makeCurrent(nullptr, nullptr);
        gGl.deleteContext(gScreen.renderingContext);
        gScreen.renderingContext = nullptr;
        ::ReleaseDC(gScreen.childWindow, gScreen.deviceContext);
        gScreen.deviceContext = nullptr;
        ::DestroyWindow(gScreen.childWindow);
        gScreen.childWindow = nullptr;
    }
}

void ScreenTexturesEnd() {
    if (gTextureRegistry != nullptr) {
        RegistryReleaseAll(gTextureRegistry);
    }
}

void ScreenLibraryEnd() {
    // Closing the surface has already let go of the context, which lives in the library.
    freeOpenGl();
}

int32_t ScreenOpenInWindow(HWND window, int32_t x, int32_t y, int32_t width, int32_t height) {
    return ScreenOpen(window, x, y, width, height, 0, 0, 0, 1);
}

int32_t ScreenOpenInWindow(HWND window, int32_t x, int32_t y, int32_t width, int32_t height,
                           int32_t stretch, int32_t rightMargin, int32_t bottomMargin) {
    return ScreenOpen(window, x, y, width, height, stretch, rightMargin, bottomMargin, 1);
}

int32_t ScreenOpen(HWND window, int32_t x, int32_t y, int32_t width, int32_t height, int32_t stretch,
                   int32_t rightMargin, int32_t bottomMargin, int32_t syncMode) {
    ScreenClose();
    gScreen.stretch = stretch;
    gScreen.windowedFlag = 1;
    gScreen.syncMode = syncMode;

    if (!loadOpenGl()) {
        return 0;
    }
    HWND child = ::CreateWindowExW(0, L"STATIC", L"", kChildStyle, x, y, width, height, window, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    if (child == nullptr) {
        return 0;
    }
    gScreen.childPreviousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ScreenChildProc)));
    if (!createContext(child, width, height, syncMode)) {
        // A child without a context is of no use to anyone; do not leave it behind.
        ::DestroyWindow(child);
        return 0;
    }
    gScreen.parentWindow = window;
    gScreen.x = x;
    gScreen.y = y;
    gScreen.rightMargin = rightMargin;
    gScreen.bottomMargin = bottomMargin;
    subclassParent(window);
    ScreenResize();
    return 1;
}

void ScreenResize() {
    // Only an open surface has a child to size and a current context to set up.
    if (gScreen.stretch == 0 || gScreen.deviceContext == nullptr) {
        return;
    }
    RECT client;
    ::GetClientRect(gScreen.parentWindow, &client);
    int32_t width = client.right - gScreen.rightMargin - gScreen.x;
    int32_t height = client.bottom - gScreen.bottomMargin - gScreen.y;
    ::SetWindowPos(gScreen.childWindow, nullptr, 0, 0, width, height, kResizeFlags);
    gGl.loadIdentity();
    gGl.ortho2D(0, gScreen.logicalWidth, 0, gScreen.logicalHeight);
    gGl.viewport(0, 0, width, height);
    gGl.clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void ScreenFlip() {
    if (gScreen.deviceContext != nullptr) {
        ::SwapBuffers(gScreen.deviceContext);
    }
}

HWND ScreenParentWindow() { return gScreen.parentWindow; }

int32_t ScreenLogicalWidth() { return gScreen.logicalWidth; }

int32_t ScreenLogicalHeight() { return gScreen.logicalHeight; }

ObjectRegistry* TextureRegistry() { return gTextureRegistry; }

void ScreenSetInputHooks(ScreenCloseHook closeHook, ScreenRawInputHook rawInputHook) {
    gScreen.closeHook = closeHook;
    gScreen.rawInputHook = rawInputHook;
}

LRESULT CALLBACK ScreenChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            return paintChild(window);
        }
        case WM_ERASEBKGND: {
            // The window system must never paint over the OpenGL picture.
            return 1;
        }
        default: {
            return ::CallWindowProcW(gScreen.childPreviousProc, window, message, wParam, lParam);
        }
    }
}

LRESULT CALLBACK ScreenParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            // A window that held an earlier surface stays subclassed; only the current one resizes.
            if (window == gScreen.parentWindow) {
                ScreenResize();
            }
            return ::CallWindowProcW(parentPreviousProc(window), window, message, wParam, lParam);
        }
        case WM_INPUT: {
            return rawInput(window, wParam, lParam);
        }
        default: {
            return ::CallWindowProcW(parentPreviousProc(window), window, message, wParam, lParam);
        }
    }
}
