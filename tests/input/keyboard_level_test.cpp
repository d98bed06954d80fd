// The keyboard's cooperative level when DirectInput refuses the one asked first. The stand-in is
// Wine's own keyboard device with SetCooperativeLevel refusing chosen levels and recording every
// level asked; a second, background device is the witness that DirectInput has seen a key. The
// keyboard must never read keys while its window is not in front, whatever it was refused.
// NOTE: the C view of the DirectInput interfaces names the methods' slots; the objects are the
// same as the keyboard's C++ view of them.
#define CINTERFACE
#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>

#include <dinput.h>

#include <gtest/gtest.h>

#include <vector>

#include "runtime/input/keyboard.h"
#include "runtime/input/screen.h"
#include "tests/input/test_window.h"

namespace {

constexpr int32_t kKeyQ = 16;
constexpr DWORD kForegroundNoWinKey = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY;  // 0x16
constexpr DWORD kForeground = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;                           // 0x06

const wchar_t* const kTitle = L"h16 keyboard window";
const wchar_t* const kOtherTitle = L"h16 keyboard other";

struct StandIn {
    std::vector<DWORD> refused;              // levels SetCooperativeLevel refuses
    std::vector<DWORD> asked;                // every level asked, in order
    int acquires = 0;                        // Acquire calls
    const IDirectInput7AVtbl* objectMethods; // the real DirectInput object's
    IDirectInput7AVtbl objectTable;          // the same, creating stand-in devices
    const IDirectInputDevice7AVtbl* deviceMethods;  // the real device's
    IDirectInputDevice7AVtbl deviceTable;    // the same, with the two methods below
};

StandIn gStandIn;

HRESULT WINAPI standInSetCooperativeLevel(IDirectInputDevice7A* device, HWND window, DWORD level) {
    gStandIn.asked.push_back(level);
    for (DWORD refused : gStandIn.refused) {
        if (level == refused) {
            return DIERR_INVALIDPARAM;
        }
    }
    return gStandIn.deviceMethods->SetCooperativeLevel(device, window, level);
}

HRESULT WINAPI standInAcquire(IDirectInputDevice7A* device) {
    ++gStandIn.acquires;
    return gStandIn.deviceMethods->Acquire(device);
}

HRESULT WINAPI standInCreateDeviceEx(IDirectInput7A* object, REFGUID guid, REFIID iid, void** device,
                                     IUnknown* outer) {
    const HRESULT result = gStandIn.objectMethods->CreateDeviceEx(object, guid, iid, device, outer);
    if (SUCCEEDED(result)) {
        auto* created = static_cast<IDirectInputDevice7A*>(*device);
        gStandIn.deviceMethods = created->lpVtbl;
        gStandIn.deviceTable = *created->lpVtbl;
        gStandIn.deviceTable.SetCooperativeLevel = standInSetCooperativeLevel;
        gStandIn.deviceTable.Acquire = standInAcquire;
        created->lpVtbl = &gStandIn.deviceTable;
    }
    return result;
}

// A background keyboard device of the test's own: DirectInput has seen a key once it shows it.
struct Witness {
    IDirectInputDevice7A* device = nullptr;

