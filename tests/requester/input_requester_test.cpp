// The input requester under Wine, driven with real keys: the text it returns on the temporary
// string stack, its layout and focus, and the windows it makes inert and gives back however it ends.
#include "runtime/requester/input_requester.h"

#include <cstring>
#include <cwchar>
#include <functional>
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

TEST_F(InputRequesterTest, TabMovesTheFocusAndEscapeCancelsFromTheButton) {
    HWND front = OpenWindow(L"front", 20);
    BringToFront(front);
    const int64_t position = TempStringPosition();

    HWND field = nullptr, button = nullptr;
    HWND focusAtStart = nullptr, focusAfterTab = nullptr, focusAfterTwoTabs = nullptr, focusAfterShiftTab = nullptr;
    bool ended = false;
    wchar_t* result = nullptr;
    {
        person::Session session([&] {
            HWND dialog = WaitForDialog(L"tabs");
            if (dialog == nullptr) {
                person::CloseRequesters(thread_);
                return;
            }
            field = ::GetDlgItem(dialog, kFieldId);
            button = ::GetDlgItem(dialog, kOkId);
            auto focusAfter = [&](const wchar_t* keys, HWND expected) {
                person::Keys(dialog, keys);
                person::WaitFor([&] { return person::FocusOf(thread_) == expected; });
                return person::FocusOf(thread_);
            };
            focusAtStart = person::FocusOf(thread_);
            focusAfterTab = focusAfter(L"Tab", button);
            focusAfterTwoTabs = focusAfter(L"Tab", field);
            focusAfterShiftTab = focusAfter(L"shift+Tab", button);
            ended = person::Keys(dialog, L"Escape") && person::WaitUntilGone(dialog, thread_);
        });
        result = InputBoxShow(L"tabs", L"Current:", L"keep me", position);
    }

    ASSERT_NE(field, nullptr) << "the dialog never came to the front";
    EXPECT_EQ(focusAtStart, field);
    EXPECT_EQ(focusAfterTab, button);
    EXPECT_EQ(focusAfterTwoTabs, field);
    EXPECT_EQ(focusAfterShiftTab, button);
    EXPECT_TRUE(ended);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(std::wstring(result), L"") << "Escape cancels";
    EXPECT_EQ(TempStringPosition(), position);
    EXPECT_TRUE(::IsWindowEnabled(front));
    EXPECT_EQ(RequesterWindowRecords(), nullptr);
}

TEST_F(InputRequesterTest, ThreeInARowConcatenateOnTheStack) {
    HWND front = OpenWindow(L"front", 20);
    BringToFront(front);

    // Each person session types into one dialog; results follow one another on the stack.
    auto ask = [&](const wchar_t* title, const wchar_t* defaultText, const std::function<bool(HWND)>& act) {
        bool acted = false;
        wchar_t* result = nullptr;
        {
            person::Session session([&] {
                HWND dialog = WaitForDialog(title);
                acted = dialog != nullptr && act(dialog) && person::WaitUntilGone(dialog, thread_);
                if (dialog == nullptr) {
                    person::CloseRequesters(thread_);
                }
            });
            result = InputBoxShow(title, L"Current:", defaultText, TempStringPosition());
        }
        EXPECT_TRUE(acted) << "in " << std::string(title, title + std::wcslen(title));
        return std::wstring(result);
    };

    EXPECT_EQ(ask(L"first", nullptr, [](HWND dialog) { return person::Type(dialog, L"one") && person::Keys(dialog, L"Return"); }),
              L"one");
    EXPECT_EQ(ask(L"second", L"dropped", [](HWND dialog) { return person::Keys(dialog, L"alt+F4"); }), L"")
        << "closing the window cancels";
    EXPECT_EQ(ask(L"third", L"xyz",
                  [](HWND dialog) {
                      return person::Keys(dialog, L"BackSpace BackSpace BackSpace") && person::Type(dialog, L"two") &&
                             person::Keys(dialog, L"Return");
                  }),
              L"two");
    EXPECT_EQ(StackText(0), u"onetwo");
    EXPECT_EQ(TempStringPosition(), 2 * 6);
    EXPECT_TRUE(::IsWindowEnabled(front));
}

