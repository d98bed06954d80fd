# Harness for the end-to-end tests, sourced by each script: runs whirlway.exe under Wine and
# drives it as a person would, with X key events (xdotool), screenshots (ImageMagick) and the
# clipboard (xclip). Every wait polls with a time limit; whatever a script started is stopped when
# it exits, passing or not. Uses $DISPLAY and $WHIRLWAY_WINEPREFIX when set; without a display it
# starts a private Xvfb.
#
# A script calls e2e_init "$@" (whirlway.exe, pattern_reference.exe), then the e2e_* helpers, and
# ends with e2e_finish. Failed checks are counted and reported; e2e_fatal stops the script. A failed
# script keeps its screenshots and references in its work folder (E2E_KEEP=0 removes them).

set -uo pipefail

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_WINE_EXEC=$E2E_ROOT/tools/wine-exec
E2E_TITLE_HELP='HELP (press Return to open again)'
E2E_TITLE_MAIN=Whirlway
E2E_TITLE_VALUES=VALUES

E2E_EXE=
E2E_REF=
E2E_WORK=
E2E_PID=            # the running whirlway.exe (a Wine process is one Linux process)
E2E_STATUS=         # its exit code once e2e_wait_exit has seen it end
E2E_FAILURES=0
E2E_STARTED=$SECONDS
E2E_BACKGROUND=()   # other processes this script started (Xvfb, xclip), stopped at exit

e2e_log() { printf '%s [%3ds] %s\n' "$(basename "$0" .sh)" $((SECONDS - E2E_STARTED)) "$*" >&2; }
e2e_pass() { e2e_log "ok: $*"; }
e2e_fail() {
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_log "FAILED: $*"
}
e2e_fatal() {
    e2e_fail "$*"
    exit 1
}

e2e_cleanup() {
    local status=$?
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        e2e_log "stopping whirlway.exe (pid $E2E_PID) left running"
        kill -KILL "$E2E_PID" 2>/dev/null
        wait "$E2E_PID" 2>/dev/null
    fi
    local pid
    for pid in "${E2E_BACKGROUND[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    if [ -n "$E2E_WORK" ]; then
        if [ "$status" -ne 0 ] && [ "${E2E_KEEP:-1}" != 0 ]; then
            e2e_log "screenshots and references kept in $E2E_WORK"
        else
            rm -rf "$E2E_WORK"
        fi
    fi
}

