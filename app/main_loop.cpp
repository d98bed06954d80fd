// The main loop: each turn waits for window activity, samples the keyboard, applies the held
// keys (re-rendering whenever any key is down), runs the first released-key command, and ends
// when Escape or Q is held. Everything runs on the one thread the process starts with.
#include "app/main_loop.h"

#include "app/controls.h"
#include "app/help_values.h"
#include "app/parameters.h"
#include "app/render.h"
#include "runtime/core/runtime.h"
#include "runtime/input/keyboard.h"
#include "runtime/input/screen.h"
#include "runtime/requester/message_requester.h"
#include "runtime/window/window.h"
#include "runtime/window/window_proc.h"

namespace {

// Key positions, in the keyboard's numbering. The letters C, O, Z, R, I and Q go by their labels
// instead (KeyOfLetter): the help names them, and layouts put them in different places.
constexpr int32_t kAnyKey = -1;
constexpr int32_t kKeyEscape = 1;
constexpr int32_t kKeyReturn = 28;
constexpr int32_t kKeyLeftCtrl = 29;
constexpr int32_t kKeyLeftShift = 42;
constexpr int32_t kKeyLeftAlt = 56;
constexpr int32_t kKeyUp = 200;
constexpr int32_t kKeyLeft = 203;
constexpr int32_t kKeyRight = 205;
constexpr int32_t kKeyDown = 208;

constexpr uint32_t kWindowFlags = 0x80000001;  // borderless popup, centred on the screen

// Only the first held arrow, in the order Left, Right, Up, Down, acts on a turn.
void applyArrowKeys(Parameters& parameters) {
    if (KeyHeld(kKeyLeft)) {
        StepParameters(parameters, Arrow::kLeft);
    } else if (KeyHeld(kKeyRight)) {
        StepParameters(parameters, Arrow::kRight);
    } else if (KeyHeld(kKeyUp)) {
        StepParameters(parameters, Arrow::kUp);
    } else if (KeyHeld(kKeyDown)) {
        StepParameters(parameters, Arrow::kDown);
    }
}

// The dialogs are modal and take the keyboard while they are open. The key that closed one went
// down there, so the main loop must not act on it too (Escape would quit, Return reopen the help).
void showHelpDialog() {
    ShowHelp();
    KeyboardIgnoreHeldKeys();
}

void showValuesDialog() {
    ShowValues();
    KeyboardIgnoreHeldKeys();
}

// The first released key of the chain acts; the keys after it are not asked on this turn.
void runReleasedKeyCommand(Parameters& parameters) {
    if (KeyReleased(kKeyReturn)) {
        showHelpDialog();
    } else if (KeyReleased(KeyOfLetter('C'))) {
        ToggleFlag(parameters.colourMode);
    } else if (KeyReleased(KeyOfLetter('R'))) {
        ResetParameters(parameters);
        RenderPicture();
    } else if (KeyReleased(KeyOfLetter('O'))) {
        ToggleFlag(parameters.originCentred);
        RenderPicture();
    } else if (KeyReleased(KeyOfLetter('I'))) {
        showValuesDialog();
    } else if (KeyReleased(KeyOfLetter('Z'))) {
        RandomiseParameters(parameters);
        RenderPicture();
    }
}

constexpr const wchar_t* kCannotStartTitle = L"Whirlway cannot start";
constexpr UINT kCannotStartStyle = MB_ICONERROR | MB_OK;

// Opens the window with keyboard polling; on failure, says which part could not be made and what
// it needs. Null when everything is there.
const wchar_t* openWindowWithKeyboard(const Parameters& parameters) {
    if (WindowOpen(0, 0, 0, parameters.pictureSize, parameters.pictureSize, L"Whirlway", kWindowFlags) == 0) {
        return L"The window cannot be opened.";
    }
    if (KeyboardInit() == 0) {
        return L"The keyboard cannot be read. Whirlway needs DirectInput (DINPUT.DLL), which is part of "
               L"Windows.";
    }
    if (ScreenInit() == 0 || ScreenOpenInWindow(WindowHandle(0), 0, 0, 0, 0) == 0) {
        return L"Its drawing surface cannot be made. Whirlway needs OpenGL from the graphics driver, which "
               L"remote sessions and virtual machines often lack.";
    }
    return nullptr;
}

}  // namespace

void WhirlwayRun() {
    Parameters& parameters = gParameters;
    ParametersSetDefaults();
    // A failure is said, not just an early exit: the user would otherwise see nothing happen.
    if (const wchar_t* failure = openWindowWithKeyboard(parameters)) {
        MessageBoxShow(kCannotStartTitle, failure, kCannotStartStyle);
        RuntimeExitCodeSet(1);
        return;
    }
    RenderPicture();
    showHelpDialog();
    for (;;) {
        // While a key is held, the last picture's own paint paces the turns: a turn begins once it
        // has been handled, so every picture rendered reaches the screen. With nothing to paint the
        // loop waits for the next window event.
        do {
            WindowNextEvent();
        } while (PicturePaintPending());
        KeyboardSample();
        if (KeyHeld(kAnyKey)) {
            // Ctrl matters only with Shift, so it is asked only then.
            const bool shift = KeyHeld(kKeyLeftShift) != 0;
            parameters.speedFactor = SpeedFactorFor(KeyHeld(kKeyLeftAlt) != 0, shift, shift && KeyHeld(kKeyLeftCtrl) != 0);
            applyArrowKeys(parameters);
            RenderPicture();
        }
        runReleasedKeyCommand(parameters);
        if (KeyHeld(kKeyEscape) || KeyHeld(KeyOfLetter('Q'))) {
            return;
        }
    }
}
