#!/usr/bin/env bash
# Without DirectInput, or without OpenGL on the display, the program cannot read the keyboard and
# ends at once: exit code 0, no window, no message.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# expectSilentExit NAME: the started program ends within 30 s with code 0 and never shows a
# window on $DISPLAY.
expectSilentExit() {
    local name=$1 seen= id
    local deadline=$((SECONDS + 30))
    while e2e_running && [ "$SECONDS" -lt "$deadline" ]; do
        for title in "$E2E_TITLE_MAIN" "$E2E_TITLE_HELP"; do
            id=$(xdotool search --onlyvisible --name "^${title//[()]/.}\$" 2>/dev/null | head -n1)
            [ -n "$id" ] && seen="$seen '$title'"
        done
        sleep 0.1
    done
    if ! e2e_wait_exit 1; then
        e2e_stop
        e2e_fail "$name: the program was still running after 30 s"
        return
    fi
    [ -z "$seen" ] || e2e_fail "$name: windows were shown:$seen"
    [ "$E2E_STATUS" = 0 ] && [ -z "$seen" ] && e2e_pass "$name: ended with exit code 0 and showed no window"
    [ "$E2E_STATUS" = 0 ] || e2e_fail "$name: exit code $E2E_STATUS"
}

e2e_start WINEDLLOVERRIDES=dinput=d
expectSilentExit "without DirectInput"

noGlx=$(e2e_start_xvfb -extension GLX) || e2e_fatal "could not start an Xvfb without GLX"
# The prefix's Wine server may belong to another display; Wine takes the display from each
# program's own environment.
DISPLAY=$noGlx xdpyinfo | grep -qw GLX && e2e_fatal "display $noGlx still offers GLX"
export DISPLAY=$noGlx
e2e_start
expectSilentExit "without OpenGL (display $noGlx has no GLX)"
e2e_finish
