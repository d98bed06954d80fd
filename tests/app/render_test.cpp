// The render pass in a real window: what image 0 holds afterwards, and that renders change the
// picture in place: image 0 and gadget 0 are kept, and window 0 never paints over the picture.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/controls.h"
#include "app/parameters.h"
#include "app/pattern.h"
#include "app/render.h"
#include "runtime/core/runtime.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/window/window.h"
#include "tests/message_pump.h"

namespace {

// What the thread's windows go through while pictures change, seen by hooks on the thread.
struct PictureWatch {
    HWND window = nullptr;      // window 0
    RECT picture = {};          // gadget 0's rectangle in window 0's client coordinates
    bool rendering = false;     // inside RenderPicture
    int erasesOverPicture = 0;  // WM_ERASEBKGND of window 0 whose device context reaches the picture
    int gadgetErases = 0;       // WM_ERASEBKGND of gadget 0: a new picture would not come in one blit
    int staticsCreated = 0;     // STATIC controls created
    int gadgetPaints = 0;       // WM_PAINT handled by gadget 0, sent or taken from the queue
    int paintsInsideRender = 0; // of those, painted before RenderPicture returned
};

PictureWatch* gWatch = nullptr;

bool isGadgetZero(HWND control) { return ::GetParent(control) == gWatch->window && ::GetDlgCtrlID(control) == 0; }

void notePaint(HWND control) {
    if (isGadgetZero(control)) {
        ++gWatch->gadgetPaints;
        gWatch->paintsInsideRender += gWatch->rendering ? 1 : 0;
    }
}

LRESULT CALLBACK watchSent(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (gWatch && code == HC_ACTION) {
        if (sent->hwnd == gWatch->window && sent->message == WM_ERASEBKGND &&
            ::RectVisible(reinterpret_cast<HDC>(sent->wParam), &gWatch->picture)) {
            ++gWatch->erasesOverPicture;
        } else if (sent->message == WM_ERASEBKGND && isGadgetZero(sent->hwnd)) {
            ++gWatch->gadgetErases;
        } else if (sent->message == WM_PAINT) {
            notePaint(sent->hwnd);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK watchTaken(int code, WPARAM wParam, LPARAM lParam) {
    const auto* taken = reinterpret_cast<const MSG*>(lParam);
    if (gWatch && code == HC_ACTION && wParam == PM_REMOVE && taken->message == WM_PAINT) {
        notePaint(taken->hwnd);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK watchCreated(int code, WPARAM wParam, LPARAM lParam) {
    if (gWatch && code == HCBT_CREATEWND) {
        wchar_t name[16] = {};
        ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, 16);
        gWatch->staticsCreated += ::lstrcmpiW(name, L"Static") == 0 ? 1 : 0;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// GDI objects of the process. WINE: GetGuiResources answers 0; a GDI handle there is an index
// into the process's handle table with a reuse count in its high word, which GetObjectType does
// not require, so the live indices are counted instead.
DWORD gdiObjects() {
    if (const DWORD counted = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) {
        return counted;
    }
    DWORD live = 0;
    for (uintptr_t index = 1; index <= 0xFFFF; ++index) {
        live += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0 ? 1 : 0;
    }
    return live;
}

class RenderPass : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RuntimeStart();
        ASSERT_NE(WindowOpen(0, 0, 0, 512, 512, L"Whirlway render test", 0x80000001), 0);
    }

    void SetUp() override { ParametersSetDefaults(); }

    // Colour 0x00BBGGRR of picture pixel (x, y), read from the bitmap's bottom-up rows.
    static uint32_t pixelAt(int x, int y) {
        DIBSECTION section{};
        EXPECT_EQ(::GetObjectW(ImageHandle(0), sizeof(section), &section), static_cast<int>(sizeof(section)));
        const auto* bytes = static_cast<const uint8_t*>(section.dsBm.bmBits);
        const uint8_t* pixel = bytes + (511 - y) * 1536 + 3 * x;
        return pixel[2] | (pixel[1] << 8) | (pixel[0] << 16);
    }

    static int childControlsWithId(int id) {
        int count = 0;
        for (HWND child = ::GetWindow(WindowHandle(0), GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            count += ::GetDlgCtrlID(child) == id ? 1 : 0;
        }
        return count;
    }
};

TEST_F(RenderPass, DefaultPictureHoldsThePatternsColours) {
    RenderPicture();
    EXPECT_EQ(pixelAt(256, 256), 0x00FFFF00u);
    EXPECT_EQ(pixelAt(100, 200), 0x0000FF55u);
    // Every pixel is what the pattern gives for it.
    int differing = 0;
    for (int x = 0; x < 512; x += 7) {
        for (int y = 0; y < 512; y += 5) {
            uint32_t colour = 0;
            ASSERT_TRUE(PatternPixel(gParameters, x, y, &colour));
            differing += pixelAt(x, y) != colour ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(RenderPass, BlackAndWhitePlotsOnlyTheWhitePixels) {
    gParameters.colourMode = kFlagOff;
    RenderPicture();
    EXPECT_EQ(pixelAt(256, 256), 0u) << "s = 0 is not negative: the pixel keeps the new image's black";
    EXPECT_EQ(pixelAt(100, 200), 0x00FFFFFFu);
}

TEST_F(RenderPass, RendersKeepImageZeroAndGadgetZero) {
    RenderPicture();
    HANDLE firstImage = ImageHandle(0);
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), 0));
    ASSERT_NE(gadget, nullptr);
    HWND firstControl = gadget->window;
    ASSERT_EQ(pixelAt(256, 256), 0x00FFFF00u);
    gParameters.colourMode = kFlagOff;
    RenderPicture();
    EXPECT_EQ(ImageHandle(0), firstImage) << "a picture of the same size keeps the section";
    EXPECT_EQ(pixelAt(256, 256), 0u) << "an unplotted pixel is the new image's black, not the old colour";
    EXPECT_EQ(RegistryFind(GadgetRegistry(), 0), gadget);
    EXPECT_EQ(gadget->window, firstControl) << "gadget 0 keeps its control";
    EXPECT_EQ(gadget->image, firstImage);
    EXPECT_EQ(childControlsWithId(0), 1);
    RECT client{};
    gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), 0));
    ASSERT_NE(gadget, nullptr);
    ::GetClientRect(gadget->window, &client);
    EXPECT_EQ(client.right, 512);
    EXPECT_EQ(client.bottom, 512);
}

// Each render gives the one gadget 0 its new picture, which the control paints by itself once the
// thread takes its messages; window 0 never erases the picture's place, not even when uncovered.
TEST_F(RenderPass, PicturesChangeInPlace) {
    constexpr int kRenders = 200;
    RenderPicture();
    PumpMessages();
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), 0));
    ASSERT_NE(gadget, nullptr);
    PictureWatch watch;
    watch.window = WindowHandle(0);
    ::GetWindowRect(gadget->window, &watch.picture);
    ::MapWindowPoints(nullptr, watch.window, reinterpret_cast<POINT*>(&watch.picture), 2);
    ASSERT_FALSE(::IsRectEmpty(&watch.picture));

