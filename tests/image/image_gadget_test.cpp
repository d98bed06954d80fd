// The image gadget on real STATIC controls: its size, its replacement under the same number, the
// pixels it shows, and the events its mouse handling posts.
#include "tests/image/image_fixture.h"

#include <vector>

#include "runtime/image/image_gadget.h"
#include "runtime/window/window.h"

namespace {

class ImageGadgetTest : public ImageFacilityTest {
protected:
    void SetUp() override {
        ImageFacilityTest::SetUp();
        window_ = OpenWindow();
        GadgetParentSet(window_);
    }

    static SIZE WindowSize(HWND window) {
        RECT area = {};
        ::GetWindowRect(window, &area);
        return {area.right - area.left, area.bottom - area.top};
    }

    // A picture with no two neighbouring pixels alike, drawn through a pass.
    static HANDLE PatternImage(ObjectNumber number, int32_t side) {
        if (!ImageCreate(number, side, side) || !DrawingBegin(ImageDrawTarget(number))) {
            return nullptr;
        }
        for (int32_t x = 0; x < side; ++x) {
            for (int32_t y = 0; y < side; ++y) {
                DrawingPlot(x, y, static_cast<uint32_t>(ColourRgb(x & 0xFF, y & 0xFF, (x * 7 + y * 13) & 0xFF)));
            }
        }
        DrawingEnd();
        return ImageHandle(number);
    }

    // Counts the pixels of a side-by-side area that differ between two 24-bit bottom-up sections.
    static int CountDifferences(const uint8_t* expected, const uint8_t* actual, int32_t side) {
        int differences = 0;
        int32_t pitch = RowPitch(side, 24);
        for (int32_t row = 0; row < side; ++row) {
            for (int32_t x = 0; x < side * 3; ++x) {
                differences += expected[row * pitch + x] != actual[row * pitch + x];
            }
        }
        return differences;
    }

    HWND window_ = nullptr;
};

std::vector<std::pair<char, HWND>>* gOrder = nullptr;

LRESULT CALLBACK recordOrder(int code, WPARAM wParam, LPARAM lParam) {
    if (gOrder && code == HCBT_CREATEWND) {
        gOrder->emplace_back('c', reinterpret_cast<HWND>(wParam));
    } else if (gOrder && code == HCBT_DESTROYWND) {
        gOrder->emplace_back('d', reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ImageGadgetTest, ControlTakesTheImageSize) {
    ASSERT_NE(ImageCreate(0, 512, 512), 0);
    auto plain = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 100, 100, ImageHandle(0)));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(WindowSize(plain).cx, 512);
    EXPECT_EQ(WindowSize(plain).cy, 512);

    auto sunken = reinterpret_cast<HWND>(ImageGadgetCreate(1, 0, 0, 100, 100, ImageHandle(0), 0x200));
    ASSERT_NE(sunken, nullptr);
    EXPECT_EQ(WindowSize(sunken).cx, 516);
    EXPECT_EQ(WindowSize(sunken).cy, 516);
    EXPECT_TRUE(::GetWindowLongPtrW(sunken, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    auto raised = reinterpret_cast<HWND>(ImageGadgetCreate(2, 10, 20, 100, 100, ImageHandle(0), 1));
    ASSERT_NE(raised, nullptr);
    EXPECT_EQ(WindowSize(raised).cx, 516);
    EXPECT_EQ((::GetWindowLongPtrW(raised, GWL_STYLE) & WS_DLGFRAME), WS_DLGFRAME);

    // No image: the given size stays, and the control is where it was asked to be.
    auto empty = reinterpret_cast<HWND>(ImageGadgetCreate(3, 30, 40, 100, 60, nullptr));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(WindowSize(empty).cx, 100);
    EXPECT_EQ(WindowSize(empty).cy, 60);
    RECT area = {};
    ::GetWindowRect(empty, &area);
    POINT corner = {area.left, area.top};
    ::ScreenToClient(window_, &corner);
    EXPECT_EQ(corner.x, 30);
    EXPECT_EQ(corner.y, 40);
    EXPECT_EQ(::SendMessageW(empty, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    // The kind table answers for the gadget.
    GadgetObject* gadget = GadgetFromHandle(plain);
    ASSERT_NE(gadget, nullptr);
    EXPECT_EQ(gadget->kind->kind, 9);
    EXPECT_EQ(gadget->kind->getState(gadget), reinterpret_cast<LRESULT>(ImageHandle(0)));
    int32_t width = 0;
    int32_t height = 0;
    gadget->kind->requiredSize(gadget, &width, &height);
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 512);
}

TEST_F(ImageGadgetTest, RecreatingGadgetZeroReplacesItAfterTheNewControlExists) {
    ASSERT_NE(ImageCreate(0, 64, 64), 0);
    auto first = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 64, 64, ImageHandle(0)));
    ASSERT_NE(first, nullptr);

    std::vector<std::pair<char, HWND>> order;
    gOrder = &order;
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, recordOrder, nullptr, ::GetCurrentThreadId());
    auto second = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 64, 64, ImageHandle(0)));
    ::UnhookWindowsHookEx(hook);
    gOrder = nullptr;

    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(GadgetFromHandle(second), RegistryFind(GadgetRegistry(), 0));
    int withIdZero = 0;
    for (HWND child = ::GetWindow(window_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        withIdZero += ::GetWindowLongPtrW(child, GWLP_ID) == 0;
    }
    EXPECT_EQ(withIdZero, 1);

    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], std::make_pair('c', second));
    EXPECT_EQ(order[1], std::make_pair('d', first));
}

