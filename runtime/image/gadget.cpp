// The gadget facility: the gadget registry, the default gadget font, the current gadget-list window
// and the per-window record that saves it while another window is the gadget list. Relies on the
// object registry, the runtime heap, common controls, and on window creation for the gadget binding.
#include "runtime/image/gadget.h"

#include <commctrl.h>

#include <cwchar>

#include "runtime/core/runtime_heap.h"

namespace {

constexpr int32_t kGadgetGrowthStep = 50;
constexpr int32_t kContainerStackStart = 10;
// The size of the metrics record before the padded-border field, accepted by every system.
constexpr UINT kNonClientMetricsSize = 500;
constexpr DWORD kCommonControlClasses = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES |
                                        ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;

// Saved gadget list of a window that has been a gadget parent, reached through its property.
struct GadgetStackRecord {
    HWND window;           // the window this record belongs to
    HWND parent;           // saved `parent`
    HWND* containerStack;  // saved container stack, or null while the state holds it
    int32_t stackDepth;
    int32_t stackCapacity;
    WNDPROC previousProc;  // the window procedure GadgetStackProc replaced
};

ObjectRegistry* gGadgets = nullptr;  // the gadget registry
GadgetState* gState = nullptr;       // the facility's state record
wchar_t gStackProperty[48];          // "TW_GadgetStack_<module instance>", made on first use
GadgetStackRecord* gRecentStack = nullptr;  // the record stackRecordOf found last; null once freed

const wchar_t* stackPropertyName() {
    if (!gStackProperty[0]) {
        auto instance = reinterpret_cast<intptr_t>(::GetModuleHandleW(nullptr));
        std::swprintf(gStackProperty, sizeof(gStackProperty) / sizeof(gStackProperty[0]), L"TW_GadgetStack_%lld",
                      static_cast<long long>(instance));
    }
    return gStackProperty;
}

// Asked for every message of a gadget-list window, so the record last found is kept until its
// window goes. WINE: every GetPropW is a round trip to the window server.
GadgetStackRecord* stackRecordOf(HWND window) {
    if (gRecentStack && gRecentStack->window == window) {
        return gRecentStack;
    }
    auto* record = static_cast<GadgetStackRecord*>(::GetPropW(window, stackPropertyName()));
    if (record) {
        gRecentStack = record;
    }
    return record;
}

HWND currentGadgetList() {
    if (gState->stackDepth != 0 && gState->containerStack) {
        return gState->containerStack[0];
    }
    return gState->parent;
}

bool giveStateFreshStack() {
    if (!gState->containerStack) {
        gState->containerStack = static_cast<HWND*>(RuntimeAlloc(kContainerStackStart * sizeof(HWND)));
        if (!gState->containerStack) {
            return false;
        }
        gState->stackCapacity = kContainerStackStart;
    }
    gState->stackDepth = 0;
    return true;
}

void constructState(void* record) {
    auto* state = static_cast<GadgetState*>(record);
    state->containerStack = static_cast<HWND*>(RuntimeAlloc(kContainerStackStart * sizeof(HWND)));
    state->stackCapacity = state->containerStack ? kContainerStackStart : 0;
}

}  // namespace

void GadgetInit() {
    HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) {
        HFONT messageFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
        if (messageFont) {
            font = messageFont;
        }
    }
    gGadgets = RegistryCreate(sizeof(GadgetObject), kGadgetGrowthStep, GadgetFree);
    gState = static_cast<GadgetState*>(StateRecordCreate(sizeof(GadgetState), constructState));
    if (gState) {
        gState->defaultFont = font;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    ::InitCommonControlsEx(&controls);
}

// Gadgets end with their parent windows, so the registry is left alone here.
void GadgetEnd() {
    if (gState && gState->auxiliaryWindow) {
        ::DestroyWindow(gState->auxiliaryWindow);
        gState->auxiliaryWindow = nullptr;
    }
}

ObjectRegistry* GadgetRegistry() { return gGadgets; }

GadgetState* GadgetStateGet() { return gState; }

void GadgetFree(ObjectNumber number) {
    if (!gGadgets) {
        return;
    }
    if (number == kAutoNumber) {
        RegistryReleaseAll(gGadgets);
        return;
    }
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(gGadgets, number));
    if (!gadget) {
        return;
    }
    // The common gadget procedure releases the number when the control goes.
    ::DestroyWindow(gadget->window);
    // A control that was already gone (or refused to go) leaves the record live; release it here,
    // or freeing every gadget would visit the same number for ever.
    if (RegistryFind(gGadgets, number) == gadget) {
        if (gadget->kind && gadget->kind->releaseData) {
            gadget->kind->releaseData(gadget);
        }
        RegistryRelease(gGadgets, number);
    }
}

bool GadgetStateSet(ObjectNumber number, LPARAM state) {
    auto* gadget = gGadgets ? static_cast<GadgetObject*>(RegistryFind(gGadgets, number)) : nullptr;
    if (!gadget || !gadget->kind || !gadget->kind->setState) {
        return false;
    }
    gadget->kind->setState(gadget, state);
    return true;
}

HWND GadgetParentSet(HWND window) {
    if (!gState) {
        return nullptr;
    }
    HWND previous = currentGadgetList();
    if (!window) {
        return previous;
    }

    if (previous) {
        GadgetStackRecord* saved = stackRecordOf(previous);
        if (saved) {
            if (saved->containerStack && saved->containerStack != gState->containerStack) {
                RuntimeFree(saved->containerStack);
            }
            saved->parent = gState->parent;
            saved->containerStack = gState->containerStack;
            saved->stackDepth = gState->stackDepth;
            saved->stackCapacity = gState->stackCapacity;
            gState->containerStack = nullptr;
            gState->stackDepth = 0;
            gState->stackCapacity = 0;
        }
    }

    GadgetStackRecord* record = stackRecordOf(window);
    if (record) {
        RuntimeFree(gState->containerStack);
        gState->parent = record->parent;
        gState->containerStack = record->containerStack;
        gState->stackDepth = record->stackDepth;
        gState->stackCapacity = record->stackCapacity;
        record->containerStack = nullptr;
        record->stackDepth = 0;
        record->stackCapacity = 0;
        return previous;
    }

    giveStateFreshStack();
    gState->parent = window;
    record = static_cast<GadgetStackRecord*>(RuntimeAlloc(sizeof(GadgetStackRecord)));
    if (record) {
        record->window = window;
        ::SetPropW(window, stackPropertyName(), record);
        record->previousProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GadgetStackProc)));
    }
    return previous;
}

LRESULT CALLBACK GadgetStackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    GadgetStackRecord* record = stackRecordOf(window);
    if (!record) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    WNDPROC previousProc = record->previousProc;
    if (message == WM_NCDESTROY) {
        if (gState && record->window == currentGadgetList()) {
            gState->parent = nullptr;
            gState->stackDepth = 0;
        }
        if (record == gRecentStack) {
            gRecentStack = nullptr;
        }
        RuntimeFree(record->containerStack);
        RuntimeFree(record);
        ::RemovePropW(window, stackPropertyName());
    }
    if (previousProc) {
        return ::CallWindowProcW(previousProc, window, message, wParam, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}
