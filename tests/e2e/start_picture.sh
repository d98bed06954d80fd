#!/usr/bin/env bash
# Start-up and ending as the user sees them: the help box over the first picture, its title and
# text, Return closing it, then a borderless 512x512 window centred on the screen showing exactly
# the reference picture of the default parameters. A close request (Alt+F4) leaves the program
# running; Escape ends it with exit code 0.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

expectedHelp=$'\nUse ARROW KEYS to TRIP!\n\nwith CTRL+SHIFT: SuperFaster\nwith SHIFT: Faster\nwith OPTION: Slower\n\nC to switch BW / COLOR\n\nO to switch ORIGIN\n\nZ to RANDOMIZE\n\nR to RESET\n\nESC or Q to QUIT!\n'

e2e_reference "$E2E_WORK/default.ppm" 0x3F8C083A 0x3E96612E 1 1
e2e_start
help=$(e2e_find "$E2E_TITLE_HELP" 30) || e2e_fatal "no help box titled '$E2E_TITLE_HELP' after start"
e2e_pass "help box '$E2E_TITLE_HELP' shown at start"

# A message box copies its title, text and buttons on Ctrl+C, between lines of dashes. Wine 8's
# message box copies nothing; then only the title can be checked.
e2e_focus "$help"
e2e_clipboard_mark
xdotool key ctrl+c
copied=
for _ in $(seq 5); do
    copied=$(e2e_clipboard | tr -d '\r'; echo x)
    copied=${copied%x}
    [ "$copied" != whirlway-e2e-marker ] && break
    sleep 0.1
done
if [ "$copied" = whirlway-e2e-marker ]; then
    e2e_log "note: Ctrl+C in the help box copied nothing (Wine's message box cannot); text not checked"
else
    # The text is what lies between the second and third line of dashes.
    text=$(printf '%s' "$copied" | awk '/^-+$/ { n++; next } n == 2'; echo x)
    text=${text%x}
    text=${text%$'\n'}
    title=$(printf '%s' "$copied" | awk '/^-+$/ { n++; next } n == 1')
    [ "$title" = "$E2E_TITLE_HELP" ] || e2e_fail "copied help title is '$title'"
    if [ "$text" = "$expectedHelp" ]; then
        e2e_pass "help text exact, with an empty line above and below"
    else
        e2e_fail "help text differs; copied:"$'\n'"$copied"
        diff <(printf '%s' "$expectedHelp") <(printf '%s' "$text") >&2
    fi
fi

e2e_close_help
e2e_pass "Return closes the help box"

main=$(e2e_find "$E2E_TITLE_MAIN" 5) || e2e_fatal "no window titled '$E2E_TITLE_MAIN'"
read -r x y w h <<<"$(e2e_geometry "$main")"
read -r sw sh <<<"$(xdotool getdisplaygeometry)"
if [ "$w" = 512 ] && [ "$h" = 512 ]; then
    e2e_pass "window is 512x512"
else
    e2e_fail "window is ${w}x${h}, not 512x512"
fi
if [ "$x" = $(((sw - w) / 2)) ] && [ "$y" = $(((sh - h) / 2)) ]; then
    e2e_pass "window centred at $x,$y on the ${sw}x${sh} screen"
else
    e2e_fail "window at $x,$y; centred on ${sw}x${sh} would be $(((sw - w) / 2)),$(((sh - h) / 2))"
fi
# Borderless: no frame of its own, and the X window is exactly the client area (the picture).
border=$(xwininfo -id "$main" | awk '/Border width/ { print $3 }')
[ "$border" = 0 ] || e2e_fail "window has an X border of $border pixels"

count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/start.ppm" 10) &&
    e2e_pass "picture equals the reference for the defaults, pixel for pixel" ||
    e2e_fail "picture differs from the reference for the defaults in $count pixels"

# The close request is queued and never looked at: window and picture stay.
e2e_focus "$main"
xdotool key alt+F4
if e2e_unchanged "$main" "$E2E_WORK/start.ppm" "$E2E_WORK/alt_f4.ppm" 1.5 && e2e_running; then
    e2e_pass "Alt+F4 leaves the program, its window and its picture"
else
    e2e_fatal "Alt+F4 ended the program or changed its window"
fi

e2e_focus "$main"
e2e_quit_with Escape
e2e_absent "$E2E_TITLE_MAIN" 5 || e2e_fail "the window outlived the program"
e2e_finish
