#!/usr/bin/env bash
# Frames per second of whirlway.exe under Wine with the Left arrow held, on three pictures: the
# default one centred, the default one at the top-left origin (R, then O), and a picture Z gives
# at the top-left origin: Z is pressed until the picture's el and df meet a condition, by default
# el of 2 or more; WHIRLWAY_Z_CONDITION sets another, as a Python expression in el and df (the
# slowest pictures are '2 <= el < 3 and df < 0.001', one Z in sixteen). Counted from
# outside: every turn with Left held steps el by 0.00023 and renders once, so the number of
# renders is the change of el (read from the values box through the clipboard) over the step.
# The program's processor time over the hold (from /proc; a Wine process is one Linux process)
# gives the cost per frame even on a busy machine; the load average is printed with each figure.
# Not a test; run by hand: held_key_fps.sh whirlway.exe pattern_reference.exe [SECONDS]
source "$(dirname "$0")/../e2e/lib.sh"
seconds=${3:-5}
e2e_init "$1" "$2"

e2e_start
main=$(e2e_open_main) || exit 1
sleep 1

# Processor time of the program so far, in clock ticks.
cpuTicks() { awk '{ print $14 + $15 }' "/proc/$E2E_PID/stat"; }

# The values box's text ("el = ...   df = ..."), read through the clipboard; the box is closed
# again and the main window given back the focus.
readValues() {
    local values text=
    e2e_tap i
    values=$(e2e_find "$E2E_TITLE_VALUES" 10) || e2e_fatal "I did not open the values box"
    e2e_copy_field "$values"
    text=$E2E_COPIED
    e2e_tap Escape
    e2e_closed "$values" 10 || e2e_fatal "Escape did not close the values box"
    e2e_focus "$main"
    printf '%s\n' "$text"
}

elOf() { sed -n 's/^el = \([-0-9.e+]*\) .*/\1/p' <<<"$1"; }
dfOf() { sed -n 's/.*df = \([-0-9.e+]*\).*/\1/p' <<<"$1"; }

# measure NAME: holds Left for the given seconds and prints the frame rate.
measure() {
    local name=$1 before after ticksBefore ticksAfter started ended
    before=$(readValues)
    [ -n "$(elOf "$before")" ] || e2e_fatal "no el in the values box: $before"
    ticksBefore=$(cpuTicks)
    started=$(date +%s.%N)
    xdotool keydown Left
    sleep "$seconds"
    xdotool keyup Left
    ended=$(date +%s.%N)
    ticksAfter=$(cpuTicks)
    sleep 1
    after=$(readValues)
    [ -n "$(elOf "$after")" ] || e2e_fatal "no el in the values box: $after"
    python3 - "$name" "$(elOf "$before")" "$(dfOf "$before")" "$(elOf "$after")" "$started" "$ended" \
        "$((ticksAfter - ticksBefore))" "$(getconf CLK_TCK)" "$(cut -d' ' -f1 /proc/loadavg)" <<'PY'
import sys
name = sys.argv[1]
elBefore, df, elAfter, started, ended, ticks, perSecond, load = (float(v) for v in sys.argv[2:])
renders = round((elAfter - elBefore) / 0.00023)
held = ended - started
cpuMs = 1000.0 * ticks / perSecond
print(f"{name} (el {elBefore:g}, df {df:g}): {renders} renders in {held:.2f} s held: "
      f"{renders / held:.1f} frames per second; processor {cpuMs / max(renders, 1):.1f} ms per frame "
      f"({100.0 * cpuMs / 1000.0 / held:.0f}% busy); load {load:.2f}")
PY
}

measure "default picture, centred"

e2e_tap r
e2e_tap o
sleep 0.5
measure "default picture, top-left"

# Z until the condition holds; the origin stays at the top left.
condition=${WHIRLWAY_Z_CONDITION:-el >= 2}
met=
for _ in $(seq 60); do
    e2e_tap z
    sleep 0.3
    values=$(readValues)
    if python3 -c "import sys; el, df = float(sys.argv[1]), float(sys.argv[2]); sys.exit(0 if ($condition) else 1)" \
        "$(elOf "$values")" "$(dfOf "$values")"; then
        met=1
        break
    fi
done
[ -n "$met" ] || e2e_fatal "sixty presses of Z gave no picture with $condition"
measure "a picture Z gave ($condition), top-left"

e2e_stop
e2e_finish
