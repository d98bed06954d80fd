// The input requester under Wine, driven with real keys: the text it returns on the temporary
// string stack, its layout and focus, and the windows it makes inert and gives back however it ends.
#include "runtime/requester/input_requester.h"

#include <string>

#include "runtime/core/runtime.h"
#include "tests/requester/requester_fixture.h"

namespace {

constexpr int kFieldId = 10;
constexpr int kOkId = 1000;

std::u16string StackText(int64_t position) { return std::u16string(TempStringAt(position)); }

class InputRequesterTest : public RequesterTest {
protected:
    // The dialog once it is in front with its controls made, or null.
    static HWND WaitForDialog(const wchar_t* title) {
        HWND dialog = person::WaitForFrontWindow(L"InputRequester", title);
        if (dialog != nullptr && !person::WaitFor([&] { return ::GetDlgItem(dialog, kOkId) != nullptr; })) {
            return nullptr;
        }
        return dialog;
    }

    // A control's rectangle in the dialog's client coordinates.
    static RECT ClientRectOf(HWND dialog, int id) {
        RECT rect;
        ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
};

TEST_F(InputRequesterTest, ReturnConfirmsTheEditedTextAfterWhatTheStackAlreadyHolds) {
    HWND front = OpenWindow(L"front", 20);
    HWND other = OpenWindow(L"other", 240);
    BringToFront(front);

    // The default text is built on the stack exactly where the result is to go.
    TempStringAppend(u"el=");
    const int64_t position = TempStringPosition();
    TempStringAppend(u"0.5 df=2");

    HWND dialog = nullptr;
    std::wstring shown;
    DWORD start = 1, end = 1;
    bool frontEnabled = true, otherEnabled = true, typed = false;
    HWND focus = nullptr, owner = nullptr, fieldWindow = nullptr;
    RECT outer = {}, label = {}, field = {}, button = {};
    wchar_t* result = nullptr;
    {
        person::Session session([&] {
            dialog = WaitForDialog(L"VALUES");
            if (dialog == nullptr) {
                person::CloseRequesters(thread_);
                return;
            }
            fieldWindow = ::GetDlgItem(dialog, kFieldId);
            shown = person::TextOf(fieldWindow);
            ::SendMessageW(fieldWindow, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                           reinterpret_cast<LPARAM>(&end));
            focus = person::FocusOf(thread_);
            owner = ::GetWindow(dialog, GW_OWNER);
            frontEnabled = ::IsWindowEnabled(front);
            otherEnabled = ::IsWindowEnabled(other);
            ::GetWindowRect(dialog, &outer);
            label = ClientRectOf(dialog, 0);
            field = ClientRectOf(dialog, kFieldId);
            button = ClientRectOf(dialog, kOkId);
            typed = person::Type(dialog, L" x") && person::Keys(dialog, L"Return") &&
                    person::WaitUntilGone(dialog, thread_);
        });
        result = InputBoxShow(L"VALUES", L"Current:", AsWide(TempStringAt(position)), position);
    }

    ASSERT_NE(dialog, nullptr) << "the dialog never came to the front";
    EXPECT_TRUE(typed);
    EXPECT_EQ(shown, L"0.5 df=2");
    EXPECT_EQ(start, 8u) << "caret after the last character";
    EXPECT_EQ(end, 8u) << "nothing selected";
    EXPECT_EQ(focus, fieldWindow) << "the field has the focus";
    EXPECT_EQ(owner, front);
    EXPECT_FALSE(frontEnabled);
    EXPECT_FALSE(otherEnabled);

    EXPECT_EQ(outer.right - outer.left, 300);
    EXPECT_EQ(outer.bottom - outer.top, 130);
    EXPECT_EQ(outer.left, ::GetSystemMetrics(SM_CXSCREEN) / 2 - 150);
    EXPECT_EQ(outer.top, ::GetSystemMetrics(SM_CYSCREEN) / 2 - 65);
    EXPECT_EQ(label.left, 10);
    EXPECT_EQ(label.top, 10);
    EXPECT_EQ(label.right - label.left, 280);
    EXPECT_EQ(field.left, 10);
    EXPECT_EQ(field.top, 32);
    EXPECT_EQ(field.right - field.left, 275);
    EXPECT_EQ(field.bottom - field.top, 21);
    EXPECT_EQ(button.left, 110);
    EXPECT_EQ(button.top, 67);
    EXPECT_EQ(button.right - button.left, 80);
    EXPECT_EQ(button.bottom - button.top, 25);

    ASSERT_NE(result, nullptr);
    EXPECT_EQ(std::wstring(result), L"0.5 df=2 x");
    EXPECT_EQ(StackText(0), u"el=0.5 df=2 x");
    EXPECT_EQ(TempStringPosition(), position + 2 * 10);
    EXPECT_TRUE(::IsWindowEnabled(front));
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_EQ(RequesterWindowRecords(), nullptr);
}

}  // namespace
