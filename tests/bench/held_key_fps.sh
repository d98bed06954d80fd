#!/usr/bin/env bash
# Frames per second of whirlway.exe under Wine with the Left arrow held on the default picture,
# counted from outside: every turn with Left held steps el by 0.00023 and renders once, so the
# number of renders is the change of el (read from the values box through the clipboard) over the
# step. The program's processor time over the hold (from /proc; a Wine process is one Linux
# process) gives the cost per frame even on a busy machine.
# Not a test; run by hand: held_key_fps.sh whirlway.exe pattern_reference.exe [SECONDS]
source "$(dirname "$0")/../e2e/lib.sh"
seconds=${3:-5}
e2e_init "$1" "$2"

e2e_start
main=$(e2e_open_main)
sleep 1

# Processor time of the program so far, in clock ticks.
cpuTicks() { awk '{ print $14 + $15 }' "/proc/$E2E_PID/stat"; }

ticksBefore=$(cpuTicks)
started=$(date +%s.%N)
xdotool keydown Left
sleep "$seconds"
xdotool keyup Left
ended=$(date +%s.%N)
ticksAfter=$(cpuTicks)
sleep 1

e2e_tap i
values=$(e2e_find "$E2E_TITLE_VALUES" 10) || e2e_fatal "I did not open the values box"
e2e_focus "$values"
e2e_clipboard_mark
xdotool key ctrl+a
xdotool key ctrl+c
text=
for _ in $(seq 20); do
    text=$(e2e_clipboard | tr -d '\r')
    [ "$text" != whirlway-e2e-marker ] && break
    sleep 0.1
done
e2e_log "values after the hold: $text"
el=$(sed -n 's/^el = \([-0-9.e+]*\) .*/\1/p' <<<"$text")
[ -n "$el" ] || e2e_fatal "no el in the values box"
python3 - "$el" "$started" "$ended" "$((ticksAfter - ticksBefore))" "$(getconf CLK_TCK)" <<'PY'
import sys
el, started, ended, ticks, perSecond = (float(value) for value in sys.argv[1:])
renders = round((el - 1.0940010548) / 0.00023)
held = ended - started
cpuMs = 1000.0 * ticks / perSecond
print(f"{renders} renders in {held:.2f} s held: {renders / held:.1f} frames per second; "
      f"processor {cpuMs / renders:.1f} ms per frame ({100.0 * cpuMs / 1000.0 / held:.0f}% busy)")
PY
e2e_focus "$values"
xdotool key Escape
e2e_stop
e2e_finish
