#!/usr/bin/env bash
# End-to-end cases against the shipped executable under Wine: real key
# presses and clicks through the X server (xdotool), the window read from
# outside by e2e_probe.exe. One case a run, in the prefix of the build
# (x86 or x64) that made the program:
#   e2e.sh <case> <arch> <program.exe> <folder of the probe and helpers> <screenshot.png>
set -uo pipefail
case_name=$1
exe=$3
tools=$4
screenshot=$5
source "$(dirname "$0")/../../scripts/wine-env.sh"
use_arch "$2" || exit 2

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
expect_eq() { [ "$2" == "$3" ] || fail "$1: expected '$3', got '$2'"; }
lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }

started_display=
if [ -z "${DISPLAY:-}" ]; then
    start_display
    started_display=1
    prepare_prefix || exit 1
fi

programs=() # unix pids of the copies started here
cleanup() {
    for p in "${programs[@]}"; do kill "$p" 2>/dev/null; done
    [ -n "${helper:-}" ] && kill "$helper" 2>/dev/null
    if [ -n "$started_display" ]; then
        stop_wine
        stop_display
    fi
}
trap cleanup EXIT

probe() { wine "$tools/e2e_probe.exe" "$1" 2>/dev/null | tr -d '\r'; }
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }
field() { sed -n "s/^$1: //p" <<<"$state"; }
row() { cut -d'|' -f$(($2 + 1)) <<<"$1"; }
read_state() { state=$(probe "$winpid"); }

# Re-reads the state until the condition (a shell expression over it) holds,
# up to 40 reads (or $2) a quarter second apart; the program answers keys and
# clicks in its own time.
settle() {
    local i
    for i in $(seq 1 "${2:-40}"); do
        read_state
        eval "$1" && return 0
        sleep 0.25
    done
    return 1
}

# Starts one copy and waits for its window with both lists filled; sets
# winpid (Windows process id), xwin (its X window) and program (unix pid of
# the probe that started it, which ends with the program's exit code). The
# probe reserves the 64-bit program's address space below 4 GB before it
# runs, so that its heap lies above, as it can on Windows.
start_program() {
    local before xbefore after i id
    before=$(probe windows | sed -n 's/^ids: //p')
    xbefore=" $(xdotool search --all --name '^Tarnwick Orrimel$' 2>/dev/null | tr '\n' ' ')"
    "$WINE" "$tools/e2e_probe.exe" start "$(windows_path "$exe")" >/dev/null 2>&1 &
    program=$!
    programs+=("$program")
    winpid=
    for i in $(seq 1 120); do
        after=$(probe windows | sed -n 's/^ids: //p')
        for id in $after; do
            [[ " $before " == *" $id "* ]] || winpid=$id
        done
        [ -n "$winpid" ] && break
        sleep 0.25
    done
    [ -n "$winpid" ] || { fail "no main window appeared"; exit 1; }
    settle '[ -n "$(field processes)" ] && [ -n "$(field modules)" ]' || fail "lists not filled"
    # This copy's X window: the one that was not there before (X window ids
    # need not grow with each new client).
    xwin=
    for i in $(seq 1 20); do
        for id in $(xdotool search --all --name '^Tarnwick Orrimel$' 2>/dev/null); do
            [[ "$xbefore " == *" $id "* ]] || xwin=$id
        done
        [ -n "$xwin" ] && break
        sleep 0.25
    done
    [ -n "$xwin" ] || { fail "no new X window of the program"; exit 1; }
}

# Starts one copy in the Wine desktop named $1 (use_desktop) and waits for
# its window with both lists filled and a path shown; sets winpid and
# program as start_program does.
start_in_desktop() {
    local desktop=
    "$WINE" "$tools/e2e_probe.exe" start "$(windows_path "$exe")" >/dev/null 2>&1 &
    program=$!
    programs+=("$program")
    for _ in $(seq 1 120); do
        desktop=$(xdotool search --name "^$1 - Wine desktop\$" 2>/dev/null | head -1)
        [ -n "$desktop" ] && break
        sleep 0.25
    done
    [ -n "$desktop" ] || fail "no desktop window"
    winpid=
    for _ in $(seq 1 40); do
        winpid=$(probe windows | sed -n 's/^ids: //p')
        [ -n "$winpid" ] && break
        sleep 0.25
    done
    [ -n "$winpid" ] || { fail "no main window in the desktop"; exit 1; }
    settle '[ -n "$(field modules)" ] && [ -n "$(field path)" ]' || fail "lists not filled"
    sleep 1 # the lists paint
}

# A picture of the screen's top left corner, of the size given; a failed or
# blank one is a failure.
picture() {
    local colours
    if import -window root -crop "$1+0+0" "$2"; then
        colours=$(identify -format '%k' "$2" 2>/dev/null || echo 0)
        [ "$colours" -ge 4 ] && echo "screenshot: $2" || fail "blank screenshot ($colours colours)"
    else
        fail "the screen could not be taken"
    fi
}

