#!/usr/bin/env bash
# Key mash: random taps and holds of every bound key (arrows alone and with Shift, Ctrl+Shift or
# left Alt; C, O, R, Z, I, Return), closing whichever dialog comes to the front, for a while;
# then R must still give exactly the default picture and Escape must end the program with exit
# code 0, with no crash dialog on the way.
#
# 20 s by default; WHIRLWAY_SOAK=1 mashes for 2 minutes, WHIRLWAY_MASH_SECONDS for any time.
# WHIRLWAY_MASH_SEED repeats a run's keys (the seed is printed); WHIRLWAY_MASH_VERBOSE=1 logs
# them. WHIRLWAY_UPDATE_SCREENSHOT=1 also saves the start picture, once it equals the reference,
# as docs/whirlway.png.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

if [ -n "${WHIRLWAY_MASH_SECONDS:-}" ]; then
    duration=$WHIRLWAY_MASH_SECONDS
elif [ "${WHIRLWAY_SOAK:-}" = 1 ]; then
    duration=120
else
    duration=20
fi
seed=${WHIRLWAY_MASH_SEED:-$(( $(date +%s%N) % 32768 ))}
RANDOM=$seed
e2e_log "mashing for $duration s with seed $seed (WHIRLWAY_MASH_SEED=$seed repeats the keys)"

crashTitle='Program Error'
keysSent=0
taps=0
holds=0
helpOpened=0
valuesOpened=0
dialogsLate=0  # dialog keys whose dialog had not opened 5 s after the release
pictureChanges=0

# rssKib: the program's resident size in KiB (a Wine process is one Linux process).
rssKib() { ps -o rss= -p "$E2E_PID" 2>/dev/null | tr -d ' '; }

# The random helpers leave their result in $picked: bash reseeds RANDOM in every subshell, so
# drawing inside $(...) would make the run unrepeatable.
picked=

# pick WORD...: one of the words at random.
pick() {
    local words=("$@")
    picked=${words[RANDOM % ${#words[@]}]}
}

# seconds MIN_MS MAX_MS: a random duration in seconds.
seconds() {
    local ms=$(($1 + RANDOM % ($2 - $1 + 1)))
    printf -v picked '%d.%03d' $((ms / 1000)) $((ms % 1000))
}

# describeState: what a failure report needs: the windows and the program's state.
describeState() {
    local id visible
    visible=$(xdotool search --onlyvisible --name '.' 2>/dev/null)
    for id in $(xdotool search --name '.' 2>/dev/null); do
        e2e_log "window $id: '$(xdotool getwindowname "$id" 2>/dev/null)'" \
            "$(e2e_geometry "$id" 2>/dev/null) $(grep -qx "$id" <<<"$visible" && echo visible)"
    done
    e2e_log "focus on $(xdotool getwindowfocus 2>/dev/null), main window $main"
    e2e_running && e2e_log "whirlway.exe: $(ps -o stat=,pcpu=,rss= -p "$E2E_PID")"
}

# One search finds the dialogs and a crash report alike; searches are slow on a busy machine.
# shellcheck disable=SC2016  # a sed expression, not a shell one
helpPattern=$(printf '%s' "$E2E_TITLE_HELP" | sed 's/[][\.*^$()+?{}|]/\\&/g')
windowPattern="^($helpPattern|$E2E_TITLE_VALUES)\$|$crashTitle"

# closeDialogs: closes the help box or the values box while one is in front (the values box with
# Return or Escape at random), then makes sure the main window has the focus. Stops the test
# when a crash report shows or the program has ended. Succeeds when it closed something.
closeDialogs() {
    local closed=1 id key title ids
    while ids=$(xdotool search --onlyvisible --name "$windowPattern" 2>/dev/null) && [ -n "$ids" ]
    do
        id=$(head -n1 <<<"$ids")
        title=$(xdotool getwindowname "$id" 2>/dev/null)
        case $title in
            "$E2E_TITLE_HELP") key=Return ;;
            "$E2E_TITLE_VALUES") pick Return Escape && key=$picked ;;
            *"$crashTitle"*) e2e_fatal "a '$title' window appeared (seed $seed)" ;;
            *) break ;;
        esac
        e2e_focus "$id"
        e2e_tap "$key"
        keysSent=$((keysSent + 1))
        e2e_absent "$title" 10 || e2e_fatal "$key did not close '$title' within 10 s (seed $seed)"
        closed=0
    done
    e2e_running || e2e_fatal "whirlway.exe ended during the mash (seed $seed)"
    # A dialog may also have been closed by a mashed key, leaving the focus elsewhere.
    if [ "$closed" = 0 ] || [ "$(xdotool getwindowfocus 2>/dev/null)" != "$main" ]; then
        e2e_front "$main"
    fi
    return "$closed"
}

# Keys go out in bursts, one xdotool run each: starting a process costs more than a key.
burst=()

# queueTap KEY MIN_MS MAX_MS: a press and a release after a random time.
queueTap() {
    seconds "$2" "$3"
    burst+=(keydown "$1" sleep "$picked" keyup "$1")
    keysSent=$((keysSent + 1))
    taps=$((taps + 1))
}