TEST_F(ImageGadgetTest, ShowsTheSectionPixelsExactly) {
    constexpr int32_t kSide = 256;
    HANDLE image = PatternImage(0, kSide);
    ASSERT_NE(image, nullptr);
    auto control = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, kSide, kSide, image));
    ASSERT_NE(control, nullptr);
    PumpMessages();

    // The copy the control paints on request.
    ASSERT_NE(ImageCreate(1, kSide, kSide), 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, ImageHandle(1));
    ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    EXPECT_EQ(CountDifferences(PixelsOf(image), PixelsOf(ImageHandle(1)), kSide), 0);

    // What is on the screen.
    ASSERT_NE(ImageCreate(2, kSide, kSide, 24, 0xFFFFFF), 0);
    ::SelectObject(dc, ImageHandle(2));
    ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC screen = ::GetDC(control);
    ::BitBlt(dc, 0, 0, kSide, kSide, screen, 0, 0, SRCCOPY);
    ::ReleaseDC(control, screen);
    ::GdiFlush();
    EXPECT_EQ(CountDifferences(PixelsOf(image), PixelsOf(ImageHandle(2)), kSide), 0);
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
}

TEST_F(ImageGadgetTest, AlphaImagesGetAPremultipliedCopy) {
    ASSERT_NE(ImageCreate(0, 8, 8, 32, 0x0000FF), 0);  // opaque red
    auto control = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 8, 8, ImageHandle(0)));
    ASSERT_NE(control, nullptr);
    GadgetObject* gadget = GadgetFromHandle(control);
    ASSERT_NE(gadget, nullptr);
    ASSERT_TRUE(AlphaImageCheck(ImageHandle(0)));
    HBITMAP copy = gadget->alphaCopy;
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(static_cast<HANDLE>(copy), ImageHandle(0));

    // Painted through the blend, opaque red stays red.
    ASSERT_NE(ImageCreate(1, 8, 8, 24, 0xFFFFFF), 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, ImageHandle(1));
    ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    const uint8_t* shown = PixelsOf(ImageHandle(1));
    EXPECT_EQ(shown[0], 0x00);
    EXPECT_EQ(shown[1], 0x00);
    EXPECT_EQ(shown[2], 0xFF);
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);

    // A 24-bit image needs no copy; the old copy is deleted, and so is a copy at destruction.
    ASSERT_NE(ImageCreate(2, 8, 8), 0);
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(ImageHandle(2)));
    EXPECT_EQ(gadget->alphaCopy, nullptr);
    EXPECT_EQ(::GetObjectType(copy), 0u);
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(ImageHandle(0)));
    copy = gadget->alphaCopy;
    ASSERT_NE(copy, nullptr);
    GadgetFree(0);
    EXPECT_EQ(::GetObjectType(copy), 0u);
    EXPECT_NE(::GetObjectType(ImageHandle(0)), 0u);
}