# Keys go to the X window that has the input focus; with no window manager
# here the script gives it, and waits until Wine has made the window the
# foreground window, as keys sent before that are lost.
keys() {
    xdotool windowfocus --sync "$xwin" 2>/dev/null
    settle '[ "$(field foreground)" = 1 ]' || fail "the window did not come to the foreground"
    xdotool key --delay 50 "$@"
}

# Ctrl+F in the program's window, then the find window to the front.
open_finder() {
    keys ctrl+f
    settle '[ "$(field finder)" = "1 Find Module" ]' || fail "no find window: '$(field finder)'"
    xdotool windowfocus --sync "$(xdotool search --name '^Find Module$' | tail -1)" 2>/dev/null
    settle '[ "$(field finder_foreground)" = 1 ]' || fail "the find window did not come to the front"
}

# Waits up to ten seconds for the copy to end, then checks its exit code 0.
expect_exit() {
    local i
    for i in $(seq 1 40); do
        kill -0 "$program" 2>/dev/null || break
        sleep 0.25
    done
    if kill -0 "$program" 2>/dev/null; then
        fail "still running after $1 ($(probe windows | tr "\n" " "); $(probe "$winpid" | grep -E "^(finder|focus|foreground)" | tr "\n" " "))"
        return
    fi
    wait "$program"
    expect_eq "exit code after $1" "$?" 0
}

close_program() {
    keys alt+F4
    expect_exit Alt+F4
}

# Row i of the process list selected: its modules listed, the executable
# first, and the path box showing that executable's full path.
expect_process_shown() {
    local i=$1 name first
    name=$(row "$(field processes)" "$i")
    first=$(row "$(field modules)" 0)
    expect_eq "selected process" "$(field process_selected)" "$i"
    expect_eq "first module of $name" "$(lower "$first")" "$(lower "$name")"
    expect_eq "selected module" "$(field module_selected)" 0
    local path
    path=$(field path)
    [[ "$(lower "$path")" == *"\\$(lower "$name")" ]] || fail "path '$path' is not that of $name"
}

# Starts a process from a folder named in four scripts, holding a DLL whose
# full path is longer than MAX_PATH, through folders named so too; sets
# helper (its unix pid), helper_name, helper_path, helper_pid (its Windows
# process id), module_name, module_path and module_base (as it reports them).
# With "locked", no other process can open the helper.
start_names_helper() {
    local names=$tools/names folder deep report
    rm -rf "$names"
    folder="$names/Папка Φάκελος 文件夹 🙂"
    helper_name="Помощник-Βοηθός-助手-🙂.exe"
    mkdir -p "$folder"
    cp "$tools/names_helper.exe" "$folder/$helper_name"
    deep=$names
    for i in 1 2 3 4 5 6 7 8 9 10 11; do deep="$deep/Каталог Κατάλογος 目录 🙂 $i"; done
    module_name="модуль-μονάδα-模块-🙂.dll"
    mkdir -p "$deep"
    cp "$tools/named_module.dll" "$deep/$module_name"
    helper_path=$(windows_path "$folder/$helper_name")
    module_path=$(windows_path "$deep/$module_name")
    [ ${#module_path} -gt 300 ] || fail "the module's path has only ${#module_path} characters"
    report=$names/report.txt
    rm -f "$report"
    "$WINE" "$folder/$helper_name" "$module_path" "$(windows_path "$report")" "$@" >/dev/null 2>&1 &
    helper=$!
    for _ in $(seq 1 80); do [ -s "$report" ] && break; sleep 0.25; done
    read -r helper_pid module_base <"$report" || fail "the helper wrote no report"
}

# Starts the helper holding the test DLL signed at build time, a copy
# changed after signing and the unsigned one, from $tools/signing; sets
# helper and signing_pid.
start_signing_helper() {
    signing=$tools/signing
    rm -rf "$signing" && mkdir -p "$signing"
    for dll in signed_module changed_module named_module; do cp "$tools/$dll.dll" "$signing/"; done
    "$WINE" "$tools/names_helper.exe" "$(windows_path "$signing/signed_module.dll")*$(windows_path \
        "$signing/changed_module.dll")*$(windows_path "$signing/named_module.dll")" \
        "$(windows_path "$signing/report.txt")" >/dev/null 2>&1 &
    helper=$!
    for _ in $(seq 1 80); do [ -s "$signing/report.txt" ] && break; sleep 0.25; done
    read -r signing_pid _ <"$signing/report.txt" || fail "the signing helper wrote no report"
}

# Ends the helper that start_names_helper started.
end_names_helper() {
    kill "$helper" 2>/dev/null
    wait "$helper" 2>/dev/null
    helper=
}

case $case_name in
window)
    start_program
    read_state
    expect_eq class "$(field class)" MainWindow
    expect_eq title "$(field title)" "Tarnwick Orrimel"
    expect_eq "outer size" "$(field outer | cut -d' ' -f1)" 467x430
    expect_eq "maximise box" "$(field maximize_box)" 0
    expect_eq "sizing border" "$(field sizing_border)" 0
    expect_eq focus "$(field focus)" ProcessListBox
    expect_process_shown 0
    # Side by side, the lists are of one height, scroll bar or none.
    expect_eq "list heights" "$(grep '^child: ModuleListBox' <<<"$state" | cut -d' ' -f6)" \
        "$(grep '^child: ProcessListBox' <<<"$state" | cut -d' ' -f6)"
    # What the rows say is drawn in them.
    sleep 1
    import -window root "$screenshot.window.png" || fail "the screen could not be taken"
    for list in process module; do
        rows_drawn "$screenshot.window.png" "$(field ${list}_rows_at)" || fail "no text drawn in the $list list's rows"
    done
    close_program
    ;;
closebutton)
    # With no window manager nothing draws a caption; in a Wine desktop of
    # its own, Wine draws the frame itself, close button and all. Only this
    # program's runs go there, and the probe's, to find its window; only
    # while this case runs.
    use_desktop e2e 640x480
    trap 'forget_settings; cleanup' EXIT
    start_in_desktop e2e
    kill -0 "$program" 2>/dev/null || fail "the program ended before the click"
    expect_eq "main windows before the click" "$(probe windows | sed -n 's/^windows: //p')" 1
    # The window stands at the desktop's origin, its close button at the
    # right end of the caption.
    picture 467x430 "$screenshot"
    xdotool mousemove 453 11 click 1
    expect_exit "a click on the close button"
    ;;
