#!/usr/bin/env bash
# The picture under the keys: C shows black and white from the next render on, O moves the
# origin to the top-left corner, R brings back the default picture exactly, Z picks another one,
# and the arrow keys with their speed modifiers step el and df by exactly the main loop's steps
# (the number of turns a held key lasts is found by matching the screenshot).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_reference "$E2E_WORK/default.ppm" 0x3F8C083A 0x3E96612E 1 1
e2e_reference_after "$E2E_WORK/bw.ppm" C
e2e_reference_after "$E2E_WORK/bw_corner.ppm" C O

e2e_start
main=$(e2e_open_main) || exit 1
count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/default.ppm" 10) ||
    e2e_fatal "start picture differs from the reference in $count pixels"

# expectPicture NAME REFERENCE: the window settles on exactly the reference picture.
expectPicture() {
    local count
    if count=$(e2e_wait_picture "$main" "$2" "$E2E_WORK/$1.ppm" 10); then
        e2e_pass "$1: picture equals the reference"
    else
        e2e_fail "$1: picture differs from the reference in $count pixels"
    fi
}

# C only flips the mode; the colour picture stays until something renders.
e2e_tap c
if e2e_unchanged "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/c.ppm" 1; then
    e2e_pass "C alone leaves the colour picture on screen"
else
    e2e_fail "C alone changed the picture"
fi
# Holding Shift renders on its turn without changing a parameter.
e2e_tap Shift_L
expectPicture "C then Shift: black and white" "$E2E_WORK/bw.ppm"
e2e_tap o
expectPicture "O: black and white, origin top-left" "$E2E_WORK/bw_corner.ppm"
e2e_tap r
expectPicture "R: default picture" "$E2E_WORK/default.ppm"

# arrow NAME TURN KEY...: holds the keys (modifiers first) from the default picture, then finds
# how many turns of TURN give the screenshot; resets with R afterwards.
arrow() {
    local name=$1 turn=$2
    shift 2
    local shot=$E2E_WORK/$name.ppm count found
    e2e_hold 0.3 "$@"
    if ! count=$(e2e_wait_change "$main" "$E2E_WORK/default.ppm" "$shot" 10); then
        e2e_fail "$name: picture did not change"
    else
        if found=$(e2e_run_reference match "$shot" 400 "$turn" | tr -d '\r'); then
            set -- $found
            e2e_pass "$name: picture equals $turn repeated $1 times (el $2, df $3)"
        else
            e2e_fail "$name: picture is no number of $turn steps from the defaults ($found)"
        fi
    fi
    e2e_tap r
    count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$shot" 10) ||
        e2e_fatal "R after $name: picture differs from the default in $count pixels"
}

arrow left Left Left
arrow right Right Right
arrow up Up Up
arrow down Down Down
arrow shift_left Shift+Left Shift_L Left
arrow ctrl_shift_right Ctrl+Shift+Right Shift_L Control_L Right
arrow alt_left Alt+Left Alt_L Left
arrow alt_shift_ctrl_up Alt+Up Alt_L Shift_L Control_L Up

e2e_tap z
count=$(e2e_wait_change "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/z.ppm" 10) &&
    e2e_pass "Z: picture changed ($count pixels differ from the default)" ||
    e2e_fail "Z: picture did not change"

e2e_focus "$main"
e2e_tap Escape
e2e_wait_exit 15 || e2e_fail "Escape did not end the program"
[ "${E2E_STATUS:-}" = 0 ] || e2e_fail "exit code ${E2E_STATUS:-none}"
e2e_finish