# queueHold: one or two arrows held for up to 1.5 s, alone or with Shift, Ctrl+Shift or left Alt.
queueHold() {
    local modifiers=() arrows=() k
    case $((RANDOM % 4)) in
        1) modifiers=(Shift_L) ;;
        2) modifiers=(Control_L Shift_L) ;;
        3) modifiers=(Alt_L) ;;
    esac
    pick Left Right Up Down
    arrows=("$picked")
    if [ $((RANDOM % 5)) = 0 ]; then
        pick Left Right Up Down
        arrows+=("$picked")
    fi
    for k in "${modifiers[@]}" "${arrows[@]}"; do
        burst+=(keydown "$k" sleep 0.02)
        keysSent=$((keysSent + 1))
    done
    seconds 50 1500
    burst+=(sleep "$picked")
    for k in "${arrows[@]}" "${modifiers[@]}"; do
        burst+=(keyup "$k")
    done
    holds=$((holds + 1))
}

# mashOnce: a burst of one to five random taps and holds, sometimes ending with I or Return;
# then waits for the dialog that key opens on its release, and closes whatever is open.
mashOnce() {
    local steps=$((1 + RANDOM % 5)) roll dialog='' i
    burst=()
    for ((i = 0 ; i < steps ; i++)); do
        roll=$((RANDOM % 100))
        if [ "$roll" -lt 40 ]; then
            queueHold
        else
            pick c o r z Shift_L Left Right Up Down c z
            queueTap "$picked" 20 300
        fi
        seconds 0 200
        burst+=(sleep "$picked")
    done
    roll=$((RANDOM % 100))
    if [ "$roll" -lt 15 ]; then
        queueTap i 150 400
        dialog=$E2E_TITLE_VALUES
    elif [ "$roll" -lt 25 ]; then
        queueTap Return 150 400
        dialog=$E2E_TITLE_HELP
    fi
    [ "${WHIRLWAY_MASH_VERBOSE:-}" = 1 ] && e2e_log "burst $((actions + 1)): ${burst[*]}"
    xdotool "${burst[@]}"
    if [ -n "$dialog" ]; then
        if e2e_find "$dialog" 5 >/dev/null; then
            if [ "$dialog" = "$E2E_TITLE_HELP" ]; then
                helpOpened=$((helpOpened + 1))
            else
                valuesOpened=$((valuesOpened + 1))
            fi
        else
            # A tap shorter than a busy turn is never sampled down, and a release that shares its
            # turn with an earlier key of the chain waits for the next turn.
            dialogsLate=$((dialogsLate + 1))
        fi
    fi
    closeDialogs
}

e2e_reference "$E2E_WORK/default.ppm" 0x3F8C083A 0x3E96612E 1 1
e2e_start
main=$(e2e_open_main)
count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/start.ppm" 10) ||
    e2e_fatal "start picture differs from the reference in $count pixels"
if [ "${WHIRLWAY_UPDATE_SCREENSHOT:-}" = 1 ]; then
    mkdir -p "$E2E_ROOT/docs"
    if convert "$E2E_WORK/start.ppm" -strip -define png:compression-level=9 \
        "$E2E_ROOT/docs/whirlway.png"; then
        e2e_pass "default picture saved as docs/whirlway.png"
    else
        e2e_fail "could not save docs/whirlway.png"
    fi
fi
rssStart=$(rssKib)
rssPeak=$rssStart
e2e_log "resident size at start: $rssStart KiB"

cp "$E2E_WORK/start.ppm" "$E2E_WORK/last.ppm"
actions=0
deadline=$((SECONDS + duration))
while [ "$SECONDS" -lt "$deadline" ]; do
    mashOnce
    actions=$((actions + 1))
    if [ $((actions % 2)) = 0 ]; then
        rss=$(rssKib)
        [ -n "$rss" ] && [ "$rss" -gt "$rssPeak" ] && rssPeak=$rss
        if e2e_shot "$main" "$E2E_WORK/now.ppm" &&
            ! cmp -s "$E2E_WORK/last.ppm" "$E2E_WORK/now.ppm"; then
            pictureChanges=$((pictureChanges + 1))
            cp "$E2E_WORK/now.ppm" "$E2E_WORK/last.ppm"
        fi
    fi
done
# Whatever the last action left behind: a dialog opened late, or keys the program still sees down.
sleep 1
closeDialogs
rssEnd=$(rssKib)
e2e_log "mash done: $actions bursts, $keysSent keys sent ($taps taps, $holds holds)"
e2e_log "dialogs: help opened $helpOpened times, values $valuesOpened times;" \
    "$dialogsLate dialog keys without a dialog within 5 s"
e2e_log "picture changed at $pictureChanges of $((actions / 2)) samples (one every other burst)"
e2e_log "resident size: start $rssStart KiB, peak $rssPeak KiB, end $rssEnd KiB"
[ $((helpOpened + valuesOpened)) -gt 0 ] || [ "$actions" -lt 20 ] ||
    e2e_fail "no dialog opened in $actions actions (seed $seed)"

e2e_front "$main"
e2e_tap r 0.3
if count=$(e2e_wait_picture "$main" "$E2E_WORK/default.ppm" "$E2E_WORK/reset.ppm" 20); then
    e2e_pass "R after the mash gives exactly the default picture"
else
    e2e_fail "R after the mash: picture differs from the default in $count pixels (seed $seed)"
    describeState
fi
closeDialogs
e2e_tap Escape 0.3
if e2e_wait_exit 30; then
    if [ "$E2E_STATUS" = 0 ]; then
        e2e_pass "Escape ends the program with exit code 0"
    else
        e2e_fail "Escape ended the program with exit code $E2E_STATUS (seed $seed)"
    fi
else
    e2e_fail "Escape did not end the program within 30 s (seed $seed)"
    describeState
fi
if xdotool search --onlyvisible --name "$crashTitle" >/dev/null 2>&1; then
    e2e_fail "a '$crashTitle' window is showing (seed $seed)"
fi
e2e_finish