TEST_F(InputRequesterTest, ConfirmingAnEmptiedFieldReturnsTheEmptyText) {
    TempStringAppend(u"kept");
    const int64_t position = TempStringPosition();
    bool acted = false;
    wchar_t* result = nullptr;
    {
        person::Session session([&] {
            HWND dialog = WaitForDialog(L"empty");
            acted = dialog != nullptr && person::Keys(dialog, L"BackSpace BackSpace BackSpace Return") &&
                    person::WaitUntilGone(dialog, thread_);
            if (dialog == nullptr) {
                person::CloseRequesters(thread_);
            }
        });
        result = InputBoxShow(L"empty", L"Current:", L"abc", position);
    }
    EXPECT_TRUE(acted);
    EXPECT_EQ(std::wstring(result), L"");
    EXPECT_EQ(StackText(0), u"kept");
    EXPECT_EQ(TempStringPosition(), position);
}

// The field's text length, as the field reports it to the requester; negative reports the truth.
LRESULT gReportedLength = -1;
WNDPROC gFieldProc = nullptr;

LRESULT CALLBACK misreportingFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXTLENGTH && gReportedLength >= 0) {
        return gReportedLength;
    }
    return ::CallWindowProcW(gFieldProc, window, message, wParam, lParam);
}

TEST_F(InputRequesterTest, LongTextComesBackWholeHoweverTheFieldReportsItsLength) {
    std::wstring text;
    for (int i = 0; i < 5000; ++i) {
        text += static_cast<wchar_t>(i % 7 == 6 ? 0x00E9 + i % 3 : (i % 5 == 4 ? 0x4E2D : L'a' + i % 26));
    }
    text += L"END";

    for (const LRESULT reported : {LRESULT{-1}, LRESULT{3}, LRESULT{0}, LRESULT{100000}}) {
        SCOPED_TRACE(reported);
        TempStringAppend(u"pre:");
        const int64_t position = TempStringPosition();
        gReportedLength = reported;
        bool acted = false;
        wchar_t* result = nullptr;
        {
            person::Session session([&] {
                HWND dialog = WaitForDialog(L"long");
                if (dialog == nullptr) {
                    person::CloseRequesters(thread_);
                    return;
                }
                HWND field = ::GetDlgItem(dialog, kFieldId);
                // Pasted or typed, the text arrives past the field's typing limit.
                ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
                gFieldProc = reinterpret_cast<WNDPROC>(
                    ::SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(misreportingFieldProc)));
                acted = person::Keys(dialog, L"Return") && person::WaitUntilGone(dialog, thread_);
            });
            result = InputBoxShow(L"long", L"Current:", L"short", position);
        }
        EXPECT_TRUE(acted);
        ASSERT_NE(result, nullptr);
        EXPECT_TRUE(std::wstring(result) == text) << "length " << std::wcslen(result);
        EXPECT_EQ(TempStringPosition(), position + 2 * static_cast<int64_t>(text.size()));
        EXPECT_EQ(StackText(position - 8).substr(0, 4), u"pre:");
        TempStringSetPosition(0);
    }
    gReportedLength = -1;
}

// Puts the text on the clipboard as a program the user copied from would.
bool putOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (!::OpenClipboard(owner)) {
        ::GlobalFree(memory);
        return false;
    }
    ::EmptyClipboard();
    const bool placed = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    ::CloseClipboard();
    if (!placed) {
        ::GlobalFree(memory);
    }
    return placed;
}