# e2e_init WHIRLWAY_EXE PATTERN_REFERENCE_EXE
e2e_init() {
    [ $# -eq 2 ] || { echo "usage: $0 whirlway.exe pattern_reference.exe" >&2; exit 2; }
    E2E_EXE=$1
    E2E_REF=$2
    [ -f "$E2E_EXE" ] || { echo "$0: no program at $E2E_EXE" >&2; exit 2; }
    [ -f "$E2E_REF" ] || { echo "$0: no program at $E2E_REF" >&2; exit 2; }
    local tool
    for tool in xdotool xwininfo xdpyinfo import compare xclip Xvfb wine wineserver cmp awk; do
        command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
    done
    E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/whirlway-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
        e2e_start_xvfb || e2e_fatal "could not start a private Xvfb"
        export DISPLAY=$E2E_XVFB_DISPLAY
    fi
    export WINEDEBUG=${WINEDEBUG:--all}
    # One thread each: the machine is shared with the program under test.
    export MAGICK_THREAD_LIMIT=${MAGICK_THREAD_LIMIT:-1}
    e2e_keep_server "${WHIRLWAY_WINEPREFIX:-$E2E_ROOT/build/wine/${WHIRLWAY_DPI:-96}}" "${WHIRLWAY_DPI:-96}"
    e2e_log "display $DISPLAY, prefix ${WHIRLWAY_WINEPREFIX:-$E2E_ROOT/build/wine/${WHIRLWAY_DPI:-96}}"
}

# e2e_start_xvfb [XVFB OPTIONS...]: starts an Xvfb on a free display number and sets
# E2E_XVFB_DISPLAY to ":N". Runs in the script's own shell, so that the server is its child and
# is stopped and reaped at exit.
E2E_XVFB_DISPLAY=
e2e_start_xvfb() {
    local ready=$E2E_WORK/display.$RANDOM
    : >"$ready"
    Xvfb -screen 0 1280x1024x24 -nolisten tcp -noreset "$@" -displayfd 3 3>"$ready" \
        </dev/null >/dev/null 2>&1 &
    local pid=$!
    E2E_BACKGROUND+=("$pid")
    local _
    for _ in $(seq 100); do
        [ -s "$ready" ] && break
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    [ -s "$ready" ] || return 1
    E2E_XVFB_DISPLAY=:$(head -n1 "$ready")
}

# e2e_keep_server PREFIX DPI: makes the prefix if needed and keeps its Wine server alive for a
# few seconds between programs, so each start does not pay for a new server. A server already
# running for the prefix (tools/test keeps one) is used as it is.
e2e_keep_server() {
    local prefix=$1 dpi=$2
    "$E2E_ROOT/tools/wine-prefix" "$prefix" "$dpi" || e2e_fatal "could not prepare the Wine prefix $prefix"
    WINEPREFIX=$prefix wineserver -p10 </dev/null >/dev/null 2>&1
}

# e2e_run_reference ARGS...: runs pattern_reference.exe under Wine (same prefix as the program).
e2e_run_reference() {
    "$E2E_WINE_EXEC" "$E2E_REF" "$@"
}

# e2e_reference OUT.ppm EL DF COLOUR ORIGIN: the expected picture.
e2e_reference() {
    local out=$1
    shift
    e2e_run_reference picture - "$@" >"$out" || e2e_fatal "pattern_reference picture $* failed"
}

# e2e_reference_after OUT.ppm TURN...: the expected picture after replaying turns on the defaults.
e2e_reference_after() {
    local out=$1
    shift
    local params
    params=$(e2e_run_reference params "$@" | tr -d '\r') || e2e_fatal "pattern_reference params $* failed"
    # shellcheck disable=SC2086  # four words: el df colour origin
    e2e_reference "$out" $params
}

# e2e_start [VAR=VALUE...]: starts whirlway.exe in the background with extra environment.
e2e_start() {
    E2E_STATUS=
    env "$@" "$E2E_WINE_EXEC" "$E2E_EXE" </dev/null >"$E2E_WORK/whirlway.out" 2>&1 &
    E2E_PID=$!
    e2e_log "started whirlway.exe (pid $E2E_PID)"
}

e2e_running() { [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; }

# e2e_find TITLE [SECONDS]: prints the id of the visible window with exactly that title, waiting
# up to SECONDS (10) for it. Fails when it does not appear or the program has ended.
e2e_find() {
    local title=$1 limit=${2:-10}
    local pattern id deadline
    pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$"
    deadline=$(($(date +%s%N) + limit * 1000000000))
    while :; do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        e2e_running || return 1
        sleep 0.1
    done
}

# e2e_absent TITLE [SECONDS]: succeeds when no visible window has that title, waiting up to
# SECONDS (5) for one to go away.
e2e_absent() {
    local title=$1 limit=${2:-5}
    local pattern deadline
    pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$"
    deadline=$(($(date +%s%N) + limit * 1000000000))
    while xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
    return 0
}

# e2e_closed WINDOW_ID [SECONDS]: waits up to SECONDS (10) until the X window no longer exists.
# WINE: without a window manager, Wine's thread waits about two seconds for a closing captioned
# window (the help and values boxes) to be withdrawn, and keys pressed meanwhile reach the
# program's keyboard only in one late batch, down and up together, so they are never seen held.
# The X window is destroyed when that wait is over.
e2e_closed() {
    local id=$1 limit=${2:-10}
    local deadline
    deadline=$(($(date +%s%N) + limit * 1000000000))
    while xwininfo -id "$id" >/dev/null 2>&1; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# e2e_focus WINDOW_ID: gives the window the X focus (there is no window manager to do it).
e2e_focus() {
    xdotool windowfocus --sync "$1" 2>/dev/null || timeout 5 xdotool windowfocus "$1" 2>/dev/null
    # Wine takes the FocusIn event as activation; give it a moment to make the window foreground.
    sleep 0.2
}

# e2e_front WINDOW_ID: the X focus and a click, as a person would bring a window to the front.
# WINE: without a window manager, Wine sometimes makes the desktop its foreground window a few
# milliseconds after a dialog closes (a late FocusOut). Keys then reach neither the window nor
# the keyboard device, and moving the X focus back does not help; a click on the window does.
e2e_front() {
    e2e_focus "$1"
    xdotool mousemove --window "$1" 256 256 click 1
    sleep 0.1
}

# e2e_geometry WINDOW_ID: prints "X Y WIDTH HEIGHT" of the window on the screen.
e2e_geometry() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    echo "$X $Y $WIDTH $HEIGHT"
}

# e2e_shot WINDOW_ID OUT.ppm [WIDTH HEIGHT]: screenshot of the window's top-left WIDTH x HEIGHT
# pixels (its whole area by default; a borderless window's X window is its client area), as an
# 8-bit binary PPM like the references, so that equal pictures are equal files.
e2e_shot() {
    local id=$1 out=$2
    local x y w h
    read -r x y w h <<<"$(e2e_geometry "$id")"
    [ -n "$h" ] || return 1
    w=${3:-$w}
    h=${4:-$h}
    import -window root -crop "${w}x${h}+${x}+${y}" +repage -depth 8 "ppm:$out" 2>/dev/null
}

# e2e_same A.ppm B.ppm: the two pictures are identical (a byte comparison: ImageMagick is slow).
e2e_same() { cmp -s "$1" "$2"; }

# e2e_diff A B: prints the number of differing pixels (compare -metric AE); "size" when the
# images differ in size.
e2e_diff() {
    e2e_same "$1" "$2" && { echo 0; return; }
    local count
    count=$(compare -metric AE "$1" "$2" null: 2>&1 >/dev/null)
    case $count in
        '' | *[!0-9.e+]*) echo size ;;
        *) printf '%.0f\n' "$count" ;;
    esac
}

