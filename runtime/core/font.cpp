// Fonts: numbered font handles in an object registry, and the display's vertical pixels per
// inch. Relies on the registry and GDI.
#include "runtime/core/font.h"

struct FontFacility {
    ObjectRegistry* registry;  // FontObject records, growth step 16
    int32_t dpiY;              // vertical pixels per inch of the "DISPLAY" device
};

static FontFacility gFonts;

void FontInit() {
    gFonts.registry = RegistryCreate(sizeof(FontObject), 16, FontFree);
    gFonts.dpiY = 96;
    HDC display = ::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    if (display != nullptr) {
        gFonts.dpiY = ::GetDeviceCaps(display, LOGPIXELSY);
        ::DeleteDC(display);
    }
}

void FontEnd() {
    if (gFonts.registry != nullptr) {
        RegistryReleaseAll(gFonts.registry);
    }
}

void FontFree(ObjectNumber number) {
    if (gFonts.registry == nullptr) {
        return;
    }
    if (number == kAutoNumber) {
        RegistryReleaseAll(gFonts.registry);
        return;
    }
    auto* record = static_cast<FontObject*>(RegistryFind(gFonts.registry, number));
    if (record == nullptr) {
        return;
    }
    ::DeleteObject(record->font);
    RegistryRelease(gFonts.registry, number);
}

ObjectRegistry* FontRegistry() { return gFonts.registry; }
int32_t FontDisplayDpiY() { return gFonts.dpiY; }
