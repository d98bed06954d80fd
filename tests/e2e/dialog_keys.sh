#!/usr/bin/env bash
# The key that closes a dialog acts on the dialog alone. The help box (at start-up, and opened
# again by Return) and the values box are closed with Return or Escape pressed as a person does
# (120 ms), held long (700 ms), and tapped as xdotool does (12 ms). After each, the program still
# runs and answers keys, no help box is open, and the picture is the default.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_reference "$E2E_WORK/default.ppm" 0x3F8C083A 0x3E96612E 1 1
e2e_reference_after "$E2E_WORK/corner.ppm" O

main=

# press KEY HOLD: the key down for HOLD seconds, or "tap" for xdotool's own 12 ms press.
press() {
    if [ "$2" = tap ]; then
        xdotool key "$1"
    else
        e2e_tap "$1" "$2"
    fi
}

# closeWith TITLE KEY HOLD: presses KEY in the dialog titled TITLE; it must close.
closeWith() {
    local title=$1 key=$2 hold=$3 id
    id=$(e2e_find "$title" 30) || { e2e_fail "no '$title' to close with $key ($hold)"; return 1; }
    e2e_focus "$id"
    press "$key" "$hold"
    e2e_closed "$id" 10 || { e2e_fail "$key ($hold) did not close '$title'"; return 1; }
}

# expectUntouched CASE: the main loop went on past the closing key without acting on it. O, and O
# again, in the main window show the corner picture and then the default one, which neither a
# help box opened by the key nor an ended program would; then no help box is open.
expectUntouched() {
    local case=$1 count
    e2e_running || { e2e_fail "$case: the program ended"; return 1; }
    e2e_front "$main"
    e2e_tap o
    if ! count=$(e2e_wait_picture "$main" "$E2E_WORK/corner.ppm" "$E2E_WORK/probe.ppm" 10); then
        e2e_fail "$case: O did not move the origin ($count pixels from the corner picture);" \
            "$(e2e_running && echo 'the program still runs' || echo 'the program ended')"
        return 1
    fi
    e2e_tap o
    if ! count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/probe.ppm" 10); then
        e2e_fail "$case: the picture is not the default after O twice ($count pixels differ)"
        return 1
    fi
    e2e_absent "$E2E_TITLE_HELP" 0 || { e2e_fail "$case: a help box is open"; return 1; }
    e2e_pass "$case: nothing else happened"
}

# startClosingHelp KEY HOLD: starts the program and closes its start-up help with the key.
startClosingHelp() {
    e2e_start
    closeWith "$E2E_TITLE_HELP" "$1" "$2" || return 1
    main=$(e2e_find "$E2E_TITLE_MAIN" 5) || { e2e_fail "no window titled $E2E_TITLE_MAIN"; return 1; }
    expectUntouched "start-up help closed with $1 ($2)"
}

# reopenAndClose OPENER OPENER_HOLD TITLE KEY HOLD: OPENER, held for OPENER_HOLD seconds and
# released in the main window, opens the dialog, which KEY closes.
reopenAndClose() {
    local opener=$1 openerHold=$2 title=$3 key=$4 hold=$5
    e2e_tap "$opener" "$openerHold"
    closeWith "$title" "$key" "$hold" || return 1
    expectUntouched "'$title' opened by $opener ($openerHold), closed with $key ($hold)"
}

# Each run starts the program afresh; a failed case ends its run.
runPerson() {
    startClosingHelp Return 0.12 &&
        reopenAndClose Return 0.12 "$E2E_TITLE_HELP" Return 0.12 &&
        reopenAndClose Return 0.7 "$E2E_TITLE_HELP" Return 0.7 &&
        reopenAndClose i 0.12 "$E2E_TITLE_VALUES" Return 0.12 &&
        reopenAndClose i 0.12 "$E2E_TITLE_VALUES" Escape 0.7
}
runTaps() {
    startClosingHelp Return tap &&
        reopenAndClose Return 0.12 "$E2E_TITLE_HELP" Return tap &&
        reopenAndClose i 0.12 "$E2E_TITLE_VALUES" Return tap &&
        reopenAndClose i 0.12 "$E2E_TITLE_VALUES" Escape tap
}

for run in runPerson "startClosingHelp Return 0.7" "startClosingHelp Escape 0.12" runTaps \
    "startClosingHelp Escape tap"; do
    $run
    e2e_stop
done
e2e_finish
