#!/usr/bin/env bash
# A DLL left beside whirlway.exe under the name of a system DLL that the program uses never runs:
# for each name, a copy of the program with planted_dll.dll beside it under that name, and Wine
# told to prefer a DLL found there to its own (as Windows always does), starts normally, shows
# its help and ends with exit code 0; the planted DLL leaves no trace of having run. First, the
# planted DLL is shown to run when it is loaded at all.
# Usage: planted_dlls.sh whirlway.exe pattern_reference.exe planted_dll.dll
source "$(dirname "$0")/lib.sh"
planted=${3:-}
[ -f "$planted" ] || { echo "usage: $0 whirlway.exe pattern_reference.exe planted_dll.dll" >&2; exit 2; }
e2e_init "$1" "$2"
program=$E2E_EXE

# ranIn FOLDER: prints the trace a planted DLL left there, if any (named as the loader spelt it).
ranIn() { ls "$1" | grep -i '\.ran$'; }

control=$E2E_WORK/control
mkdir -p "$control"
cp "$planted" "$control/planted.dll"
"$E2E_WINE_EXEC" rundll32.exe "Z:${control//\//\\}\\planted.dll,Run" </dev/null >/dev/null 2>&1
status=$?
[ "$status" = 77 ] && [ -n "$(ranIn "$control")" ] ||
    e2e_fatal "the planted DLL did not show that it ran when loaded (exit code $status)"
e2e_pass "the planted DLL, once loaded, leaves its trace and ends the process with 77"

for name in dinput opengl32 glu32 msimg32; do
    folder=$E2E_WORK/$name
    mkdir -p "$folder"
    cp "$program" "$folder/whirlway.exe"
    cp "$planted" "$folder/$name.dll"
    E2E_EXE=$folder/whirlway.exe
    e2e_start "WINEDLLOVERRIDES=$name=n,b"
    if ! help=$(e2e_find "$E2E_TITLE_HELP" 30); then
        e2e_wait_exit 5
        e2e_stop
        e2e_fail "$name.dll planted: no help box (exit code ${E2E_STATUS:-none}; trace: $(ranIn "$folder"))"
        continue
    fi
    e2e_focus "$help"
    e2e_tap Return
    e2e_closed "$help" 10 || e2e_fatal "$name.dll planted: Return did not close the help box"
    main=$(e2e_find "$E2E_TITLE_MAIN" 5) || e2e_fatal "$name.dll planted: no window titled $E2E_TITLE_MAIN"
    e2e_focus "$main"
    e2e_tap Escape
    if ! e2e_wait_exit 15; then
        e2e_stop
        e2e_fail "$name.dll planted: Escape did not end the program"
    elif [ "$E2E_STATUS" != 0 ] || [ -n "$(ranIn "$folder")" ]; then
        e2e_fail "$name.dll planted: exit code $E2E_STATUS, trace: $(ranIn "$folder")"
    else
        e2e_pass "$name.dll planted: never ran; the program started normally and ended with 0"
    fi
done
e2e_finish
