// The main loop: each turn waits for window activity, samples the keyboard, applies the held
// keys (re-rendering whenever any key is down), runs the first released-key command, and ends
// when Escape or Q is held. Everything runs on the one thread the process starts with.
#include "app/main_loop.h"

#include "app/controls.h"
#include "app/help_values.h"
#include "app/parameters.h"
#include "app/render.h"
#include "runtime/input/keyboard.h"
#include "runtime/input/screen.h"
#include "runtime/window/window.h"
#include "runtime/window/window_proc.h"

namespace {

// Key positions, in the keyboard's numbering.
constexpr int32_t kAnyKey = -1;
constexpr int32_t kKeyEscape = 1;
constexpr int32_t kKeyQ = 16;
constexpr int32_t kKeyR = 19;
constexpr int32_t kKeyI = 23;
constexpr int32_t kKeyO = 24;
constexpr int32_t kKeyReturn = 28;
constexpr int32_t kKeyLeftCtrl = 29;
constexpr int32_t kKeyLeftShift = 42;
constexpr int32_t kKeyZ = 44;
constexpr int32_t kKeyC = 46;
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
    } else if (KeyReleased(kKeyC)) {
        ToggleFlag(parameters.colourMode);
    } else if (KeyReleased(kKeyR)) {
        ResetParameters(parameters);
        RenderPicture();
    } else if (KeyReleased(kKeyO)) {
        ToggleFlag(parameters.originCentred);
        RenderPicture();
    } else if (KeyReleased(kKeyI)) {
        showValuesDialog();
    } else if (KeyReleased(kKeyZ)) {
        RandomiseParameters(parameters);
        RenderPicture();
    }
}

bool openWindowWithKeyboard(const Parameters& parameters) {
    return WindowOpen(0, 0, 0, parameters.pictureSize, parameters.pictureSize, L"Whirlway", kWindowFlags) != 0 &&
           KeyboardInit() != 0 && ScreenInit() != 0 && ScreenOpenInWindow(WindowHandle(0), 0, 0, 0, 0) != 0;
}

}  // namespace

void WhirlwayRun() {
    Parameters& parameters = gParameters;
    ParametersSetDefaults();
    if (!openWindowWithKeyboard(parameters)) {
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
        if (KeyHeld(kKeyEscape) || KeyHeld(kKeyQ)) {
            return;
        }
    }
}