scaled)
    # The program at 96 DPI, then at 144 (the prefix's LogPixels, only while
    # this case runs): the client area and every child half as large again
    # within two pixels, a list's height within one of its rows; labels
    # measure their text, so their heights are the fonts'.
    use_desktop e2e 1024x768
    trap 'forget_settings; cleanup' EXIT
    measures() { sed -n 's/^client: \([0-9]* [0-9]*\).*/client \1/p; s/^child: //p' <<<"$state"; }
    start_in_desktop e2e
    at96=$(measures)
    kill "$program" && wait "$program" 2>/dev/null
    # The desktop keeps the DPI it started with: the next copy waits for a
    # new one.
    for _ in $(seq 1 40); do
        xdotool search --name '^e2e - Wine desktop$' >/dev/null 2>&1 || break
        sleep 0.25
    done
    timeout 120 "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 </dev/null
    start_in_desktop e2e
    at144=$(measures)
    picture "$(field outer | cut -d' ' -f1)" "${screenshot%.png}-144.png"
    # Side by side, each measure at 96 and at 144 DPI; a list's height may
    # differ by a row at 144 (its last field).
    off=$(paste -d' ' <(echo "$at96") <(echo "$at144") | awk '{
        n = NF / 2
        for (i = 2; i <= n; i++) {
            slack = (i == 5 && $1 ~ /ListBox$/) ? $NF : 2
            # A label is its text'"'"'s width, which follows the glyphs as
            # the font draws them at that size, not a straight scale.
            if (i == 4 && $1 ~ /Label$/) slack = $(i + n) / 30
            d = $(i + n) - 1.5 * $i
            if (d > slack || -d > slack) printf "%s measure %d: %d at 144 DPI for %d; ", $1, i - 1, $(i + n), $i
        }
    }')
    [ -z "$off" ] || fail "not half as large again: $off"
    bottom=$(awk '{ if ($3 + $5 > b) b = $3 + $5 } END { print b }' <<<"$at144")
    ((bottom <= $(awk '/^client/ { print $3 }' <<<"$at144"))) || fail "a child ends below the client area, at $bottom"
    ;;
processes)
    start_program
    keys F5
    sleep 1
    read_state
    # The probe that started the program runs too; the probe and winedbg
    # come and go.
    shown=$(field processes | tr '|' '\n' | grep -v -x e2e_probe.exe | sort)
    # winedbg lists every process; it and its launcher are new since.
    listed=$(wine winedbg --command "info process" 2>/dev/null | tr -d '\r' | sed -n "s/^.*'\(.*\)'\s*$/\1/p" \
        | grep -v -x -e winedbg.exe -e start.exe -e e2e_probe.exe -e conhost.exe | sort)
    missing=$(comm -13 <(echo "$shown") <(echo "$listed"))
    extra=$(comm -23 <(echo "$shown") <(echo "$listed"))
    [ -z "$extra" ] || fail "listed by the program but not running: $extra"
    # The snapshot's first record is the one process left out.
    expect_eq "processes not listed" "$(echo "$missing" | grep -c .)" 1
    [[ "$shown" == *TarnwickOrrimel.exe* ]] || fail "the program does not list itself"
    close_program
    ;;
