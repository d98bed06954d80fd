// The main loop: each turn waits for window activity, samples the keyboard, applies the held
// keys (re-rendering whenever any key is down), runs the first released-key command, and ends
// when Escape or Q is held. Everything runs on the one thread the process starts with.
#include "app/main_loop.h"

#include "app/help_values.h"
#include "app/parameters.h"
#include "app/render.h"
#include "runtime/core/random.h"
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
constexpr float kSmallestDf = 1e-19f;          // df is never left at exactly 0

float speedFromModifiers() {
    if (KeyHeld(kKeyLeftAlt)) {
        return 0.01f;
    }
    if (KeyHeld(kKeyLeftShift)) {
        return KeyHeld(kKeyLeftCtrl) ? 100.0f : 5.0f;
    }
    return 1.0f;
}

// Steps are added in double and the result stored back as a float.
float stepped(float value, float step, float factor, double direction) {
    return static_cast<float>(static_cast<double>(value) +
                              direction * static_cast<double>(step) * static_cast<double>(factor));
}

void guardDf(Parameters& parameters) {
    if (parameters.df == 0.0f) {
        parameters.df = kSmallestDf;
    }
}

// Only the first held arrow, in the order Left, Right, Up, Down, acts on a turn.
void applyArrowKeys(Parameters& parameters) {
    if (KeyHeld(kKeyLeft)) {
        parameters.el = stepped(parameters.el, parameters.elStep, parameters.speedFactor, +1.0);
    } else if (KeyHeld(kKeyRight)) {
        parameters.el = stepped(parameters.el, parameters.elStep, parameters.speedFactor, -1.0);
    } else if (KeyHeld(kKeyUp)) {
        parameters.df = stepped(parameters.df, parameters.dfStep, parameters.speedFactor, +1.0);
        guardDf(parameters);
    } else if (KeyHeld(kKeyDown)) {
        parameters.df = stepped(parameters.df, parameters.dfStep, parameters.speedFactor, -1.0);
        guardDf(parameters);
    }
}

float randomParameter() {
    const int64_t whole = RandomRange(3, 0);
    const int64_t divisor = RandomRange(999999, 999);
    return static_cast<float>(static_cast<double>(whole) + 1.0 / static_cast<double>(divisor));
}

void randomise(Parameters& parameters) {
    parameters.el = randomParameter();
    parameters.df = randomParameter();
    parameters.colourMode = static_cast<uint8_t>(RandomRange(1, 0) - 1);  // 0 → colour, 1 → black and white
}

// Reset restores the picture, not the speed or the step sizes.
void resetParameters(Parameters& parameters) {
    parameters.el = kDefaultEl;
    parameters.df = kDefaultDf;
    parameters.colourMode = kFlagOn;
    parameters.originCentred = kFlagOn;
}

// The first released key of the chain acts; the keys after it are not asked on this turn.
void runReleasedKeyCommand(Parameters& parameters) {
    if (KeyReleased(kKeyReturn)) {
        ShowHelp();
    } else if (KeyReleased(kKeyC)) {
        parameters.colourMode = static_cast<uint8_t>(~parameters.colourMode);
    } else if (KeyReleased(kKeyR)) {
        resetParameters(parameters);
        RenderPicture();
    } else if (KeyReleased(kKeyO)) {
        parameters.originCentred = static_cast<uint8_t>(~parameters.originCentred);
        RenderPicture();
    } else if (KeyReleased(kKeyI)) {
        ShowValues();
    } else if (KeyReleased(kKeyZ)) {
        randomise(parameters);
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
    ShowHelp();
    for (;;) {
        WindowNextEvent();
        KeyboardSample();
        if (KeyHeld(kAnyKey)) {
            parameters.speedFactor = speedFromModifiers();
            applyArrowKeys(parameters);
            RenderPicture();
        }
        runReleasedKeyCommand(parameters);
        if (KeyHeld(kKeyEscape) || KeyHeld(kKeyQ)) {
            return;
        }
    }
}