TEST_F(InputRequesterTest, PastedTextIsTakenWhole) {
    HWND front = OpenWindow(L"front", 20);
    BringToFront(front);
    std::wstring text;
    for (int i = 0; i < 40000; ++i) {
        text += static_cast<wchar_t>(L'a' + i % 26);
    }
    text += L"END";
    ASSERT_TRUE(putOnClipboard(front, text));

    const int64_t position = TempStringPosition();
    bool pasted = false, confirmed = false;
    wchar_t* result = nullptr;
    {
        person::Session session([&] {
            HWND dialog = WaitForDialog(L"paste");
            if (dialog == nullptr) {
                person::CloseRequesters(thread_);
                return;
            }
            HWND field = ::GetDlgItem(dialog, kFieldId);
            pasted = person::Keys(dialog, L"ctrl+v") &&
                     person::WaitFor([&] { return ::GetWindowTextLengthW(field) > 0; });
            confirmed = person::Keys(dialog, L"Return") && person::WaitUntilGone(dialog, thread_);
        });
        result = InputBoxShow(L"paste", L"Current:", nullptr, position);
    }
    EXPECT_TRUE(pasted);
    EXPECT_TRUE(confirmed);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(std::wcslen(result), text.size());
    EXPECT_TRUE(std::wstring(result) == text) << "the end is lost";
}

// Refuses to create the requester's window, as a system out of window resources would.
LRESULT CALLBACK refuseRequesterWindow(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t className[32] = {};
    if (code == HCBT_CREATEWND && ::GetClassNameW(reinterpret_cast<HWND>(wParam), className, 32) > 0 &&
        std::wstring(className) == L"InputRequester") {
        return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(InputRequesterTest, EveryEndingGivesTheWindowsBack) {
    HWND front = OpenWindow(L"front", 20);
    HWND other = OpenWindow(L"other", 240);
    BringToFront(front);

    // A dialog that cannot be created returns the empty text and leaves nothing disabled.
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, refuseRequesterWindow, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    wchar_t* refused = InputBoxShow(L"refused", L"Current:", L"abc", TempStringPosition());
    ::UnhookWindowsHookEx(hook);
    EXPECT_EQ(std::wstring(refused), L"");
    EXPECT_EQ(::FindWindowW(L"InputRequester", nullptr), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(front));
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_EQ(RequesterWindowRecords(), nullptr);

    // A quit message ends the dialog's loop; the dialog must not stay behind with the windows off.
    HWND dialog = nullptr;
    bool otherDisabled = false;
    wchar_t* result = nullptr;
    {
        person::Session session([&] {
            dialog = WaitForDialog(L"quit");
            if (dialog == nullptr) {
                person::CloseRequesters(thread_);
                return;
            }
            otherDisabled = !::IsWindowEnabled(other);
            ::PostThreadMessageW(thread_, WM_QUIT, 0, 0);
            person::WaitUntilGone(dialog, thread_);
        });
        result = InputBoxShow(L"quit", L"Current:", L"abc", TempStringPosition());
    }
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(otherDisabled);
    EXPECT_EQ(std::wstring(result), L"");
    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_TRUE(::IsWindowEnabled(front));
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_EQ(RequesterWindowRecords(), nullptr);

    // The owner closing takes its owned dialog with it.
    BringToFront(front);
    dialog = nullptr;
    {
        person::Session session([&] {
            dialog = WaitForDialog(L"orphan");
            if (dialog == nullptr) {
                person::CloseRequesters(thread_);
                return;
            }
            ::PostMessageW(front, WM_CLOSE, 0, 0);
            person::WaitUntilGone(dialog, thread_);
        });
        result = InputBoxShow(L"orphan", L"Current:", L"abc", TempStringPosition());
    }
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(std::wstring(result), L"");
    EXPECT_FALSE(::IsWindow(front));
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_EQ(RequesterWindowRecords(), nullptr);

    // And a dialog still works afterwards.
    BringToFront(other);
    {
        person::Session session([&] {
            HWND again = WaitForDialog(L"again");
            if (again == nullptr || !person::Keys(again, L"Return") || !person::WaitUntilGone(again, thread_)) {
                person::CloseRequesters(thread_);
            }
        });
        result = InputBoxShow(L"again", L"Current:", L"fine", TempStringPosition());
    }
    EXPECT_EQ(std::wstring(result), L"fine");
}

}  // namespace