# e2e_settle WINDOW_ID OUT.ppm [SECONDS]: waits until two screenshots 0.25 s apart are the same
# (the picture no longer changes), leaving the last one in OUT.ppm.
e2e_settle() {
    local id=$1 out=$2 limit=${3:-20}
    local previous=$E2E_WORK/settle.ppm deadline
    deadline=$(($(date +%s%N) + limit * 1000000000))
    e2e_shot "$id" "$previous" || return 1
    while :; do
        sleep 0.25
        e2e_shot "$id" "$out" || return 1
        e2e_same "$previous" "$out" && return 0
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        cp "$out" "$previous"
    done
}

# e2e_wait_picture WINDOW_ID EXPECTED OUT.ppm [SECONDS] [WIDTH HEIGHT]: waits until the window
# shows exactly EXPECTED; prints the number of differing pixels of the last screenshot.
e2e_wait_picture() {
    local id=$1 expected=$2 out=$3 limit=${4:-20} w=${5:-} h=${6:-}
    local deadline count
    deadline=$(($(date +%s%N) + limit * 1000000000))
    while :; do
        if e2e_shot "$id" "$out" $w $h && e2e_same "$expected" "$out"; then
            echo 0
            return 0
        fi
        if [ "$(date +%s%N)" -ge "$deadline" ]; then
            [ -f "$out" ] && count=$(e2e_diff "$expected" "$out")
            echo "${count:-no screenshot}"
            return 1
        fi
        sleep 0.2
    done
}

# e2e_wait_change WINDOW_ID BEFORE OUT.ppm [SECONDS]: waits until the window's picture differs
# from BEFORE and has settled; prints the number of differing pixels.
e2e_wait_change() {
    local id=$1 before=$2 out=$3 limit=${4:-20}
    local deadline count
    deadline=$(($(date +%s%N) + limit * 1000000000))
    while :; do
        e2e_shot "$id" "$out" && ! e2e_same "$before" "$out" && break
        if [ "$(date +%s%N)" -ge "$deadline" ]; then
            echo 0
            return 1
        fi
        sleep 0.2
    done
    e2e_settle "$id" "$out" "$limit" || return 1
    e2e_diff "$before" "$out"
}

# e2e_unchanged WINDOW_ID BEFORE OUT.ppm [SECONDS]: watches the picture for SECONDS (1.5) and
# fails if it ever differs from BEFORE.
e2e_unchanged() {
    local id=$1 before=$2 out=$3 limit=${4:-1.5}
    local end count
    end=$(($(date +%s%N) + $(awk -v seconds="$limit" 'BEGIN { printf "%d", seconds * 1e9 }')))
    while [ "$(date +%s%N)" -lt "$end" ]; do
        e2e_shot "$id" "$out" || return 1
        e2e_same "$before" "$out" || return 1
        sleep 0.2
    done
}

# e2e_tap KEY [HOLD]: presses a key and releases it after HOLD seconds (0.15): long enough for
# the program's next keyboard sample to see it down, shorter than the auto-repeat delay.
e2e_tap() {
    xdotool keydown "$1"
    sleep "${2:-0.15}"
    xdotool keyup "$1"
}