TEST_F(ImageGadgetTest, PremultipliedCopyScalesByAlpha) {
    ASSERT_NE(ImageCreate(0, 2, 1, 32, static_cast<uint32_t>(-1)), 0);
    auto* pixels = reinterpret_cast<uint32_t*>(PixelsOf(ImageHandle(0)));
    pixels[0] = 0x80FF4020;  // alpha 0x80, red 0xFF, green 0x40, blue 0x20
    pixels[1] = 0xFF102030;  // opaque: left as it is
    HBITMAP copy = AlphaImageCopy(ImageHandle(0), nullptr, false);
    ASSERT_NE(copy, nullptr);
    const auto* copied = reinterpret_cast<const uint32_t*>(PixelsOf(copy));
    EXPECT_EQ(copied[0], 0x807F2010u);
    EXPECT_EQ(copied[1], 0xFF102030u);
    ::DeleteObject(copy);

    // Grey: lum = (3 * 0xFF + 6 * 0x40 + 0x20) / 10 = 118, in the middle band, then 118 * 128 / 255.
    copy = AlphaImageCopy(ImageHandle(0), nullptr, true);
    ASSERT_NE(copy, nullptr);
    copied = reinterpret_cast<const uint32_t*>(PixelsOf(copy));
    EXPECT_EQ(copied[0], 0x803B3B3Bu);
    ::DeleteObject(copy);
}

TEST_F(ImageGadgetTest, AlphaCheckOfDeviceBitmapsAndWithoutAlphaBlend) {
    uint32_t opaque[4] = {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF};
    uint32_t bare[4] = {0x000000FF, 0x000000FF, 0x000000FF, 0x000000FF};
    HBITMAP withAlpha = ::CreateBitmap(2, 2, 1, 32, opaque);
    HBITMAP withoutAlpha = ::CreateBitmap(2, 2, 1, 32, bare);
    EXPECT_TRUE(AlphaImageCheck(withAlpha));
    EXPECT_FALSE(AlphaImageCheck(withoutAlpha));
    ASSERT_NE(ImageCreate(0, 8, 8), 0);
    EXPECT_FALSE(AlphaImageCheck(ImageHandle(0)));  // 24-bit section
    EXPECT_FALSE(AlphaImageCheck(nullptr));

    // Without AlphaBlend a 32-bit image is painted as it is, with no copy.
    AlphaSupportEnd();
    ASSERT_NE(ImageCreate(1, 8, 8, 32, 0x00FF00), 0);
    EXPECT_FALSE(AlphaImageCheck(ImageHandle(1)));
    EXPECT_EQ(AlphaImageCopy(ImageHandle(1), nullptr, false), nullptr);
    auto control = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 8, 8, ImageHandle(1)));
    AlphaSupportInit();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GadgetFromHandle(control)->alphaCopy, nullptr);
    ASSERT_NE(ImageCreate(2, 8, 8), 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, ImageHandle(2));
    ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    EXPECT_EQ(PixelsOf(ImageHandle(2))[1], 0xFF);  // green
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    ::DeleteObject(withAlpha);
    ::DeleteObject(withoutAlpha);
}

// The program's import of CreateDIBSection, swapped to fail as a system out of memory would.
extern "C" void* __imp_CreateDIBSection;
HBITMAP WINAPI refuseSection(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD) { return nullptr; }

