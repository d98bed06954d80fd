// The message requester under Wine, closed by real keys: its owner, its result, and the thread's
// other windows made inert while it is shown and given back afterwards.
#include "runtime/requester/message_requester.h"

#include "tests/requester/requester_fixture.h"

namespace {

using MessageRequesterTest = RequesterTest;

TEST_F(MessageRequesterTest, ReturnClosesTheBoxOwnedByTheForegroundWindowWithOthersInert) {
    HWND front = OpenWindow(L"front", 20);
    HWND other = OpenWindow(L"other", 240);
    HWND alreadyDisabled = OpenWindow(L"already disabled", 460);
    HWND topmost = OpenWindow(L"topmost", 680, WS_EX_TOPMOST);
    HWND hidden = OpenWindow(L"hidden", 900);
    ::ShowWindow(hidden, SW_HIDE);
    ::EnableWindow(alreadyDisabled, FALSE);
    BringToFront(front);
    ASSERT_TRUE(IsTopmost(topmost));

    HWND box = nullptr;
    HWND owner = nullptr;
    bool frontEnabled = true, otherEnabled = true, alreadyDisabledEnabled = true, topmostEnabled = true;
    bool topmostWhileShown = true, hiddenEnabled = false, pressed = false;
    int result = -1;
    {
        person::Session session([&] {
            box = person::WaitForFrontWindow(L"#32770", L"HELP box");
            if (box == nullptr) {
                person::CloseRequesters(thread_);
                return;
            }
            owner = ::GetWindow(box, GW_OWNER);
            frontEnabled = ::IsWindowEnabled(front);
            otherEnabled = ::IsWindowEnabled(other);
            alreadyDisabledEnabled = ::IsWindowEnabled(alreadyDisabled);
            topmostEnabled = ::IsWindowEnabled(topmost);
            topmostWhileShown = IsTopmost(topmost);
            hiddenEnabled = ::IsWindowEnabled(hidden);
            pressed = person::Keys(box, L"Return") && person::WaitUntilGone(box, thread_);
        });
        result = MessageBoxShow(L"HELP box", L"Arrows steer, Return shows this again.", MB_ICONINFORMATION);
    }

    ASSERT_NE(box, nullptr) << "the message box never came to the front";
    EXPECT_TRUE(pressed);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(owner, front);
    EXPECT_FALSE(frontEnabled);
    EXPECT_FALSE(otherEnabled);
    EXPECT_FALSE(alreadyDisabledEnabled);
    EXPECT_FALSE(topmostEnabled);
    EXPECT_FALSE(topmostWhileShown);
    EXPECT_TRUE(hiddenEnabled) << "hidden windows are not touched";

    EXPECT_TRUE(::IsWindowEnabled(front));
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_FALSE(::IsWindowEnabled(alreadyDisabled)) << "a window disabled before stays disabled";
    EXPECT_TRUE(::IsWindowEnabled(topmost));
    EXPECT_TRUE(IsTopmost(topmost));
    EXPECT_FALSE(IsTopmost(other));
    EXPECT_EQ(RequesterWindowRecords(), nullptr);
}

TEST_F(MessageRequesterTest, WithAnotherProgramInFrontTheBoxHasNoOwner) {
    HWND front = OpenWindow(L"front", 20);
    HWND other = OpenWindow(L"other", 240);
    BringToFront(front);
    EXPECT_EQ(RequesterOwner(), front);

    wchar_t commandLine[] = L"notepad.exe";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION notepad = {};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &notepad));
    HWND stranger = nullptr;
    const bool inFront = person::WaitFor([&] {
        stranger = ::FindWindowW(L"Notepad", nullptr);
        return stranger != nullptr && ::IsWindowVisible(stranger) &&
               person::Xdotool(L"search --name Notepad windowfocus --sync") &&
               ::GetForegroundWindow() == stranger;
    });

    HWND box = nullptr;
    HWND owner = front;
    bool frontEnabled = true, otherEnabled = true;
    int result = -1;
    if (inFront) {
        EXPECT_EQ(RequesterOwner(), nullptr);
        person::Session session([&] {
            // WINE: a box without an owner stays behind the other program, and neither a click nor
            // the X focus brings it in front; the person presses its OK button by message instead.
            box = person::WaitForWindow(L"#32770", L"unowned box");
            if (box == nullptr) {
                person::CloseRequesters(thread_);
                return;
            }
            owner = ::GetWindow(box, GW_OWNER);
            frontEnabled = ::IsWindowEnabled(front);
            otherEnabled = ::IsWindowEnabled(other);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        result = MessageBoxShow(L"unowned box", L"text", MB_OK);
    }
    ::TerminateProcess(notepad.hProcess, 0);
    ::WaitForSingleObject(notepad.hProcess, INFINITE);
    ::CloseHandle(notepad.hThread);
    ::CloseHandle(notepad.hProcess);

    ASSERT_TRUE(inFront) << "the other program never came to the front";
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(owner, nullptr);
    EXPECT_FALSE(frontEnabled) << "with no foreground window of ours, every visible window is disabled";
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(::IsWindowEnabled(front));
    EXPECT_TRUE(::IsWindowEnabled(other));
}

TEST_F(MessageRequesterTest, RecordsOfOtherThreadsSurviveARestore) {
    HWND front = OpenWindow(L"front", 20);
    HWND other = OpenWindow(L"other", 240);
    BringToFront(front);

    // Another thread brackets its own (windowless) requester meanwhile: it must not give back ours.
    RequesterWindowsDisable();
    std::thread([] {
        RequesterWindowsDisable();
        RequesterWindowsRestore();
    }).join();
    EXPECT_FALSE(::IsWindowEnabled(other));
    EXPECT_TRUE(::IsWindowEnabled(front)) << "the foreground window is left to the requester itself";
    EXPECT_NE(RequesterWindowRecords(), nullptr);

    RequesterWindowsRestore();
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_EQ(RequesterWindowRecords(), nullptr);
}

}  // namespace