    // The count must see a single object come and go.
    const DWORD gdiBefore = gdiObjects();
    HBRUSH probe = ::CreateSolidBrush(0x123456);
    EXPECT_EQ(gdiObjects(), gdiBefore + 1);
    ::DeleteObject(probe);
    ASSERT_EQ(gdiObjects(), gdiBefore);

    gWatch = &watch;
    const DWORD thread = ::GetCurrentThreadId();
    HHOOK sentHook = ::SetWindowsHookExW(WH_CALLWNDPROC, watchSent, nullptr, thread);
    HHOOK takenHook = ::SetWindowsHookExW(WH_GETMESSAGE, watchTaken, nullptr, thread);
    HHOOK createdHook = ::SetWindowsHookExW(WH_CBT, watchCreated, nullptr, thread);
    for (int render = 0; render < kRenders; ++render) {
        StepParameters(gParameters, Arrow::kLeft);
        watch.rendering = true;
        RenderPicture();
        watch.rendering = false;
        PumpMessages();
    }
    const int paintsOfRenders = watch.gadgetPaints;
    const int gadgetErasesOfRenders = watch.gadgetErases;
    const DWORD gdiAfter = gdiObjects();
    // As when a window over it goes away.
    ::RedrawWindow(watch.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    PumpMessages();
    ::UnhookWindowsHookEx(createdHook);
    ::UnhookWindowsHookEx(takenHook);
    ::UnhookWindowsHookEx(sentHook);
    gWatch = nullptr;

    EXPECT_EQ(watch.erasesOverPicture, 0) << "window 0 painted its background over the picture";
    EXPECT_EQ(gadgetErasesOfRenders, 0) << "gadget 0 erased before painting a new picture";
    EXPECT_EQ(watch.staticsCreated, 0) << "controls made after the first picture";
    EXPECT_EQ(paintsOfRenders, kRenders) << "paints of gadget 0 for the renders";
    EXPECT_EQ(watch.paintsInsideRender, 0) << "paints before the render returned";
    EXPECT_EQ(watch.gadgetPaints, kRenders + 1) << "the uncovered picture is painted by gadget 0";
    EXPECT_EQ(childControlsWithId(0), 1);
    EXPECT_EQ(gdiAfter, gdiBefore) << "GDI objects before and after the renders";
}

// The main loop waits for the picture's paint before its next turn: it is due after a render
// and gone once the thread's messages are handled.
TEST_F(RenderPass, PaintIsDueUntilHandled) {
    RenderPicture();
    EXPECT_TRUE(PicturePaintPending());
    PumpMessages();
    EXPECT_FALSE(PicturePaintPending());
}

TEST_F(RenderPass, CornerOriginCentresTheRingsOnTheTopLeftPixel) {
    gParameters.originCentred = kFlagOff;
    RenderPicture();
    EXPECT_EQ(pixelAt(0, 0), 0x00FFFF00u);
}

}  // namespace