    explicit Witness(IDirectInput7A* object) {
        void* created = nullptr;
        if (FAILED(gStandIn.objectMethods->CreateDeviceEx(object, GUID_SysKeyboard, IID_IDirectInputDevice7A,
                                                          &created, nullptr))) {
            return;
        }
        device = static_cast<IDirectInputDevice7A*>(created);
        device->lpVtbl->SetDataFormat(device, &c_dfDIKeyboard);
        device->lpVtbl->SetCooperativeLevel(device, nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
        device->lpVtbl->Acquire(device);
    }
    ~Witness() {
        if (device != nullptr) {
            device->lpVtbl->Unacquire(device);
            device->lpVtbl->Release(device);
        }
    }
    bool sees(int32_t key) {
        uint8_t state[256] = {};
        return SUCCEEDED(device->lpVtbl->GetDeviceState(device, sizeof(state), state)) && (state[key] & 0x80) != 0;
    }
};

// Every time 0x16 was refused, 0x06 was asked next; nothing else was ever asked.
bool askedFallbackEachTime() {
    const std::vector<DWORD>& asked = gStandIn.asked;
    if (asked.empty() || asked.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < asked.size(); ++i) {
        const bool expected = i % 2 == 0 ? asked[i] == kForegroundNoWinKey : asked[i] == kForeground;
        if (!expected) {
            return false;
        }
    }
    return true;
}

// Samples while Q is held in the other window, until the witness has seen it; then the keyboard
// must still answer that Q is up.
void expectQUnreadBehind(Witness& witness, HWND other) {
    ASSERT_TRUE(focusByTitle(other, kOtherTitle));
    // A sample before the key goes down, as the program's loop takes them all along: a key already
    // down at the first sample would be ignored as pressed elsewhere, and hide a device that reads.
    KeyboardSample();
    ASSERT_TRUE(runXdotool(L"keydown q"));
    EXPECT_TRUE(waitUntil([&] {
        KeyboardSample();
        return witness.sees(kKeyQ) || KeyHeld(kKeyQ) != 0;
    }));
    EXPECT_TRUE(witness.sees(kKeyQ));
    KeyboardSample();
    EXPECT_EQ(KeyHeld(kKeyQ), 0) << "Q read while another window was in front";
    EXPECT_EQ(KeyHeld(-1), 0);
    ASSERT_TRUE(runXdotool(L"keyup q"));
    ASSERT_TRUE(waitUntil([&] { return !witness.sees(kKeyQ); }));
}

}  // namespace

TEST(KeyboardCooperativeLevel, RefusedLevelsNeverLeaveTheKeyboardReadingInTheBackground) {
    ensureRuntimeHeap();
    HWND window = makeTestWindow(kTitle, 1);
    HWND other = makeTestWindow(kOtherTitle, 2);
    IDirectInput7A* object = DirectInputRef();
    ASSERT_NE(object, nullptr);
    gStandIn.objectMethods = object->lpVtbl;
    gStandIn.objectTable = *object->lpVtbl;
    gStandIn.objectTable.CreateDeviceEx = standInCreateDeviceEx;
    object->lpVtbl = &gStandIn.objectTable;
    ASSERT_NE(ScreenInit(), 0);
    ASSERT_EQ(ScreenOpenInWindow(window, 0, 0, 0, 0), 1);
    {
        Witness witness(object);
        ASSERT_NE(witness.device, nullptr);

        // DirectInput 7 refusing the Windows-key flag: the keyboard falls back to the plain
        // foreground level, reads in front and not behind.
        gStandIn.refused = {kForegroundNoWinKey};
        ASSERT_EQ(KeyboardInit(), 1);
        expectQUnreadBehind(witness, other);
        ASSERT_TRUE(focusByTitle(window, kTitle));
        // Read in front before Q goes down, or Q would count as pressed elsewhere.
        ASSERT_TRUE(waitUntil([] { return KeyboardSample() == 1; }));
        ASSERT_TRUE(runXdotool(L"keydown q"));
        EXPECT_TRUE(waitUntil([] { return KeyboardSample() == 1 && KeyHeld(kKeyQ) != 0; }));
        ASSERT_TRUE(runXdotool(L"keyup q"));
        ASSERT_TRUE(waitUntil([] { return KeyboardSample() == 1 && KeyHeld(kKeyQ) == 0; }));
        EXPECT_TRUE(askedFallbackEachTime());
        KeyboardEnd();

        // Both refused: the device is never acquired and reads nothing, behind or in front.
        gStandIn.refused = {kForegroundNoWinKey, kForeground};
        gStandIn.asked.clear();
        gStandIn.acquires = 0;
        ASSERT_EQ(KeyboardInit(), 1);
        expectQUnreadBehind(witness, other);
        ASSERT_TRUE(focusByTitle(window, kTitle));
        ASSERT_TRUE(runXdotool(L"keydown q"));
        EXPECT_TRUE(waitUntil([&] { return witness.sees(kKeyQ); }));
        EXPECT_EQ(KeyboardSample(), 0);
        EXPECT_EQ(KeyHeld(kKeyQ), 0);
        ASSERT_TRUE(runXdotool(L"keyup q"));
        ASSERT_TRUE(waitUntil([&] { return !witness.sees(kKeyQ); }));
        EXPECT_TRUE(askedFallbackEachTime());
        EXPECT_EQ(gStandIn.acquires, 0);
        KeyboardEnd();
    }
    object->lpVtbl = const_cast<IDirectInput7AVtbl*>(gStandIn.objectMethods);
    DirectInputUnref();
    ScreenClose();
    ::DestroyWindow(other);
    ::DestroyWindow(window);
}
