#!/usr/bin/env bash
# Frames per second of whirlway.exe under Wine with the Left arrow held, on three pictures: the
# default one centred, the default one at the top-left origin (R, then O), and a picture Z gives
# at the top-left origin: Z is pressed until the picture's el and df meet a condition, by default
# el of 2 or more; WHIRLWAY_Z_CONDITION sets another, as a Python expression in el and df (the
# slowest pictures are '2 <= el < 3 and df < 0.001', one Z in sixteen). Counted from
# outside: every turn with Left held steps el by 0.00023 and renders once, so the number of
# renders is the change of el (read from the values box through the clipboard) over the step.
# Beside each figure:
# - the processor time of the main thread and of each other thread per frame (from /proc; a
#   Wine process is one Linux process), which holds even on a busy machine, and the load average;
# - the pictures that reached the X server while the key was held: drawings of the window
#   reported by the X server and distinct pictures read back (x_pictures.c, built here with cc;
#   reading every picture back costs processor time too, WHIRLWAY_COUNT_PICTURES=0 leaves it out);
# - with WHIRLWAY_SERVER_TRACE=1, the requests the program's threads made to the Wine server per
#   frame, from a server started with its trace on (WINEDEBUG=+server) for a prefix of its own,
#   build/wine/server-trace unless WHIRLWAY_WINEPREFIX names another; the trace slows the
#   program, so the frame rate of such a run means nothing.
# Not a test; run by hand: held_key_fps.sh whirlway.exe pattern_reference.exe [SECONDS]
# Five runs of each figure, as the goals are stated:
#   for run in 1 2 3 4 5; do tests/bench/held_key_fps.sh EXE REF; done
#   for run in 1 2 3 4 5; do WHIRLWAY_Z_CONDITION='2 <= el < 3 and df < 0.001' tests/bench/held_key_fps.sh EXE REF; done
here=$(cd "$(dirname "$0")" && pwd)
trace=${WHIRLWAY_SERVER_TRACE:-0}
if [ "$trace" = 1 ]; then
    export WHIRLWAY_WINEPREFIX=${WHIRLWAY_WINEPREFIX:-$here/../../build/wine/server-trace}
fi
source "$here/../e2e/lib.sh"
seconds=${3:-5}
e2e_init "$1" "$2"

counter=$E2E_WORK/x_pictures
[ "${WHIRLWAY_COUNT_PICTURES:-1}" = 1 ] || counter=
[ -z "$counter" ] || cc -O2 -o "$counter" "$here/x_pictures.c" -lX11 -lXext -lXdamage 2>"$E2E_WORK/cc.out" || {
    e2e_log "no picture counter (needs cc and the X11, Xext and Xdamage headers): $(head -n1 "$E2E_WORK/cc.out")"
    counter=
}
if [ "$trace" = 1 ]; then
    # The trace is written by the server, so the program must start a server of its own.
    prefix=$WHIRLWAY_WINEPREFIX
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    WINEPREFIX=$prefix wineserver -w
    e2e_start WINEDEBUG=+server
else
    e2e_start
fi
main=$(e2e_open_main) || exit 1
sleep 1

# "TID NAME TICKS" for each thread of the program: processor time so far, in clock ticks.
threadTicks() {
    local task
    for task in /proc/"$E2E_PID"/task/*; do
        printf '%s %s %s\n' "${task##*/}" "$(tr ' ' _ <"$task/comm")" "$(awk '{ print $14 + $15 }' "$task/stat")"
    done
}

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

