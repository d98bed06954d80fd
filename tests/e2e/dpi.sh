#!/usr/bin/env bash
# At 144 dots per inch the window's 512 logical units become 768 pixels, while the picture keeps
# its 512 pixels and covers the window's top-left corner. Uses a prefix of its own with that
# resolution: WHIRLWAY_WINEPREFIX_144 if set, else the usual prefix's sibling for 144.
source "$(dirname "$0")/lib.sh"

export WHIRLWAY_DPI=144
if [ -n "${WHIRLWAY_WINEPREFIX_144:-}" ]; then
    export WHIRLWAY_WINEPREFIX=$WHIRLWAY_WINEPREFIX_144
elif [ -n "${WHIRLWAY_WINEPREFIX:-}" ]; then
    case $WHIRLWAY_WINEPREFIX in
        *96) export WHIRLWAY_WINEPREFIX=${WHIRLWAY_WINEPREFIX%96}144 ;;
        *) export WHIRLWAY_WINEPREFIX=$WHIRLWAY_WINEPREFIX-144 ;;
    esac
fi
e2e_init "$@"

e2e_reference "$E2E_WORK/default.ppm" 0x3F8C083A 0x3E96612E 1 1
e2e_start
main=$(e2e_open_main) || exit 1
read -r x y w h <<<"$(e2e_geometry "$main")"
read -r sw sh <<<"$(xdotool getdisplaygeometry)"
[ "$w" = 768 ] && [ "$h" = 768 ] && e2e_pass "window is 768x768 at 144 DPI" ||
    e2e_fail "window is ${w}x${h} at 144 DPI, not 768x768"
[ "$x" = $(((sw - w) / 2)) ] && [ "$y" = $(((sh - h) / 2)) ] && e2e_pass "window centred at $x,$y" ||
    e2e_fail "window at $x,$y; centred would be $(((sw - w) / 2)),$(((sh - h) / 2))"
count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/corner.ppm" 10 512 512) &&
    e2e_pass "top-left 512x512 pixels equal the reference" ||
    e2e_fail "top-left 512x512 pixels differ from the reference in $count pixels"
e2e_tap Escape
e2e_wait_exit 15 || e2e_fail "Escape did not end the program"
[ "${E2E_STATUS:-}" = 0 ] || e2e_fail "exit code ${E2E_STATUS:-none}"
e2e_finish