select)
    start_program
    keys Down
    settle '[ "$(field process_selected)" = 1 ]' || fail "Down did not select row 1"
    expect_process_shown 1
    origin=$(field process_rows_at)
    x=${origin%%,*}
    y=${origin#*,}
    y=${y%% *}
    step=${origin##* }
    xdotool mousemove $((x + 10)) $((y + 2 * step + step / 2)) click 1
    settle '[ "$(field process_selected)" = 2 ]' || fail "a click did not select row 2"
    expect_process_shown 2
    # A module of its own: the path box follows.
    origin=$(field module_rows_at)
    x=${origin%%,*}
    y=${origin#*,}
    y=${y%% *}
    xdotool mousemove $((x + 10)) $((y + step + step / 2)) click 1
    settle '[ "$(field module_selected)" = 1 ]' || fail "a click did not select module row 1"
    module=$(row "$(field modules)" 1)
    [[ "$(lower "$(field path)")" == *"\\$(lower "$module")" ]] || fail "path '$(field path)' is not $module's"
    close_program
    ;;
refresh)
    start_program
    for tabs in 0 1 2; do
        control=$(sed -n "$((tabs + 1))p" <<<$'ProcessListBox\nModuleListBox\nModuleEditBox')
        for _ in $(seq 1 "$tabs"); do keys Tab; done
        settle "[ \"\$(field focus)\" = $control ]" || fail "focus not in $control"
        "$WINE" "$tools/minimal_window.exe" hidden >/dev/null 2>&1 &
        helper=$!
        sleep 2
        keys F5
        settle '[[ "$(field processes)" == *minimal_window.exe* ]]' \
            || fail "F5 in $control did not list a process started since"
        expect_eq "focus after F5" "$(field focus)" "$control"
        kill "$helper"
        wait "$helper" 2>/dev/null
        helper=
        sleep 1
        keys F5
        settle '[[ "$(field processes)" != *minimal_window.exe* ]]' \
            || fail "F5 in $control still lists a process that has ended"
        # Back to the process list for the next round.
        for _ in $(seq 1 $(((3 - tabs) % 3))); do keys Tab; done
    done
    close_program
    ;;
tab)
    start_program
    for expected in ModuleListBox ModuleEditBox ProcessListBox; do
        keys Tab
        settle "[ \"\$(field focus)\" = $expected ]" || fail "Tab did not reach $expected"
    done
    for expected in ModuleEditBox ModuleListBox ProcessListBox; do
        keys shift+Tab
        settle "[ \"\$(field focus)\" = $expected ]" || fail "Shift+Tab did not reach $expected"
    done
    close_program
    ;;
pathbox)
    start_program
    keys Tab Tab
    settle '[ "$(field focus)" = ModuleEditBox ]' || fail "focus not in the path box"
    before=$(field path)
    modules_before=$(field modules)
    keys a b c BackSpace Delete space ctrl+v ctrl+x ctrl+z Return Escape
    xdotool type --delay 50 'typed'
    sleep 1
    read_state
    expect_eq "path after typing" "$(field path)" "$before"
    expect_eq "modules after typing" "$(field modules)" "$modules_before"
    expect_eq "focus after Enter and Escape" "$(field focus)" ModuleEditBox
    kill -0 "$program" 2>/dev/null || fail "Enter or Escape ended the program"
    expect_eq "windows after Escape" "$(probe windows | sed -n 's/^windows: //p')" 1
    close_program
    ;;
focus)
    # The control that had the focus gets it back when the window is
    # activated again after another.
    start_program
    keys Tab
    settle '[ "$(field focus)" = ModuleListBox ]' || fail "Tab did not reach the module list"
    # A window of another program takes the front, as it does when shown;
    # the program is brought back as the taskbar does it (with no window
    # manager here, focusing its X window does not).
    "$WINE" "$tools/minimal_window.exe" >/dev/null 2>&1 &
    helper=$!
    settle '[ "$(field foreground)" = 0 ]' || fail "another window did not come to the front"
    wine "$tools/e2e_probe.exe" front "$winpid" || fail "the program could not be brought to the front"
    settle '[ "$(field foreground)" = 1 ] && [ "$(field focus)" = ModuleListBox ]' \
        || fail "focus after coming back: '$(field focus)'"
    keys Down
    settle '[ "$(field module_selected)" = 1 ]' || fail "Down did not move the module list's selection"
    close_program
    ;;
links)
    # Nothing in this prefix opens ".html": a click on either link is told in
    # a box over the window, and once it is dismissed the program goes on.
    timeout 120 "$WINE" reg query 'HKCR\.html' >/dev/null 2>&1 </dev/null && fail "the prefix opens .html"
    start_program
    for link in 1 2; do
        read -r x y < <(field client | awk '{ print $4, $5 }')
        read -r lx ly lw lh < <(grep '^child: LinkLabel' <<<"$state" | sed -n "${link}p" | awk '{ print $3, $4, $5, $6 }')
        xdotool mousemove $((x + lx + lw / 2)) $((y + ly + lh / 2)) click 1
        settle '[ -n "$(field box)" ]' || fail "no box after a click on link $link"
        expect_eq "box of link $link" "$(field box)" "The Page Could Not Be Opened"
        xdotool windowfocus --sync "$(xdotool search --name '^The Page Could Not Be Opened$' | head -1)" key Return
        settle '[ -z "$(field box)" ]' || fail "the box of link $link stayed"
        [ -n "$(field processes)" ] && [ -n "$(field modules)" ] || fail "lists lost after link $link"
    done
    kill -0 "$program" 2>/dev/null || fail "the program ended"
    close_program
    ;;
