// Keyboard polling over DirectInput 7, loaded from "DINPUT.DLL" at run time: the shared DirectInput
// object, the keyboard device with its own 256-byte data format, the key snapshot and the release
// latches. Relies on the runtime heap and on the windowed screen for the cooperative window.
#define DIRECTINPUT_VERSION 0x0700
#include "runtime/input/keyboard.h"

#include <windows.h>

#include <dinput.h>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/system_library.h"
#include "runtime/input/screen.h"

namespace {

enum class KeyboardPhase : int32_t {
    None = 0,      // no device
    Created = 1,   // device exists; it needs its cooperative level and an Acquire
    Acquired = 2,  // the last sample went through, so the queries answer
};

constexpr int32_t kKeyCount = 256;
constexpr int32_t kLetterCount = 26;
constexpr int32_t kLastExaminedKey = 254;  // "any key" never looks at code 255
constexpr int32_t kAnyKeyCode = -1;
constexpr uint8_t kKeyDown = 0x80;
constexpr DWORD kDirectInputVersion = 0x0700;
constexpr DWORD kKeyObjectType = 0x8000000C;  // DIDFT_BUTTON | DIDFT_OPTIONAL; instance above bit 8
constexpr DWORD kCooperativeFlags = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY;  // 0x16
constexpr DWORD kCooperativeFallback = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;                 // 0x06

static_assert(sizeof(DIOBJECTDATAFORMAT) == 24, "data format object entries are 24 bytes");
static_assert(sizeof(DIDATAFORMAT) == 32, "the data format record is 32 bytes");

using DirectInputCreateExProc = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);

struct DirectInputShared {
    HMODULE library;          // "DINPUT.DLL" while the object exists
    IDirectInput7A* object;   // the process's one DirectInput 7 interface, or null
    int32_t references;       // DirectInputRef calls not yet matched by DirectInputUnref
};

struct KeyboardState {
    IDirectInputDevice7A* device;  // the system keyboard; null until KeyboardInit succeeds
    DIOBJECTDATAFORMAT* objects;   // the format's 256 key entries, built once from the runtime heap
    DIDATAFORMAT format;           // the standard 256-byte keyboard format over objects
    KeyboardPhase phase;           // how far the device has got
    bool initialised;              // KeyboardInit ran and holds a DirectInput reference
    HWND cooperativeWindow;        // window the device was last given as its cooperative window
    bool cameBack;                 // the window may have left the front since the last sample
    uint8_t keyState[kKeyCount];   // last successful snapshot, ignored keys up; bit 7 set = key down
    uint8_t keyLatch[kKeyCount];   // 1 = KeyReleased saw the key down and has not reported it up
    uint8_t keyIgnored[kKeyCount]; // 1 = went down while the window was not in front; up until seen up
    uint8_t ignoredVirtualKey[kKeyCount];  // that key's virtual key, which must be up too; 0 if none
    HKL letterLayout;              // keyboard layout letterKeys were found in
    uint8_t letterKeys[kLetterCount];  // position of the key labelled A to Z there; 0 if none
};

DirectInputShared gDirectInput;
KeyboardState gKeyboard;

void createDirectInput() {
    HMODULE library = SystemLibraryLoad(L"DINPUT.DLL");
    if (library == nullptr) {
        return;
    }
    auto create = reinterpret_cast<DirectInputCreateExProc>(
        reinterpret_cast<void*>(::GetProcAddress(library, "DirectInputCreateEx")));
    void* object = nullptr;
    if (create == nullptr ||
        FAILED(create(::GetModuleHandleW(nullptr), kDirectInputVersion, IID_IDirectInput7A, &object, nullptr)) ||
        object == nullptr) {
        // Without the object nothing would ever free the library.
        ::FreeLibrary(library);
        return;
    }
    gDirectInput.library = library;
    gDirectInput.object = static_cast<IDirectInput7A*>(object);
}

bool buildDataFormat() {
    if (gKeyboard.objects == nullptr) {
        auto* objects = static_cast<DIOBJECTDATAFORMAT*>(RuntimeAlloc(kKeyCount * sizeof(DIOBJECTDATAFORMAT)));
        if (objects == nullptr) {
            return false;
        }
        for (DWORD key = 0; key < kKeyCount; ++key) {
            objects[key].pguid = &GUID_Key;
            objects[key].dwOfs = key;
            objects[key].dwType = kKeyObjectType | (key << 8);
            objects[key].dwFlags = 0;
        }
        gKeyboard.objects = objects;
    }
    gKeyboard.format.dwSize = sizeof(DIDATAFORMAT);
    gKeyboard.format.dwObjSize = sizeof(DIOBJECTDATAFORMAT);
    gKeyboard.format.dwFlags = DIDF_RELAXIS;
    gKeyboard.format.dwDataSize = kKeyCount;
    gKeyboard.format.dwNumObjs = kKeyCount;
    gKeyboard.format.rgodf = gKeyboard.objects;
    return true;
}