void* swapImport(void** slot, void* with) {
    DWORD protection = 0;
    ::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
    void* previous = *slot;
    *slot = with;
    ::VirtualProtect(slot, sizeof(void*), protection, &protection);
    return previous;
}

TEST_F(ImageGadgetTest, AlphaImageWithoutItsCopyIsPaintedAsItIs) {
    ASSERT_NE(ImageCreate(0, 8, 8, 24, 0x0000FF), 0);  // red
    ASSERT_NE(ImageCreate(1, 8, 8, 32, 0x00FF00), 0);  // opaque green
    auto control = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 8, 8, ImageHandle(0)));
    ASSERT_NE(control, nullptr);
    PumpMessages();
    auto shownColour = [control] {
        HDC screen = ::GetDC(control);
        const COLORREF colour = ::GetPixel(screen, 4, 4);
        ::ReleaseDC(control, screen);
        return colour;
    };
    EXPECT_EQ(shownColour(), RGB(255, 0, 0));

    void* createSection = swapImport(&__imp_CreateDIBSection, reinterpret_cast<void*>(refuseSection));
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(ImageHandle(1)));
    swapImport(&__imp_CreateDIBSection, createSection);
    EXPECT_EQ(GadgetFromHandle(control)->alphaCopy, nullptr);
    PumpMessages();
    EXPECT_EQ(shownColour(), RGB(0, 255, 0)) << "the previous picture is still shown";
}

TEST_F(ImageGadgetTest, RightDoubleClickAndDragEvents) {
    auto control = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 200, 200, nullptr));
    ASSERT_NE(control, nullptr);
    TakeEvents();

    ::SendMessageW(control, WM_RBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    ::SendMessageW(control, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    ::SendMessageW(control, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));  // a plain right click
    ::SendMessageW(control, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    using Events = std::vector<std::pair<int32_t, int64_t>>;
    EXPECT_EQ(TakeEvents(), (Events{{kEventGadgetAction, 3}, {kEventGadgetAction, 1}, {kEventGadgetAction, 2}}));

    int dragX = ::GetSystemMetrics(SM_CXDRAG);
    int dragY = ::GetSystemMetrics(SM_CYDRAG);
    ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    EXPECT_EQ(::GetCapture(), control);
    ::SendMessageW(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50 + dragX, 50 - dragY));
    EXPECT_TRUE(TakeEvents().empty());
    ::SendMessageW(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50 - dragX - 1, 50));
    ::SendMessageW(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50 - dragX - 5, 50));
    ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(50 - dragX - 5, 50));
    EXPECT_EQ(TakeEvents(), (Events{{kEventGadgetAction, 14002}}));
    EXPECT_EQ(::GetCapture(), nullptr);

    // Press and release without moving: no drag, capture given back.
    ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ImageGadgetTest, AutomaticNumberAndFailedCreation) {
    int64_t automatic = ImageGadgetCreate(kAutoNumber, 0, 0, 20, 20, nullptr);
    ASSERT_NE(automatic, 0);
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), automatic));
    ASSERT_NE(gadget, nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(gadget->window, GWLP_ID), static_cast<LONG_PTR>(automatic));
    EXPECT_EQ(GadgetFromHandle(gadget->window), gadget);

    // A failed control leaves an existing gadget under the number alone.
    auto kept = reinterpret_cast<HWND>(ImageGadgetCreate(4, 0, 0, 20, 20, nullptr));
    ASSERT_NE(kept, nullptr);
    HWND saved = GadgetStateGet()->parent;
    GadgetStateGet()->parent = reinterpret_cast<HWND>(static_cast<intptr_t>(0x7FFF0001));  // no such window
    EXPECT_EQ(ImageGadgetCreate(4, 0, 0, 20, 20, nullptr), 0);
    GadgetStateGet()->parent = saved;
    EXPECT_TRUE(::IsWindow(kept));
    EXPECT_EQ(GadgetFromHandle(kept), RegistryFind(GadgetRegistry(), 4));
}

}  // namespace