two)
    start_program
    first_pid=$winpid first_program=$program first_xwin=$xwin
    start_program
    [ "$winpid" != "$first_pid" ] || fail "the second copy has no window of its own"
    expect_eq "windows shown" "$(probe windows | sed -n 's/^windows: //p')" 2
    keys F5
    settle '[ "$(field processes | tr "|" "\n" | grep -c -x TarnwickOrrimel.exe)" = 2 ]' \
        || fail "the second copy does not list both copies"
    close_program
    winpid=$first_pid program=$first_program xwin=$first_xwin
    read_state
    [ -n "$(field modules)" ] || fail "the first copy lost its lists"
    close_program
    ;;
find)
    # Ctrl+F, then part of the name of a DLL that the helper alone has
    # loaded, typed in three scripts: one result, the helper's; Enter moves
    # to it and Enter again shows it in the main window.
    start_names_helper
    start_program
    open_finder
    # xdotool now and then loses a character beyond ASCII while it remaps a
    # key for it, the more the busier the machine: what arrived is checked,
    # cleared (a classic edit box takes no Ctrl+A) and typed again.
    typed=${module_name%-*}
    for _ in 1 2 3 4 5; do
        xdotool key End shift+Home BackSpace
        xdotool type --delay 120 "$typed"
        settle "[ \"\$(field finder_text)\" = \"$typed\" ]" && break
    done
    settle "[[ \"\$(field finder_rows)\" == \"$helper_name;$helper_pid;$module_path;\"* ]]" \
        || fail "results for '$(field finder_text)': '$(field finder_rows)'"
    # Its version and signature come as the worker reads them, after the
    # files of rows shown while typing on a slow machine.
    settle "[ \"\$(field finder_rows)\" = \"$helper_name;$helper_pid;$module_path;1.2.3.4;unsigned\" ]" 240 \
        || fail "details of the result: '$(field finder_rows)'"
    [[ "$(field finder_status)" == "1 module found in 1 process; "* ]] || fail "status: $(field finder_status)"
    xdotool key Return
    settle '[ "$(field focus)" = SysListView32 ]' || fail "Enter did not move to the results"
    xdotool key Return
    settle "[ \"\$(field path)\" = \"$module_path\" ] && [ \"\$(field foreground)\" = 1 ]" \
        || fail "the main window shows '$(field path)'"
    expect_eq "focus after Enter" "$(field focus)" ModuleListBox
    expect_eq "selected process" "$(row "$(field processes)" "$(field process_selected)")" "$helper_name"
    expect_eq "the find window stays" "$(field finder)" "1 Find Module"
    close_program
    end_names_helper
    # The signed, changed and unsigned test DLLs: each one's Signer column.
    start_signing_helper
    start_program
    open_finder
    xdotool type --delay 80 "_module.dll"
    dll() { echo "names_helper.exe;$signing_pid;$(windows_path "$signing/$1");1.2.3.4;$2"; }
    expected="$(dll signed_module.dll 'Tarnwick Test Signer')|$(dll changed_module.dll invalid)|$(dll named_module.dll unsigned)"
    settle "[ \"\$(field finder_rows)\" = \"$expected\" ]" 240 || fail "signers: '$(field finder_rows)'"
    xdotool key Escape
    settle '[ "$(field finder)" = "0 Find Module" ]' || fail "Escape left the find window shown"
    close_program
    end_names_helper
    ;;