# measure NAME: holds Left for the given seconds and prints the frame rate and what goes with it.
measure() {
    local name=$1 before after started ended pictures= traceFrom=0 traceTo=0
    before=$(readValues)
    [ -n "$(elOf "$before")" ] || e2e_fatal "no el in the values box: $before"
    threadTicks >"$E2E_WORK/ticks.before"
    [ "$trace" = 1 ] && traceFrom=$(stat -c %s "$E2E_WORK/whirlway.out")
    if [ -n "$counter" ]; then
        "$counter" "$main" "$seconds" >"$E2E_WORK/pictures" 2>&1 &
        local counting=$!
        E2E_BACKGROUND+=("$counting")
    fi
    started=$(date +%s.%N)
    xdotool keydown Left
    sleep "$seconds"
    xdotool keyup Left
    ended=$(date +%s.%N)
    threadTicks >"$E2E_WORK/ticks.after"
    [ "$trace" = 1 ] && traceTo=$(stat -c %s "$E2E_WORK/whirlway.out")
    if [ -n "$counter" ]; then
        wait "$counting"
        pictures=$(cat "$E2E_WORK/pictures")
    fi
    sleep 1
    after=$(readValues)
    [ -n "$(elOf "$after")" ] || e2e_fatal "no el in the values box: $after"
    python3 - "$name" "$(elOf "$before")" "$(dfOf "$before")" "$(elOf "$after")" "$started" "$ended" \
        "$(getconf CLK_TCK)" "$(cut -d' ' -f1-3 /proc/loadavg)" "$E2E_PID" "$E2E_WORK" "$pictures" \
        "$traceFrom" "$traceTo" <<'PY'
import collections, re, sys
name, elBefore, df, elAfter, started, ended, perSecond, load, pid, work, pictures, traceFrom, traceTo = sys.argv[1:]
elBefore, df, elAfter, started, ended, perSecond = (float(v) for v in (elBefore, df, elAfter, started, ended, perSecond))
renders = round((elAfter - elBefore) / 0.00023)
frames = max(renders, 1)
held = ended - started

def ticks(path):
    threads = {}
    for line in open(path):
        tid, comm, count = line.split()
        threads[tid] = (comm, int(count))
    return threads

before, after = ticks(f"{work}/ticks.before"), ticks(f"{work}/ticks.after")
used = {tid: after[tid][1] - before.get(tid, (None, 0))[1] for tid in after}
msPerFrame = lambda count: 1000.0 * count / perSecond / frames
others = sorted(((count, tid) for tid, count in used.items() if tid != pid and count > 0), reverse=True)
print(f"{name} (el {elBefore:g}, df {df:g}): {renders} renders in {held:.2f} s held: "
      f"{renders / held:.1f} frames per second; load {load}")
print(f"  processor per frame: main thread {msPerFrame(used.get(pid, 0)):.2f} ms, other threads "
      f"{msPerFrame(sum(count for count, _ in others)):.2f} ms"
      + "".join(f"; {after[tid][0]} {tid} {msPerFrame(count):.2f}" for count, tid in others))
if pictures:
    updates, distinct, captures, watched = pictures.split()
    watched = float(watched)
    print(f"  at the X server over {watched:.2f} s: {int(updates) / watched:.1f} drawings of the window per second, "
          f"{int(distinct) / watched:.1f} distinct pictures per second read back ({captures} readings)")
traceFrom, traceTo = int(traceFrom), int(traceTo)
if traceTo > traceFrom:
    # A thread's requests are the trace lines "TID: name( ... )"; its replies read "name() = ...".
    ours, first = set(), None
    with open(f"{work}/whirlway.out", "rb") as trace:
        head = trace.read(traceFrom).decode("latin-1")
        during = trace.read(traceTo - traceFrom).decode("latin-1")
    # The first thread names the process's Linux pid, the others their own Linux thread ids.
    for match in re.finditer(r"^(\w{4}): init_(first_thread\( unix_pid|thread\( unix_tid)=(\d+),", head, re.M):
        if match.group(3) == pid and match.group(2).startswith("first") or match.group(3) in after:
            ours.add(match.group(1))
            first = match.group(1) if match.group(2).startswith("first") else first
    requests = collections.defaultdict(collections.Counter)
    for match in re.finditer(r"^(\w{4}): (\w+)\((.*)$", during, re.M):
        if match.group(1) in ours and not match.group(3).startswith(") = "):
            requests[match.group(1)][match.group(2)] += 1
    total = sum(sum(counter.values()) for counter in requests.values())
    print(f"  Wine server requests per frame: {total / frames:.1f}")
    for thread, counter in sorted(requests.items(), key=lambda item: -sum(item[1].values())):
        role = "main thread" if thread == first else f"server thread {thread}"
        names = ", ".join(f"{request} {count / frames:.2f}" for request, count in counter.most_common())
        print(f"    {role}: {sum(counter.values()) / frames:.2f}: {names}")
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
for _ in $(seq 100); do
    e2e_tap z
    sleep 0.3
    values=$(readValues)
    if python3 -c "import sys; el, df = float(sys.argv[1]), float(sys.argv[2]); sys.exit(0 if ($condition) else 1)" \
        "$(elOf "$values")" "$(dfOf "$values")"; then
        met=1
        break
    fi
done
[ -n "$met" ] || e2e_fatal "a hundred presses of Z gave no picture with $condition"
measure "a picture Z gave ($condition), top-left"

e2e_stop
e2e_finish
