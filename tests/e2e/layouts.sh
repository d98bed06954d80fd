#!/usr/bin/env bash
# Letter keys act by their labels: on a French keyboard the key labelled A does not quit and the
# key labelled Z randomises, while the key labelled Q quits. Runs on a display of its own, set to
# the French layout with setxkbmap, and presses keys by their labels with xdotool.
# WINE: Wine gives DirectInput the key positions of the X layout, as Windows does.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_xvfb || e2e_fatal "could not start an Xvfb for the French layout"
export DISPLAY=$E2E_XVFB_DISPLAY
setxkbmap fr || e2e_fatal "setxkbmap fr failed"
e2e_log "French layout on display $DISPLAY"

e2e_start
main=$(e2e_open_main) || exit 1
e2e_settle "$main" "$E2E_WORK/start.ppm" 10 || e2e_fatal "the start picture did not settle"
# The key labelled A sits where Q does on a US keyboard.
e2e_tap a
if e2e_unchanged "$main" "$E2E_WORK/start.ppm" "$E2E_WORK/a.ppm" 1 && e2e_running; then
    e2e_pass "A does nothing"
else
    e2e_fatal "A ended the program or changed the picture"
fi
e2e_tap z
if count=$(e2e_wait_change "$main" "$E2E_WORK/start.ppm" "$E2E_WORK/z.ppm" 10); then
    e2e_pass "Z randomises ($count pixels changed)"
else
    e2e_fail "Z did not change the picture"
fi
e2e_quit_with q
e2e_finish