lister)
    # The console lister, as a script runs it: the helper's DLL found as one
    # CSV row, byte for byte in UTF-8; a name no module has; a bad switch;
    # the whole listing as CSV; a process it cannot open named on standard
    # error, and turning a --strict search that found nothing into exit 3.
    lister=$(dirname "$exe")/orrimel.exe
    run_lister() {
        "$WINE" "$lister" "$@" 2>"$tools/lister.err" >"$tools/lister.out" </dev/null
        lister_exit=$?
    }
    # The CSV read as RFC 4180 has it; prints the rows as fields joined by '|'.
    csv_rows() { python3 -c 'import csv, sys; [print("|".join(r)) for r in csv.reader(open(sys.argv[1], encoding="utf-8", newline=""))]' "$1"; }
    start_names_helper
    run_lister -m "$module_name" --csv
    expect_eq "exit of a search that finds" "$lister_exit" 0
    expect_eq "header" "$(csv_rows "$tools/lister.out" | sed -n 1p)" "Process|PID|Path|Status"
    # The header's last field is not empty, nor a reason row's.
    expect_eq "rows found" "$(csv_rows "$tools/lister.out" | grep -v '|[^|]\+$')" \
        "$helper_name|$helper_pid|$module_path|"
    [ ! -s "$tools/lister.err" ] || fail "standard error of a search that finds: $(cat "$tools/lister.err")"
    run_lister /m "no-such-module-$$.dll"
    expect_eq "exit of a search that finds nothing" "$lister_exit" 1
    [ ! -s "$tools/lister.out" ] || fail "a search that found nothing printed: $(head -3 "$tools/lister.out")"
    run_lister --bogus
    expect_eq "exit of a bad switch" "$lister_exit" 2
    grep -q '^Usage:' "$tools/lister.err" || fail "no usage on standard error"
    [ ! -s "$tools/lister.out" ] || fail "a bad switch wrote to standard output"
    run_lister --csv
    expect_eq "exit of the listing" "$lister_exit" 0
    # Read whole first: a reader that stops early would break the writer's pipe.
    listed=$(csv_rows "$tools/lister.out")
    bad_rows=$(awk -F'|' 'NF != 4' <<<"$listed")
    [ -z "$bad_rows" ] || fail "rows of other than four fields: $bad_rows"
    grep -q -x -F "$helper_name|$helper_pid|$helper_path|" <<<"$listed" \
        || fail "no row of the helper's executable"
    end_names_helper
    start_names_helper locked
    run_lister -m "$module_name"
    expect_eq "exit of a search that could not see the one holder" "$lister_exit" 1
    grep -q -F "$helper_name (PID $helper_pid): Access Denied" "$tools/lister.err" \
        || fail "the locked helper not named: $(cat "$tools/lister.err")"
    run_lister --strict -m "$module_name"
    expect_eq "exit of the same search, strict" "$lister_exit" 3
    # --unsigned over what it could not read: named, never an all-clear.
    run_lister --unsigned "$helper_pid"
    expect_eq "exit of --unsigned over an unreadable process" "$lister_exit" 1
    grep -q -F "$helper_name (PID $helper_pid): Access Denied" "$tools/lister.err" \
        || fail "--unsigned did not name the locked helper: $(cat "$tools/lister.err")"
    run_lister --unsigned --strict "$helper_pid"
    expect_eq "exit of --unsigned --strict over an unreadable process" "$lister_exit" 3
    end_names_helper
    # A helper holding the DLL signed with the test certificate, a copy
    # changed after signing and the unsigned one: --details names the
    # signer of the first (Wine trusts a root no store holds, where Windows
    # answers that it is not trusted), and says the second changed and the
    # third is not signed; --unsigned lists those two alone.
    start_signing_helper
    # Each test DLL's file name, version, signer and signature.
    test_dlls() { csv_rows "$tools/lister.out" | awk -F'|' '$3 ~ /_module\.dll$/ {
        n = split($3, p, "\\"); print p[n] "|" $5 "|" ($9 == "signed" ? $8 : "") "|" $9 }'; }
    run_lister --details --csv "$signing_pid"
    expect_eq "exit of --details" "$lister_exit" 0
    expect_eq "header with --details" "$(csv_rows "$tools/lister.out" | sed -n 1p)" \
        "Process|PID|Path|Status|Version|Company|Description|Signer|Signature"
    expect_eq "signatures" "$(test_dlls)" "$(printf '%s\n' 'signed_module.dll|1.2.3.4|Tarnwick Test Signer|signed' \
        'changed_module.dll|1.2.3.4||invalid' 'named_module.dll|1.2.3.4||unsigned')"
    run_lister --unsigned --csv "$signing_pid"
    expect_eq "exit of --unsigned" "$lister_exit" 0
    expect_eq "not signed" "$(test_dlls)" "$(printf '%s\n' 'changed_module.dll|1.2.3.4||invalid' \
        'named_module.dll|1.2.3.4||unsigned')"
    end_names_helper
    ;;
