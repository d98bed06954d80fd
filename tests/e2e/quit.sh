#!/usr/bin/env bash
# Ending the program: a close request (Alt+F4) leaves it running; Escape ends it with exit code
# 0, and so does Q in a second run.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start
main=$(e2e_open_main)
e2e_shot "$main" "$E2E_WORK/before.ppm" || e2e_fatal "no screenshot of the main window"
xdotool key alt+F4
sleep 1.5
if e2e_running && main=$(e2e_find "$E2E_TITLE_MAIN" 1); then
    e2e_pass "Alt+F4 leaves the program and its window"
else
    e2e_fatal "Alt+F4 ended the program or closed its window"
fi
e2e_focus "$main"
e2e_tap Escape
if e2e_wait_exit 15; then
    [ "$E2E_STATUS" = 0 ] && e2e_pass "Escape ends the program with exit code 0" ||
        e2e_fail "Escape ended the program with exit code $E2E_STATUS"
else
    e2e_fail "Escape did not end the program within 15 s"
fi

e2e_start
main=$(e2e_open_main)
e2e_tap q
if e2e_wait_exit 15; then
    [ "$E2E_STATUS" = 0 ] && e2e_pass "Q ends the program with exit code 0" ||
        e2e_fail "Q ended the program with exit code $E2E_STATUS"
else
    e2e_fail "Q did not end the program within 15 s"
fi
e2e_absent "$E2E_TITLE_MAIN" 5 || e2e_fail "the window outlived the program"
e2e_finish
