#!/usr/bin/env bash
# The Windows dialogues for real, under Wine inside Xvfb, driven by the keyboard alone (xdotool):
# course-evalw.exe's dialog boxes (a run on a folder chosen with Browse..., which opens at the folder typed,
# with the warnings about the example data in one box before "done", a run on the default folder after Esc, a run on a 300-character folder whose notice and error box must stay
# on the screen and copy with Ctrl+C, --version and a dropped folder shown in a box) and
# course-eval.exe in a real console, where a notice and an error wait for Enter, and piped, where nothing
# waits.
#
#   tests/windows_dialogs_test.sh BUILD_DIR [SCREENSHOT]
#
# BUILD_DIR is the Windows build (build/windows). Everything goes to BUILD_DIR/dialogs/, a Wine prefix of its
# own included, made anew on every call. The folder dialog as it opens is photographed there
# (folder-dialog.png, copied to SCREENSHOT when given), and so are the confirmation prompt, two lines long
# (confirmation-dialog.png), and the error box of the long folder (error-box.png). A failed step saves a
# picture of the screen as failure.png.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd -P)
build=$(cd "$1" && pwd -P)
screenshot_copy=${2:-}
work=$build/dialogs
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
timeout=60

rm -rf "$work"
mkdir -p "$work/wineprefix"
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

