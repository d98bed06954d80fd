// Help and values: modal requesters over the main loop. Neither changes the parameters.
#include "app/help_values.h"

#include "app/parameters.h"
#include "runtime/core/float_text.h"
#include "runtime/core/runtime.h"
#include "runtime/core/temp_string.h"
#include "runtime/requester/input_requester.h"
#include "runtime/requester/message_requester.h"

static constexpr const wchar_t* kHelpTitle = L"HELP (press Return to open again)";
static constexpr const wchar_t* kHelpText =
    L"\nUse ARROW KEYS to TRIP!\n\nwith CTRL+SHIFT: SuperFaster\nwith SHIFT: Faster\nwith OPTION: Slower\n\n"
    L"C to switch BW / COLOR\n\nO to switch ORIGIN\n\nZ to RANDOMIZE\n\nR to RESET\n\nESC or Q to QUIT!\n";
static constexpr UINT kHelpStyle = MB_ICONINFORMATION | MB_OK;  // 0x40

int32_t ShowHelp() {
    MessageBoxShow(kHelpTitle, kHelpText, kHelpStyle);
    return 0;
}

void ShowValues() {
    const auto start = static_cast<int32_t>(TempStringPosition());
    TempStringAppend(u"el = ");
    FloatToText(gParameters.el, TempStringPosition());
    TempStringAppend(u"   df = ");
    FloatToText(gParameters.df, TempStringPosition());
    // Step past the terminator so that the finished text stays intact while the requester runs.
    TempStringReserve(1, static_cast<int32_t>(TempStringPosition()));
    InputBoxShow(L"VALUES", L"Current:", AsWide(TempStringAt(start)), start);
    TempStringSetPosition(start);
}