void releaseDevice() {
    if (gKeyboard.device != nullptr) {
        gKeyboard.device->Unacquire();
        gKeyboard.device->Release();
        gKeyboard.device = nullptr;
    }
    gKeyboard.phase = KeyboardPhase::None;
}

// Virtual keys of the keys that send the E0 prefix, for where the system leaves the prefix out.
// WINE: MapVirtualKeyW gives the arrows and the keys above them without E0.
bool isExtendedVirtualKey(int32_t virtualKey) {
    switch (virtualKey) {
        case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
        case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        case VK_INSERT: case VK_DELETE: case VK_DIVIDE:
        case VK_LWIN: case VK_RWIN: case VK_APPS:
        case VK_RCONTROL: case VK_RMENU: {
            return true;
        }
        default: {
            return false;
        }
    }
}

// A key's position from its virtual key: the scan code, plus 128 when it comes with the E0 prefix;
// -1 when it has none.
int32_t keyOfVirtualKey(int32_t virtualKey) {
    const UINT scan = ::MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC_EX);
    const UINT prefix = scan >> 8;
    if ((scan & 0x7F) == 0 || (prefix != 0 && prefix != 0xE0)) {
        return -1;
    }
    const bool extended = prefix == 0xE0 || isExtendedVirtualKey(virtualKey);
    return static_cast<int32_t>((scan & 0x7F) | (extended ? 0x80 : 0));
}

// The device reads only while the window is in front. DISCL_NOWINKEY belongs to later versions of
// DirectInput, which a version 7 device may refuse; without either level the device would keep its
// default one, reading in the background, so it must not be acquired then. A level cannot be set
// on an acquired device.
bool setForegroundLevel(HWND window) {
    gKeyboard.device->Unacquire();
    return SUCCEEDED(gKeyboard.device->SetCooperativeLevel(window, kCooperativeFlags)) ||
           SUCCEEDED(gKeyboard.device->SetCooperativeLevel(window, kCooperativeFallback));
}

// Letter keys act by their labels, which depend on the layout (A and Q, Z and Y, ... trade places);
// the layout can change while the program runs, so this is asked on every sample.
void findLetterKeys() {
    HKL layout = ::GetKeyboardLayout(0);
    if (layout == gKeyboard.letterLayout) {
        return;
    }
    gKeyboard.letterLayout = layout;
    for (int32_t letter = 0; letter < kLetterCount; ++letter) {
        const UINT scan = ::MapVirtualKeyExW('A' + letter, MAPVK_VK_TO_VSC, layout);
        gKeyboard.letterKeys[letter] = static_cast<uint8_t>(scan < 0x80 ? scan : 0);
    }
}

void ignoreKey(int32_t key, uint8_t virtualKey) {
    gKeyboard.keyIgnored[key] = 1;
    gKeyboard.ignoredVirtualKey[key] = virtualKey;
    gKeyboard.keyLatch[key] = 0;
}

// Keys that are down as the window comes back to the front, and were not down when it was last
// read, went down elsewhere: in one of the program's own dialogs (the key that closed it) or in
// another program. They must not act here. The system's key state is asked as well as the device
// because a device acquired under a held key may report it only once the key repeats.
// WINE: the device reports a key held at Acquire as up until its first auto-repeat.
void ignoreKeysPressedElsewhere(const uint8_t* snapshot) {
    for (int32_t virtualKey = 1; virtualKey < 0xFF; ++virtualKey) {
        // Shift, Ctrl and Alt as a whole would stand for the left key; their sides are asked alone.
        if (virtualKey == VK_SHIFT || virtualKey == VK_CONTROL || virtualKey == VK_MENU ||
            (::GetAsyncKeyState(virtualKey) & 0x8000) == 0) {
            continue;
        }
        const int32_t key = keyOfVirtualKey(virtualKey);
        if (key >= 0 && (gKeyboard.keyState[key] & kKeyDown) == 0) {
            ignoreKey(key, static_cast<uint8_t>(virtualKey));
        }
    }
    for (int32_t key = 0; key < kKeyCount; ++key) {
        if ((snapshot[key] & kKeyDown) != 0 && (gKeyboard.keyState[key] & kKeyDown) == 0 &&
            gKeyboard.keyIgnored[key] == 0) {
            ignoreKey(key, 0);
        }
    }
}

// An ignored key counts again once both the device and the system have seen it up.
void forgetIgnoredKeysNowUp(const uint8_t* snapshot) {
    for (int32_t key = 0; key < kKeyCount; ++key) {
        if (gKeyboard.keyIgnored[key] == 0 || (snapshot[key] & kKeyDown) != 0) {
            continue;
        }
        const uint8_t virtualKey = gKeyboard.ignoredVirtualKey[key];
        if (virtualKey == 0 || (::GetAsyncKeyState(virtualKey) & 0x8000) == 0) {
            gKeyboard.keyIgnored[key] = 0;
        }
    }
}

bool validKey(int32_t key) { return key >= kAnyKeyCode && key < kKeyCount; }