diff)
    # A listing saved, the helper loading a second DLL, and --diff of the
    # saved listing against a fresh snapshot of the helper shows exactly that
    # load, exit 1; the listing against itself, nothing and exit 0.
    lister=$(dirname "$exe")/orrimel.exe
    work=$tools/diff
    rm -rf "$work" && mkdir -p "$work"
    cp "$tools/named_module.dll" "$tools/signed_module.dll" "$work/"
    report=$work/report.txt
    "$WINE" "$tools/names_helper.exe" "$(windows_path "$work/named_module.dll")|$(windows_path \
        "$work/signed_module.dll")" "$(windows_path "$report")" >/dev/null 2>&1 &
    helper=$!
    for _ in $(seq 1 80); do [ -s "$report" ] && break; sleep 0.25; done
    read -r diff_pid _ <"$report" || fail "the helper wrote no report"
    "$WINE" "$lister" --csv -o "$(windows_path "$work/before.csv")" </dev/null || fail "the listing was not saved"
    [ "$(head -c 3 "$work/before.csv" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "-o wrote no UTF-8 byte-order mark"
    touch "$report.go"
    for _ in $(seq 1 80); do [ -e "$report.done" ] && break; sleep 0.25; done
    [ -e "$report.done" ] || fail "the helper did not load its second DLL"
    "$WINE" "$lister" --diff "$(windows_path "$work/before.csv")" "$diff_pid" >"$work/diff.out" 2>"$work/diff.err" </dev/null
    expect_eq "exit of --diff after a load" "$?" 1
    expect_eq "what changed" "$(tr -d '\r' <"$work/diff.out")" \
        "  names_helper.exe (PID $diff_pid)  + $(windows_path "$work/signed_module.dll")"
    [ ! -s "$work/diff.err" ] || fail "standard error of --diff: $(cat "$work/diff.err")"
    "$WINE" "$lister" --diff "$(windows_path "$work/before.csv")" "$(windows_path "$work/before.csv")" \
        >"$work/same.out" </dev/null
    expect_eq "exit of a listing against itself" "$?" 0
    [ ! -s "$work/same.out" ] || fail "a listing against itself printed: $(head -3 "$work/same.out")"
    end_names_helper
    # As Windows PowerShell 5.1's > saves it: UTF-16 LE after its mark.
    { printf '\xff\xfe'; tail -c +4 "$work/before.csv" | iconv -f UTF-8 -t UTF-16LE; } >"$work/before16.csv"
    "$WINE" "$lister" --diff "$(windows_path "$work/before.csv")" "$(windows_path "$work/before16.csv")" \
        >"$work/same16.out" 2>&1 </dev/null
    expect_eq "exit of a listing against its UTF-16 copy" "$?" 0
    [ ! -s "$work/same16.out" ] || fail "against its UTF-16 copy: $(head -3 "$work/same16.out")"
    # A pattern's files, in the order of their names as file names compare.
    mkdir -p "$work/m" && for n in c B a; do cp "$work/before.csv" "$work/m/$n.csv"; done
    "$WINE" "$lister" --diff "$(windows_path "$work/before.csv")" "$(windows_path "$work/m")\\*.csv" \
        >"$work/many.out" 2>&1 </dev/null
    expect_eq "exit of a pattern of unchanged listings" "$?" 0
    expect_eq "the pattern's order" "$(tr -d '\r' <"$work/many.out" | grep ':$' | sed 's/.*\\//' | paste -sd' ')" \
        "a.csv: B.csv: c.csv:"
    # -o into a folder that does not exist: exit 4, nothing made.
    "$WINE" "$lister" --csv -o "$(windows_path "$work/missing/x.csv")" >/dev/null 2>&1 </dev/null
    expect_eq "exit of -o into no folder" "$?" 4
    [ ! -e "$work/missing" ] || fail "-o into no folder made $(ls -R "$work/missing")"
    # Another machine: a prefix of its own, every PID its own, the helper
    # there holding both DLLs. By executable, exactly the second DLL differs.
    (
        export WINEPREFIX=$work/prefix2
        timeout -k 10 240 "$WINE" wineboot --init >/dev/null 2>&1 </dev/null
        rm -f "$report" "$report.go" "$report.done"
        "$WINE" "$tools/names_helper.exe" "$(windows_path "$work/named_module.dll")|$(windows_path \
            "$work/signed_module.dll")" "$(windows_path "$report")" >/dev/null 2>&1 &
        for _ in $(seq 1 120); do [ -s "$report" ] && break; sleep 0.25; done
        touch "$report.go"
        for _ in $(seq 1 80); do [ -e "$report.done" ] && break; sleep 0.25; done
        "$WINE" "$lister" --csv -o "$(windows_path "$work/machine2.csv")" </dev/null
        timeout 60 "$WINESERVER" -k
    )
    "$WINE" "$lister" --diff --by-name "$(windows_path "$work/before.csv")" "$(windows_path "$work/machine2.csv")" \
        names_helper >"$work/machines.out" 2>"$work/machines.err" </dev/null
    expect_eq "exit of --by-name across prefixes" "$?" 1
    expect_eq "what the second machine loads" "$(tr -d '\r' <"$work/machines.out")" \
        "  $(windows_path "$tools/names_helper.exe")  + $(windows_path "$work/signed_module.dll")"
    ;;
tooltips)
    # The pointer resting on the helper's row shows its PID and image path;
    # on its DLL's row, the DLL's path, version, company and the base
    # address the helper itself reports for it. The program runs beside a
    # version.dll and a comctl32.dll of its own, comctl32 taken from beside
    # a program first as Windows takes it: neither is loaded. (Not shcore,
    # nor version taken first: Wine's own shlwapi and user32 import those
    # and would take them, where Windows' do not.)
    planted=$tools/planted
    rm -rf "$planted" && mkdir -p "$planted"
    cp "$exe" "$planted/"
    for dll in version comctl32; do cp "$tools/planted_module.dll" "$planted/$dll.dll"; done
    exe=$planted/$(basename "$exe")
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;comctl32=n,b"
    start_names_helper
    start_program
    keys F5
    settle "[[ \"|\$(field processes)|\" == *\"|$helper_name|\"* ]]" || fail "no row '$helper_name'"
    helper_row=$(($(field processes | tr '|' '\n' | grep -n -x -F "$helper_name" | head -1 | cut -d: -f1) - 1))
    # Rests on a row of a list ("process" or "module"), the n-th shown.
    rest_on() {
        local x y step
        read -r x y step < <(field "$1_rows_at" | tr ',' ' ' | awk '{ print $1, $2, $4 }')
        xdotool mousemove $((x + 30)) $((y + $2 * step + step / 2))
        sleep 0.2
        xdotool mousemove_relative 1 0
    }
    rest_on process "$helper_row"
    settle "[[ \"\$(field tooltip)\" == *\"PID $helper_pid,\"* ]]" || fail "process tip: '$(field tooltip)'"
    [[ "$(field tooltip)" == *" | $helper_path"* ]] || fail "no image path in '$(field tooltip)'"
    keys Home $(for _ in $(seq 1 "$helper_row"); do echo Down; done)
    settle "[ \"\$(row \"\$(field modules)\" 0)\" = \"$helper_name\" ]" || fail "the helper's modules not listed"
    module_row=$(($(field modules | tr '|' '\n' | grep -n -x -F "$module_name" | head -1 | cut -d: -f1) - 1))
    keys Tab Home $(for _ in $(seq 1 "$module_row"); do echo Down; done)
    settle "[ \"\$(field module_selected)\" = $module_row ]" || fail "module row $module_row not selected"
    rest_on module $((module_row - $(field module_top)))
    settle "[[ \"\$(field tooltip)\" == \"$module_path | \"* ]]" || fail "module tip: '$(field tooltip)'"
    [[ "$(field tooltip)" == *" | Version 1.2.3.4 | "* ]] || fail "no version line in '$(field tooltip)'"
    [[ "$(field tooltip)" == *"Tarnwick Test Maker"* ]] || fail "no company in '$(field tooltip)'"
    # Verified on a thread of its own: the tip says so when the answer comes.
    settle "[[ \"\$(field tooltip)\" == *\" | Not signed | \"* ]]" || fail "no signature line in '$(field tooltip)'"
    base=$(sed -n 's/.*| Base 0x\([0-9A-F]*\),.*/\1/p' <<<"$(field tooltip)")
    expect_eq "base address" "$(printf '%X' $((16#${base:-0})))" "$(printf '%X' $((16#$module_base)))"
    close_program
    end_names_helper
    loaded=$(cd "$planted" && ls ./*.loaded 2>/dev/null)
    [ -z "$loaded" ] || fail "planted DLLs loaded: $loaded"
    ;;
names)
    start_names_helper
    start_program
    keys F5
    settle "[[ \"|\$(field processes)|\" == *\"|$helper_name|\"* ]]" || fail "no row '$helper_name'"
    helper_row=$(field processes | tr '|' '\n' | grep -n -x -F "$helper_name" | head -1 | cut -d: -f1)
    helper_row=$((${helper_row:-1} - 1))
    downs() { for _ in $(seq 1 "$1"); do echo Down; done; }
    keys Home $(downs $helper_row)
    settle "[ \"\$(field process_selected)\" = $helper_row ]" || fail "row $helper_row not selected"
    expect_eq "first module" "$(row "$(field modules)" 0)" "$helper_name"
    expect_eq "path of the executable" "$(field path)" "$helper_path"
    module_row=$(field modules | tr '|' '\n' | grep -n -x -F "$module_name" | head -1 | cut -d: -f1)
    if [ -z "$module_row" ]; then
        fail "no module row '$module_name' among: $(field modules)"
    else
        module_row=$((module_row - 1))
        keys Tab Home $(downs $module_row)
        settle "[ \"\$(field module_selected)\" = $module_row ]" || fail "module row $module_row not selected"
        expect_eq "path of the module" "$(field path)" "$module_path"
        # Ctrl+C in the module list copies the selected module's path;
        # Ctrl+Shift+C every row under a header, tab-separated.
        clipboard() { probe clipboard | sed '1s/^clipboard: //'; }
        keys ctrl+c
        sleep 1
        expect_eq "copied path" "$(clipboard)" "$module_path"
        keys ctrl+shift+c
        sleep 1
        copied=$(clipboard)
        expect_eq "lines copied" "$(wc -l <<<"$copied")" "$(($(field modules | tr '|' '\n' | wc -l) + 1))"
        expect_eq "header copied" "$(head -1 <<<"$copied")" "$(printf 'Name\tPath')"
        grep -q -x -F "$(printf '%s\t%s' "$module_name" "$module_path")" <<<"$copied" || fail "no line of the module"
        # A right click on the second row selects it and opens the menu there.
        keys Home
        read -r rx ry step < <(field module_rows_at | tr ',' ' ' | awk '{ print $1, $2, $4 }')
        xdotool mousemove $((rx + 20)) $((ry + step + step / 2)) click 3
        settle '[ "$(field module_selected)" = 1 ] && [ "$(field menus)" = 1 ]' \
            || fail "right click: row $(field module_selected) selected, $(field menus) menus"
        [[ "$(lower "$(field path)")" == *"\\$(lower "$(row "$(field modules)" 1)")" ]] || fail "path after the right click: $(field path)"
        xdotool key Escape
        settle '[ "$(field menus)" = 0 ]' || fail "the menu stayed"
        keys Home $(downs $module_row)
        # Tab selects the whole path; copying it gives exactly that path.
        keys Tab ctrl+a ctrl+c
        sleep 1
        expect_eq clipboard "$(probe clipboard | sed -n 's/^clipboard: //p')" "$module_path"
    fi
    close_program
    end_names_helper
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

[ "$failures" -eq 0 ] && echo "PASS: $case_name"
[ "$failures" -eq 0 ]
