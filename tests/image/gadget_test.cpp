// The gadget list: which window new gadgets go into, saved per window and cleared when that
// window goes; freeing gadgets by number.
#include "tests/image/image_fixture.h"

#include "runtime/image/image_gadget.h"

namespace {

using GadgetListTest = ImageFacilityTest;

TEST_F(GadgetListTest, DefaultFontIsTheMessageFont) {
    HFONT font = GadgetStateGet()->defaultFont;
    EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    EXPECT_NE(font, ::GetStockObject(DEFAULT_GUI_FONT));
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = 500;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
    LOGFONTW described = {};
    ASSERT_TRUE(::GetObjectW(font, sizeof(described), &described));
    EXPECT_STREQ(described.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(described.lfHeight, metrics.lfMessageFont.lfHeight);
}

TEST_F(GadgetListTest, NullQueriesAndSwitchingBetweenWindows) {
    HWND first = OpenWindow();
    HWND second = OpenWindow();
    GadgetParentSet(first);
    EXPECT_EQ(GadgetParentSet(nullptr), first);
    EXPECT_EQ(GadgetParentSet(nullptr), first);
    EXPECT_EQ(GadgetStateGet()->parent, first);
    EXPECT_EQ(::GetWindowLongPtrW(first, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(GadgetStackProc));

    EXPECT_EQ(GadgetParentSet(second), first);
    EXPECT_EQ(GadgetStateGet()->parent, second);
    EXPECT_EQ(GadgetParentSet(first), second);
    EXPECT_EQ(GadgetParentSet(nullptr), first);
    EXPECT_NE(GadgetStateGet()->containerStack, nullptr);
    EXPECT_EQ(GadgetStateGet()->stackCapacity, 10);

    // The subclassed window still reaches its own procedure.
    EXPECT_TRUE(::SetWindowTextW(first, L"renamed"));
    wchar_t title[16] = {};
    ::GetWindowTextW(first, title, 16);
    EXPECT_STREQ(title, L"renamed");
}

TEST_F(GadgetListTest, DestroyingTheGadgetListWindowClearsIt) {
    HWND former = OpenWindow();
    HWND current = OpenWindow();
    GadgetParentSet(former);
    GadgetParentSet(current);

    ::DestroyWindow(former);  // not the gadget list: nothing changes
    EXPECT_EQ(GadgetParentSet(nullptr), current);

    ::DestroyWindow(current);
    EXPECT_EQ(GadgetParentSet(nullptr), nullptr);
    EXPECT_EQ(GadgetStateGet()->parent, nullptr);

    // A new window after that starts a fresh list.
    HWND next = OpenWindow();
    EXPECT_EQ(GadgetParentSet(next), nullptr);
    EXPECT_EQ(GadgetParentSet(nullptr), next);
}

TEST_F(GadgetListTest, FreeingGadgetsByNumber) {
    HWND window = OpenWindow();
    GadgetParentSet(window);
    ASSERT_NE(ImageCreate(0, 32, 32), 0);
    HANDLE image = ImageHandle(0);
    auto zero = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 32, 32, image));
    auto three = reinterpret_cast<HWND>(ImageGadgetCreate(3, 40, 0, 32, 32, image));
    int64_t automatic = ImageGadgetCreate(kAutoNumber, 80, 0, 32, 32, image);
    ASSERT_TRUE(::IsWindow(zero));
    ASSERT_TRUE(::IsWindow(three));
    ASSERT_NE(automatic, 0);
    auto* automaticRecord = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), automatic));
    ASSERT_NE(automaticRecord, nullptr);
    HWND automaticControl = automaticRecord->window;
    EXPECT_EQ(::GetParent(zero), window);

    GadgetFree(42);  // no gadget: nothing happens
    GadgetFree(3);
    EXPECT_FALSE(::IsWindow(three));
    EXPECT_EQ(RegistryFind(GadgetRegistry(), 3), nullptr);
    EXPECT_TRUE(::IsWindow(zero));

    GadgetFree(kAutoNumber);
    EXPECT_FALSE(::IsWindow(zero));
    EXPECT_FALSE(::IsWindow(automaticControl));
    EXPECT_EQ(RegistryFind(GadgetRegistry(), 0), nullptr);
    EXPECT_EQ(ImageHandle(0), image);  // a gadget does not own its image
}

TEST_F(GadgetListTest, WindowDestructionEndsItsGadgets) {
    HWND window = OpenWindow();
    GadgetParentSet(window);
    auto control = reinterpret_cast<HWND>(ImageGadgetCreate(5, 0, 0, 20, 20, nullptr));
    ASSERT_TRUE(::IsWindow(control));
    ::DestroyWindow(window);
    EXPECT_FALSE(::IsWindow(control));
    EXPECT_EQ(RegistryFind(GadgetRegistry(), 5), nullptr);
    // Without a gadget list there is nowhere to put a gadget.
    EXPECT_EQ(ImageGadgetCreate(5, 0, 0, 20, 20, nullptr), 0);
}

}  // namespace
