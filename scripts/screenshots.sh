#!/usr/bin/env bash
# Takes the README's screenshots again, into docs/screenshots/: the program runs on a fresh copy
# of the demo library under a virtual X server of its own (1366x768, openbox), driven by xdotool.
# Needs xvfb, openbox, xdotool and imagemagick; the clicks are placed for that screen and the
# DejaVu fonts, so a change of layout may need them moved.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUIL_BUILD_DIR:-$root/build}"
out="$root/docs/screenshots"

for tool in Xvfb openbox xdotool import; do
    command -v "$tool" >/dev/null || {
        echo "screenshots.sh needs $tool: apt-get install xvfb openbox xdotool imagemagick" >&2
        exit 1
    }
done
cmake --build "$build" --parallel "$(nproc)" --target quil installed-data >/dev/null

work="$(mktemp -d)"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A program folder of its own: the program beside the first versions of an installation.
cp -r "$build/installed-data/." "$work/"
cp "$build/QUIL.Lib/quil" "$work/"

Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
(cd "$work" && exec ./quil >/dev/null 2>&1) &
pids+=($!)

window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" >/dev/null; }
click() {
    xdotool mousemove "$1" "$2"
    sleep 0.3
    xdotool click 1
    sleep "${3:-1}"
}
shot() {
    xdotool mousemove 1365 767
    sleep 0.5
    import -window root -strip "$out/$1.png"
    echo "$out/$1.png"
}

mkdir -p "$out"
window "QUIL - Reference Library"
sleep 1

# The main window with the demo library, chosen with "Библиотека".
click 47 27
window "Выбрать библиотеку"
xdotool type Demo.mdb
xdotool key Return
window "Library Demo.mdb"
sleep 1
shot main-window

# The editor with a formatted abstract and the symbol palette.
click 128 27
window "Редактирование абстрактов"
click 762 334
shot editor
click 762 334 0.5
click 15 334

# Find: by title, a part of a word.
click 366 27
click 502 687 0.5
click 398 626 0.5
click 640 687 0.3
xdotool type --delay 50 "сверхпровод"
click 972 669 1.5
shot find
click 366 27

# Selection: the entries whose keywords hold a word.
click 427 27
click 850 685 0.3
xdotool type --delay 50 "сверхпровод"
xdotool key Return
sleep 2
shot selection
click 427 27

# Import of a reference list: the encoding question with the first lines of the file.
click 558 27 0.7
click 588 48
window "Импорт Name-Title"
xdotool type Sample.txt
xdotool key Return
window "Кодировка файла"
shot import
xdotool key Escape
sleep 1

# Export: the menu of what can be exported.
click 494 27
shot export
xdotool key Escape