// The release rule for one key: remember it while down, report it once when it is seen up.
int32_t releaseOf(int32_t key) {
    if ((gKeyboard.keyState[key] & kKeyDown) != 0) {
        gKeyboard.keyLatch[key] = 1;
        return 0;
    }
    if (gKeyboard.keyLatch[key] == 1) {
        gKeyboard.keyLatch[key] = 0;
        return 1;
    }
    return 0;
}

}  // namespace

int32_t KeyboardInit() {
    // The keyboard holds one DirectInput reference however often it is initialised, so that its
    // end procedure can give the object back; a failed creation is retried by the next call.
    if (!gKeyboard.initialised) {
        DirectInputRef();
        gKeyboard.initialised = true;
    } else if (gDirectInput.object == nullptr) {
        createDirectInput();
    }
    IDirectInput7A* directInput = gDirectInput.object;
    if (directInput == nullptr) {
        return 0;
    }
    if (gKeyboard.phase != KeyboardPhase::None) {
        return 1;
    }
    if (!buildDataFormat()) {
        return 0;
    }
    void* device = nullptr;
    if (FAILED(directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, &device, nullptr)) ||
        device == nullptr) {
        return 0;
    }
    gKeyboard.device = static_cast<IDirectInputDevice7A*>(device);
    if (FAILED(gKeyboard.device->SetDataFormat(&gKeyboard.format))) {
        releaseDevice();
        return 0;
    }
    gKeyboard.phase = KeyboardPhase::Created;
    findLetterKeys();
    return 1;
}

void KeyboardEnd() {
    if (!gKeyboard.initialised) {
        return;
    }
    // The phase goes back to None with the device, so a later sample cannot reach a released device.
    releaseDevice();
    DirectInputUnref();
    gKeyboard.initialised = false;
}

int32_t KeyboardSample() {
    if (gKeyboard.device == nullptr) {
        return 0;
    }
    findLetterKeys();
    HWND window = ScreenParentWindow();
    if (gKeyboard.phase == KeyboardPhase::Acquired && window != gKeyboard.cooperativeWindow) {
        // A surface opened in another window moves the keyboard there.
        gKeyboard.device->Unacquire();
        gKeyboard.phase = KeyboardPhase::Created;
    }
    if (gKeyboard.phase == KeyboardPhase::Created) {
        gKeyboard.cameBack = true;
        if (window == nullptr || !setForegroundLevel(window)) {
            return 0;
        }
        // NOTE: Acquire fails while the window is not in front; GetDeviceState then fails too,
        // and the next sample tries again.
        gKeyboard.device->Acquire();
        gKeyboard.cooperativeWindow = window;
        gKeyboard.phase = KeyboardPhase::Acquired;
    }
    uint8_t snapshot[kKeyCount];
    if (FAILED(gKeyboard.device->GetDeviceState(kKeyCount, snapshot))) {
        gKeyboard.phase = KeyboardPhase::Created;
        return 0;
    }
    if (gKeyboard.cameBack) {
        ignoreKeysPressedElsewhere(snapshot);
        gKeyboard.cameBack = false;
    }
    forgetIgnoredKeysNowUp(snapshot);
    for (int32_t key = 0; key < kKeyCount; ++key) {
        gKeyboard.keyState[key] = gKeyboard.keyIgnored[key] != 0 ? 0 : snapshot[key];
    }
    return 1;
}

void KeyboardIgnoreHeldKeys() { gKeyboard.cameBack = true; }

int32_t KeyOfLetter(char letter) {
    if (letter < 'A' || letter > 'Z') {
        return 0;
    }
    return gKeyboard.letterKeys[letter - 'A'];
}

int32_t KeyHeld(int32_t key) {
    if (gKeyboard.phase != KeyboardPhase::Acquired || !validKey(key)) {
        return 0;
    }
    if (key == kAnyKeyCode) {
        for (int32_t code = 0; code <= kLastExaminedKey; ++code) {
            if ((gKeyboard.keyState[code] & kKeyDown) != 0) {
                return 1;
            }
        }
        return 0;
    }
    return gKeyboard.keyState[key] & kKeyDown;
}

int32_t KeyReleased(int32_t key) {
    if (gKeyboard.phase != KeyboardPhase::Acquired || !validKey(key)) {
        return 0;
    }
    if (key != kAnyKeyCode) {
        return releaseOf(key);
    }
    int32_t released = 0;
    for (int32_t code = 0; code <= kLastExaminedKey; ++code) {
        released |= releaseOf(code);
    }
    return released;
}

IDirectInput7A* DirectInputRef() {
    if (gDirectInput.object == nullptr) {
        createDirectInput();
    }
    ++gDirectInput.references;
    return gDirectInput.object;
}

void DirectInputUnref() {
    if (gDirectInput.references > 0) {
        --gDirectInput.references;
    }
    if (gDirectInput.object != nullptr && gDirectInput.references == 0) {
        gDirectInput.object->Release();
        gDirectInput.object = nullptr;
        ::FreeLibrary(gDirectInput.library);
        gDirectInput.library = nullptr;
    }
}