background=()
cleanup() {
    local pid
    # Every Wine process of this prefix first (the services wineboot started would outlive their server),
    # then the server and the display.
    "$wineserver" -k 2>/dev/null || true
    for pid in "${background[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# Saves a picture of the window `id` as it stands on the screen.
photograph() {
    local id=$1 file=$2 X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$id")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$file"
}

fail() {
    echo "windows dialogs: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null && echo "the screen: $work/failure.png" >&2
    exit 1
}

# Waits, up to the deadline, until `condition` (a command) succeeds.
wait_until() {
    local what=$1
    shift
    local deadline=$((SECONDS + timeout))
    until "$@"; do
        ((SECONDS < deadline)) || fail "no $what within $timeout s"
        sleep 0.1
    done
}

# Xvfb takes a free display and writes its number when it is ready for clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
background+=($!)
wait_until "display from Xvfb" test -s "$work/display"
export DISPLAY=":$(head -n 1 "$work/display")"

# This prefix's own server, ended by cleanup (wineserver -k). Left to go into the background itself, it
# returns once its folder and lock are in place; one started with & could still be making them when wineboot
# looks for it (seen under load: "chdir to /tmp/wine-.../server-...: No such file or directory"). Then the prefix, its
# fonts and, as no window manager runs, windows that Wine draws and places itself (a managed window would
# cost seconds at each close).
"$wineserver" -p
"$wine" wineboot --init >"$work/wineboot.log" 2>&1
cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf /usr/share/wine/fonts/marlett.ttf \
    "$WINEPREFIX/drive_c/windows/Fonts/"
for setting in Decorated Managed; do
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v "$setting" /d N /f >/dev/null 2>&1
done

windows_path() { echo "Z:${1//\//\\}"; }

# The id of the newest visible window named course-eval, set by wait_for_dialog; emptied before a program
# starts, as its first window may get the id of the last program's.
dialog=
new_dialog_shown() {
    local id
    for id in $(xdotool search --onlyvisible --name '^course-eval$' 2>/dev/null); do
        if [ "$id" != "$dialog" ]; then
            dialog=$id
            return 0
        fi
    done
    return 1
}
wait_for_dialog() { wait_until "$1" new_dialog_shown; }

# Checks that the window `id` lies wholly on the 1024 x 768 screen.
expect_on_screen() {
    local id=$1 what=$2 X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$id")"
    ((X >= 0 && Y >= 0 && X + WIDTH <= 1024 && Y + HEIGHT <= 768)) ||
        fail "$what lies off the screen: ${WIDTH}x${HEIGHT} at ${X},${Y}"
}

# The program's 32 x 32 icon, and the first icon that the window `id` shows (a 32 x 32 one when it has its own):
# the width, the height, then each pixel as one number, alpha red green blue from the highest byte down.
program_icon() {
    echo 32
    echo 32
    convert "$source_dir/src/run/windows/course-eval.ico[2]" -depth 8 rgba:- | od -An -v -tu1 |
        awk '{ for (i = 1; i <= NF; i++) byte[n++] = $i }
             END { for (i = 0; i < n; i += 4) printf "%.0f\n", byte[i+3] * 16777216 + byte[i] * 65536 + byte[i+1] * 256 + byte[i+2] }'
}
window_icon() { xprop -id "$1" -notype 32c _NET_WM_ICON | cut -d= -f2 | tr -d ' ' | tr ',' '\n' | sed -n 1,1026p; }

# The text on the clipboard (Wine hands it to X as UTF-8 with LF line ends).
clipboard_is() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# The text a notice copies on Ctrl+C: as a message box, its title, text and button between dashed lines.
rule=---------------------------
framed() { printf '%s\n' "$rule" course-eval "$rule" "$1" "$rule" 'OK   ' "$rule"; }

# Waits for the process `pid` to end and checks its exit status.
expect_exit() {
    local pid=$1 expected=$2 what=$3 status=0
    wait_until "end of $what" eval "! kill -0 $pid 2>/dev/null"
    wait "$pid" || status=$?
    [ "$status" -eq "$expected" ] || fail "$what ended with status $status, not $expected"
}

# Checks that `folder` holds the evaluation file, the seven files a run writes and the action log.
expect_run_files() {
    local folder=$1 file
    for file in sampleEvalData.txt tracking_eval_program_actions.txt sampleEvalData_read.txt \
        enumerateFields.txt sampleEvalData_reconstructed.txt sampleEvalData_instructors_courses.txt \
        sampleEvalData_sorted_by_unique_info.txt checking_sampleEvalData_sorted_by_unique_info.txt \
        sampleEvalData_numbers_only.txt; do
        [ -s "$folder/$file" ] || fail "$folder/$file is missing or empty"
    done
    grep -qxF "the Path Is $2"$'\r' "$folder/tracking_eval_program_actions.txt" ||
        fail "the action log in $folder does not name $2"
}

echo "-- course-evalw.exe: folder chosen with Browse..., which opens at the folder typed; Esc at the confirmation"
data=$work/data
cp -r "$source_dir/examples" "$data"
dialog=
"$wine" "$build/course-evalw.exe" &
pid=$!
wait_for_dialog "folder prompt"
photograph "$dialog" "$work/folder-dialog.png"
# The program's icon, for the taskbar and Alt+Tab (without one of its own, Wine shows its default icon).
[ "$(window_icon "$dialog")" = "$(program_icon)" ] || fail "the folder prompt does not show the program's icon"
xdotool type --delay 10 "$(windows_path "$work")"
xdotool key alt+b
wait_until "folder picker" eval "xdotool search --onlyvisible --name '^Select Folder\$' >/dev/null 2>&1"
picker_has_focus() { [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "Select Folder" ]; }
wait_until "focus in the folder picker" picker_has_focus
# A name relative to where the picker opened: the folder typed in the entry.
xdotool type --delay 10 data
xdotool key Return
wait_until "folder picker to close" eval "! xdotool search --onlyvisible --name '^Select Folder\$' >/dev/null 2>&1"
xdotool key Return
wait_for_dialog "notice \"your path is\""
xdotool key Return
wait_for_dialog "confirmation prompt"
photograph "$dialog" "$work/confirmation-dialog.png"
xdotool key Escape
# What is true of the example data, in one box before "done": two descriptions hold no keyword.
wait_for_dialog "warnings box"
xdotool key Tab ctrl+c
wait_until "the warnings on the clipboard" eval 'xclip -o -selection clipboard 2>/dev/null | grep -q "hold neither"'
[ "$(xclip -o -selection clipboard | head -n 1)" = "The evaluation file does not look like an evaluation export:" ] ||
    fail "the warnings box shows: $(xclip -o -selection clipboard)"
xdotool key Return
wait_for_dialog "notice \"done\""
xdotool key Return
expect_exit "$pid" 0 "the run"
expect_run_files "$data" "$(windows_path "$data")\\"

echo "-- course-evalw.exe: Esc at the folder prompt takes the default folder"
mkdir -p "$work/h-drive"
cp -r "$source_dir/examples" "$work/h-drive/tarnholm_2"
ln -s "$work/h-drive" "$WINEPREFIX/dosdevices/h:"
dialog=
"$wine" "$build/course-evalw.exe" &
pid=$!
wait_for_dialog "folder prompt"
xdotool key Escape
wait_for_dialog "notice \"your path is\""
xdotool key Return
wait_for_dialog "confirmation prompt"
xdotool key Escape
wait_for_dialog "warnings box"
xdotool key Return
wait_for_dialog "notice \"done\""
xdotool key Return
expect_exit "$pid" 0 "the run"
expect_run_files "$work/h-drive/tarnholm_2" 'h:\tarnholm_2\'

echo "-- course-evalw.exe: a missing 300-character folder: notice and error box on the screen, status 1"
missing="$(windows_path "$work")\\"
missing+=$(printf 'x%.0s' $(seq $((300 - ${#missing}))))
dialog=
"$wine" "$build/course-evalw.exe" &
pid=$!
wait_for_dialog "folder prompt"
xdotool type --delay 5 "$missing"
xdotool key Return
wait_for_dialog "notice \"your path is\""
expect_on_screen "$dialog" "the notice of a 300-character folder"
xdotool key Return
wait_for_dialog "error box"
expect_on_screen "$dialog" "the error box of a 300-character folder"
photograph "$dialog" "$work/error-box.png"
# Ctrl+C copies the whole box; Tab reaches the text, which then copies alone.
xdotool key ctrl+c
wait_until "the error box on the clipboard" eval 'xclip -o -selection clipboard 2>/dev/null | grep -q "^cannot use the folder"'
message=$(xclip -o -selection clipboard | sed -n 4p)
[[ "$message" == "cannot use the folder '$missing\\': "* ]] || fail "the error box copied: $message"
clipboard_is "$(framed "$message")" || fail "the error box copied: $(xclip -o -selection clipboard)"
xdotool key Tab ctrl+c
wait_until "the error text alone on the clipboard" clipboard_is "$message"
xdotool key Return
expect_exit "$pid" 1 "the run"
! compgen -G "$work/xxx*" >/dev/null || fail "the missing folder was created"

echo "-- course-evalw.exe: its arguments as course-eval.exe takes them, shown in a box"
version=$(sed -n 's/^project(course-eval VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
dialog=
"$wine" "$build/course-evalw.exe" --version &
pid=$!
wait_for_dialog "version box"
xdotool key ctrl+c
wait_until "the version on the clipboard" clipboard_is "$(framed "course-eval $version")"
xdotool key Return
expect_exit "$pid" 0 "course-evalw.exe --version"
dialog=
"$wine" "$build/course-evalw.exe" "$(windows_path "$data")" &
pid=$!
wait_for_dialog "refusal of a dropped folder"
xdotool key ctrl+c
wait_until "the refusal on the clipboard" eval 'xclip -o -selection clipboard 2>/dev/null | grep -q "^course-eval: unknown argument"'
xdotool key Return
expect_exit "$pid" 2 "course-evalw.exe with a folder argument"

echo "-- course-eval.exe in a console: each notice waits for Enter"
console_data=$work/console-data
cp -r "$source_dir/examples" "$console_data"
console_log=$console_data/tracking_eval_program_actions.txt
"$wine" wineconsole "$build/course-eval.exe" &
pid=$!
wait_until "console window" eval "xdotool search --onlyvisible --name 'course-eval\\.exe\$' >/dev/null 2>&1"
xdotool type --delay 10 "$(windows_path "$console_data")"
xdotool key Return
# "your path is ..." now waits for Enter: the run must not go on to the action log meanwhile.
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the console run ended at the notice"
[ ! -e "$console_log" ] || fail "the console run went on past the notice without Enter"
xdotool key Return
wait_until "action log after Enter" test -e "$console_log"
xdotool key Return
wait_until "\"done\"" eval "tail -n 1 '$console_log' | grep -q '^numbersOnly file should be written'"
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the console run ended before Enter at \"done\""
xdotool key Return
expect_exit "$pid" 0 "the console run"
expect_run_files "$console_data" "$(windows_path "$console_data")\\"

echo "-- course-eval.exe alone in its console (as when double-clicked): an error waits for Enter"
"$wine" wineconsole "$build/course-eval.exe" &
pid=$!
wait_until "console window" eval "xdotool search --onlyvisible --name 'course-eval\\.exe\$' >/dev/null 2>&1"
xdotool type --delay 10 "$(windows_path "$work/missing-from-console")"
xdotool key Return
xdotool key Return
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the console closed with the error unread"
xdotool key Return
expect_exit "$pid" 1 "the console run that failed"

echo "-- course-eval.exe piped: the notices do not wait"
piped_data=$work/piped-data
cp -r "$source_dir/examples" "$piped_data"
printf '%s\r\n\r\n' "$(windows_path "$piped_data")" |
    "$wine" "$build/course-eval.exe" >"$work/piped.out" 2>"$work/piped.err" &
pid=$!
expect_exit "$pid" 0 "the piped run"
grep -qxF $'done\r' "$work/piped.out" || fail "the piped run did not say done"
grep -q '^course-eval: warning: .*: lines 20 and 27 hold neither' "$work/piped.err" ||
    fail "the piped run warned: $(cat "$work/piped.err")"
expect_run_files "$piped_data" "$(windows_path "$piped_data")\\"

if [ -n "$screenshot_copy" ]; then
    cp "$work/folder-dialog.png" "$screenshot_copy"
fi
echo "windows dialogs: all runs as expected; the folder dialog: $work/folder-dialog.png"
