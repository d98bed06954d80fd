#!/usr/bin/env bash
# Without DirectInput, or without OpenGL on the display, the program cannot read the keyboard and
# ends at once with exit code 0: no help, no message. Its window is opened before the keyboard and
# the screen are tried, so it may be seen for a moment; it must be gone when the program ends.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# expectSilentExit NAME: the started program ends within 30 s with code 0, never shows the help
# box, and leaves no window on $DISPLAY.
expectSilentExit() {
    local name=$1 help=no shown=0 id
    local deadline=$((SECONDS + 30))
    while e2e_running && [ "$SECONDS" -lt "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name '^HELP \(press Return to open again\)$' 2>/dev/null)
        [ -n "$id" ] && help=yes
        id=$(xdotool search --onlyvisible --name "^$E2E_TITLE_MAIN\$" 2>/dev/null)
        [ -n "$id" ] && shown=$((shown + 1))
        sleep 0.1
    done
    if ! e2e_wait_exit 1; then
        e2e_stop
        e2e_fail "$name: the program was still running after 30 s"
        return
    fi
    [ "$shown" -eq 0 ] || e2e_log "$name: the window was seen in $shown polls (0.1 s apart) before the end"
    if [ "$help" = yes ]; then
        e2e_fail "$name: the help box was shown"
    elif ! e2e_absent "$E2E_TITLE_MAIN" 1; then
        e2e_fail "$name: a window titled '$E2E_TITLE_MAIN' outlived the program"
    elif [ "$E2E_STATUS" != 0 ]; then
        e2e_fail "$name: exit code $E2E_STATUS"
    else
        e2e_pass "$name: ended with exit code 0, without help or message"
    fi
}

e2e_start WINEDLLOVERRIDES=dinput=d
expectSilentExit "without DirectInput"

e2e_start_xvfb -extension GLX || e2e_fatal "could not start an Xvfb without GLX"
noGlx=$E2E_XVFB_DISPLAY
# The prefix's Wine server may belong to another display; Wine takes the display from each
# program's own environment.
DISPLAY=$noGlx xdpyinfo | grep -qw GLX && e2e_fatal "display $noGlx still offers GLX"
export DISPLAY=$noGlx
e2e_start
expectSilentExit "without OpenGL (display $noGlx has no GLX)"
e2e_finish
