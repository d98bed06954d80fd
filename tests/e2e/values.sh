#!/usr/bin/env bash
# The values box and the help on demand: I shows "VALUES" with the current el and df as one line
# of copyable text; editing it and confirming changes nothing; Escape cancels it without ending
# the program; Return released in the main window opens the help again; Q ends the program with
# exit code 0.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

expectedValues='el = 1.0940010548   df = 0.2937101722'

e2e_reference "$E2E_WORK/default.ppm" 0x3F8C083A 0x3E96612E 1 1
e2e_start
main=$(e2e_open_main) || exit 1
count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/default.ppm" 10) ||
    e2e_fatal "start picture differs from the reference in $count pixels"

e2e_tap i
values=$(e2e_find "$E2E_TITLE_VALUES" 10) || e2e_fatal "I did not open a window titled '$E2E_TITLE_VALUES'"
e2e_pass "I opens '$E2E_TITLE_VALUES'"
read -r _ _ vw vh <<<"$(e2e_geometry "$values")"
e2e_log "values box client area ${vw}x${vh}"

e2e_copy_field "$values"
copied=$E2E_COPIED
if [ "$copied" = "$expectedValues" ]; then
    e2e_pass "values field holds '$expectedValues'"
else
    e2e_fail "values field holds '$copied', expected '$expectedValues'"
fi

# Edit the field: replace the df number, check the edit took, then confirm with Return.
e2e_focus "$values"
xdotool key End
for _ in $(seq 12); do xdotool key BackSpace; done
xdotool type --delay 20 '9.75'
e2e_copy_field "$values"
copied=$E2E_COPIED
[ "$copied" = 'el = 1.0940010548   df = 9.75' ] && e2e_pass "field is editable ('$copied')" ||
    e2e_fail "after editing, the field holds '$copied'"
e2e_focus "$values"
e2e_tap Return
e2e_closed "$values" 10 && e2e_pass "Return confirms and closes the values box" ||
    e2e_fatal "Return did not close the values box"
e2e_front "$main"
count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/after_values.ppm" 10) &&
    e2e_pass "picture unchanged after confirming an edited values box" ||
    e2e_fail "picture changed after the values box: $count pixels"

# The values box again: the parameters did not take the edited text.
e2e_tap i
values=$(e2e_find "$E2E_TITLE_VALUES" 10) || e2e_fatal "I did not open '$E2E_TITLE_VALUES' a second time"
e2e_copy_field "$values"
copied=$E2E_COPIED
[ "$copied" = "$expectedValues" ] && e2e_pass "second values box holds the unchanged values" ||
    e2e_fail "second values box holds '$copied'"
e2e_focus "$values"
e2e_tap Escape
e2e_closed "$values" 10 && e2e_pass "Escape cancels the values box" ||
    e2e_fatal "Escape did not close the values box"
e2e_running || e2e_fatal "the Escape that cancelled the values box also ended the program"

e2e_front "$main"
e2e_tap Return
e2e_find "$E2E_TITLE_HELP" 10 >/dev/null && e2e_pass "Return in the main window opens the help again" ||
    e2e_fatal "Return in the main window did not open the help"
e2e_close_help
e2e_front "$main"
count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/end.ppm" 10) &&
    e2e_pass "picture still the default" || e2e_fail "picture differs from the default in $count pixels"

e2e_focus "$main"
e2e_quit_with q
e2e_finish