# e2e_hold SECONDS KEY...: holds the keys down (pressed in order), then releases them in reverse.
e2e_hold() {
    local seconds=$1
    shift
    local key
    for key in "$@"; do
        xdotool keydown "$key"
        sleep 0.05
    done
    sleep "$seconds"
    local i
    for ((i = $# ; i >= 1 ; i--)); do
        xdotool keyup "${!i}"
        sleep 0.05
    done
}

# e2e_clipboard_mark: puts a marker text on the X clipboard, so a failed copy is not mistaken
# for an old one. Call it from the script's own shell, not inside $(...), so that the xclip
# serving the marker is the script's child and is reaped.
e2e_clipboard_mark() {
    printf 'whirlway-e2e-marker' | xclip -quiet -selection clipboard >/dev/null 2>&1 &
    E2E_BACKGROUND+=("$!")
    sleep 0.1
}

# e2e_copy_field WINDOW_ID: selects the whole text of the focused field of the window and copies
# it; sets E2E_COPIED to the clipboard's text ("" if nothing was copied). Runs in the script's own
# shell, like e2e_clipboard_mark.
E2E_COPIED=
e2e_copy_field() {
    e2e_focus "$1"
    e2e_clipboard_mark
    xdotool key ctrl+a
    xdotool key ctrl+c
    for _ in $(seq 20); do
        E2E_COPIED=$(e2e_clipboard | tr -d '\r')
        [ "$E2E_COPIED" != whirlway-e2e-marker ] && break
        sleep 0.1
    done
    [ "$E2E_COPIED" = whirlway-e2e-marker ] && E2E_COPIED=
}

# e2e_clipboard: prints the X clipboard's text.
e2e_clipboard() {
    timeout 5 xclip -o -selection clipboard 2>/dev/null
}

# e2e_wait_exit SECONDS: waits for whirlway.exe to end; sets E2E_STATUS to its exit code. Fails
# when it is still running after SECONDS (and leaves it running).
e2e_wait_exit() {
    local limit=$1
    local deadline
    deadline=$(($(date +%s%N) + limit * 1000000000))
    while kill -0 "$E2E_PID" 2>/dev/null; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
    wait "$E2E_PID"
    E2E_STATUS=$?
    E2E_PID=
    return 0
}

# e2e_quit_with KEY: presses KEY as a person does and checks that the program ends within 15 s
# with exit code 0.
e2e_quit_with() {
    e2e_tap "$1"
    if e2e_wait_exit 15; then
        [ "$E2E_STATUS" = 0 ] && e2e_pass "$1 ends the program with exit code 0" ||
            e2e_fail "$1 ended the program with exit code $E2E_STATUS"
    else
        e2e_fail "$1 did not end the program within 15 s"
    fi
}

# e2e_stop: ends a whirlway.exe that the test no longer needs.
e2e_stop() {
    if e2e_running; then
        kill -KILL "$E2E_PID" 2>/dev/null
        wait "$E2E_PID" 2>/dev/null
    fi
    E2E_PID=
}

# e2e_close_help: closes the help box with Return, pressed as a person does, and waits until it
# is gone. The main window never acts on a key that closed a dialog, so its release is harmless.
e2e_close_help() {
    local help
    help=$(e2e_find "$E2E_TITLE_HELP" 30) || e2e_fatal "the help box did not appear"
    e2e_focus "$help"
    e2e_tap Return
    e2e_closed "$help" 10 || e2e_fatal "Return did not close the help box"
}

# e2e_open_main: waits for the help box shown at start, closes it, and prints the main window's
# id, with the X focus on it. Called as main=$(e2e_open_main) || exit 1: its failure is reported
# inside the $(...) and ends only that subshell.
e2e_open_main() {
    local main
    e2e_close_help
    main=$(e2e_find "$E2E_TITLE_MAIN" 5) || e2e_fatal "no window titled $E2E_TITLE_MAIN"
    e2e_focus "$main"
    echo "$main"
}

# e2e_finish: reports the outcome; the script's exit code.
e2e_finish() {
    if [ "$E2E_FAILURES" -eq 0 ]; then
        e2e_log "all checks passed in $((SECONDS - E2E_STARTED)) s"
        exit 0
    fi
    e2e_log "$E2E_FAILURES check(s) failed"
    exit 1
}
