#!/usr/bin/env bash
# Without DirectInput, or without OpenGL on the display, the program cannot read the keyboard. It
# says so in a box titled "Whirlway cannot start" that names what is missing, and once a person
# closes the box it ends with exit code 1, leaving no window behind. It never shows its help.
# WINE: the box's text cannot be copied from Wine's message box; Wine's msgbox trace shows it.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

E2E_TITLE_CANNOT_START='Whirlway cannot start'

# expectSaidFailure NAME NEEDED: the started program shows the box, whose text names NEEDED, and
# ends with exit code 1 once Return closes it.
expectSaidFailure() {
    local name=$1 needed=$2 box
    if ! box=$(e2e_find "$E2E_TITLE_CANNOT_START" 30); then
        e2e_wait_exit 5 || e2e_stop
        e2e_fail "$name: no box titled '$E2E_TITLE_CANNOT_START' (exit code ${E2E_STATUS:-none})"
        return
    fi
    e2e_absent "$E2E_TITLE_HELP" 0 || e2e_fail "$name: the help box was shown"
    if ! e2e_running; then
        e2e_fail "$name: the program ended while its box was still up"
        return
    fi
    local text
    text=$(grep -a 'msgbox:MSGBOX_OnInit' "$E2E_WORK/whirlway.out" | tail -n1)
    case $text in
        *"$needed"*) e2e_pass "$name: the box says what is needed: ${text#*MSGBOX_OnInit }" ;;
        *) e2e_fail "$name: the box does not name $needed (${text:-no text traced})" ;;
    esac
    e2e_focus "$box"
    e2e_tap Return
    if ! e2e_wait_exit 15; then
        e2e_stop
        e2e_fail "$name: the program was still running 15 s after Return on its box"
    elif [ "$E2E_STATUS" != 1 ]; then
        e2e_fail "$name: exit code $E2E_STATUS once the box was closed"
    elif ! e2e_absent "$E2E_TITLE_MAIN" 1 || ! e2e_absent "$E2E_TITLE_CANNOT_START" 1; then
        e2e_fail "$name: a window outlived the program"
    else
        e2e_pass "$name: ended with exit code 1 once the box was closed"
    fi
}

e2e_start WINEDLLOVERRIDES=dinput=d WINEDEBUG=-all,+msgbox
expectSaidFailure "without DirectInput" DirectInput

e2e_start_xvfb -extension GLX || e2e_fatal "could not start an Xvfb without GLX"
noGlx=$E2E_XVFB_DISPLAY
# The prefix's Wine server may belong to another display; Wine takes the display from each
# program's own environment.
DISPLAY=$noGlx xdpyinfo | grep -qw GLX && e2e_fatal "display $noGlx still offers GLX"
export DISPLAY=$noGlx
e2e_start WINEDEBUG=-all,+msgbox
expectSaidFailure "without OpenGL (display $noGlx has no GLX)" OpenGL
e2e_finish
