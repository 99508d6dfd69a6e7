#!/usr/bin/env bash
# pupetta.exe as a person uses it, on an X screen and in a Wine prefix of its
# own (so it runs beside the other tests): the title screen, then the main
# window with the doll; dressing and fabrics; saving a slot, quitting,
# starting again and restoring it pixel for pixel; help, the about box and
# quitting cleanly. Usage: pupetta_e2e.sh DIST_DIR WORK_DIR
set -u
dist=$(cd "$1" && pwd)
mkdir -p "$2" && work=$(cd "$2" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/e2e_lib.sh"
failures=0
shots=$work/shots
rm -rf "$shots" && mkdir -p "$shots"

export WINE=/usr/lib/wine/wine64 WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEPREFIX=$work/prefix
display=$(free_display 310) || { echo "no free X display"; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
wait_until 20 xdpyinfo || { echo "Xvfb did not start on $display"; exit 1; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  note "making the test's Wine prefix"
  "$WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# A first run: no settings yet.
"$WINE" reg delete 'HKCU\Software\Quenvo' /f >/dev/null 2>&1
# The program's folder: the data set, linked (the program writes only new files there).
app=$work/app
rm -rf "$app" && cp -rl "$dist" "$app"

start_program() {
  (cd "$app" && exec "$WINE" pupetta.exe >>"$work/program.log" 2>&1) &
  program=$!
}
main_window() { window_of_size 640 480; }

# ---- start: the title screen, then the main window with the doll ----------
start_program
require "the title screen covers the screen" wait_until 60 has_window_of_size 1024 768
title=$(window_of_size 1024 768)
# The zoom grows the picture from the middle once the forms exist: the
# middle of the screen is then no longer black.
title_grown() {
  shoot "$title" "$shots/title.ppm" && [ "$(pixels_not "$shots/title.ppm" 432 334 160 100 0,0,0)" -gt 15000 ]
}
check "the title picture grows on the screen" wait_until 40 title_grown
# Once it has grown, a key ends it.
require "the main window follows the title screen" skip_title 40
check "the title screen is gone" wait_until 10 no_window_of_size 1024 768
main=$(main_window)
pointer_away
sleep 1.5
shoot "$main" "$shots/main.ppm"
/usr/bin/convert-im6.q16 "$app/Resource/Main.bmp" "$shots/skin.ppm"
# The face is the skin; the doll panel shows the doll dressed by slot 1.
check "the window's face is Main.bmp" test "$(differing_pixels "$shots/main.ppm" "$shots/skin.ppm" 100 320 140 80)" -eq 0
check "the doll stands in her panel" test "$(differing_pixels "$shots/main.ppm" "$shots/skin.ppm" 245 40 200 360)" -gt 5000

# ---- fabrics: the drum opens, a fabric dropped on the dress ---------------
click_in "$main" 49 312
sleep 1.2
shoot "$main" "$shots/drum-open.ppm"
check "a click opens the drum" test "$(differing_pixels "$shots/main.ppm" "$shots/drum-open.ppm" 0 261 99 103)" -gt 500
drag_in "$main" 49 $((261 + 51)) 345 180
pointer_away
sleep 0.5
shoot "$main" "$shots/fabric.ppm"
check "a fabric dropped on the dress changes it" \
  test "$(differing_pixels "$shots/drum-open.ppm" "$shots/fabric.ppm" 245 40 200 360)" -gt 300
# A click on the doll turns her round.
click_in "$main" 345 180
pointer_away
sleep 0.3
shoot "$main" "$shots/back.ppm"
check "a click turns the doll round" test "$(differing_pixels "$shots/fabric.ppm" "$shots/back.ppm" 245 40 200 360)" -gt 300
click_in "$main" 345 180
pointer_away
sleep 0.3
shoot "$main" "$shots/dressed.ppm"
check "a second click shows her front again" \
  test "$(differing_pixels "$shots/fabric.ppm" "$shots/dressed.ppm" 245 40 200 360)" -lt 20

# ---- save to slot 3 --------------------------------------------------------
slot_dialog() { window_of_size 435 329; }
# Slot buttons in the dialog: 1 .. 8.
slot_button() { case $1 in 1) echo "87 90";; 2) echo "168 92";; 3) echo "268 89";; 4) echo "364 89";;
                            5) echo "87 176";; 6) echo "176 174";; 7) echo "273 176";; 8) echo "363 174";; esac; }
click_in "$main" 460 440   # the strip's save item
check "Save asks for a slot" wait_until 10 has_window_of_size 435 329
click_in "$(slot_dialog)" $(slot_button 3)
check "the slot dialog closes" wait_until 10 no_window_of_size 435 329
sleep 0.5

# ---- help on its topics, and the about box ---------------------------------
help_window() { window_of_size 435 374; }
click_in "$main" 117 106
check "Help opens the help window" wait_until 10 has_window_of_size 435 374
sleep 0.5
shoot "$(help_window)" "$shots/help-main.ppm"
check "the help window shows a topic" test "$(pixels_not "$shots/help-main.ppm" 15 31 388 280 255,255,255)" -gt 500
# About, from the help window: the credits scroll, a click closes it.
click_in "$(help_window)" 300 340
check "the about box opens" wait_until 10 has_window_of_size 342 243
about=$(window_of_size 342 243)
sleep 0.6
shoot "$about" "$shots/about1.ppm"
sleep 0.6
shoot "$about" "$shots/about2.ppm"
check "the credits scroll" test "$(differing_pixels "$shots/about1.ppm" "$shots/about2.ppm" 0 0 342 243)" -gt 50
click_in "$about" 170 200
check "a click closes the about box" wait_until 10 no_window_of_size 342 243
click_in "$(help_window)" 418 16
check "the help window closes" wait_until 10 no_window_of_size 435 374

# ---- quit, start again, restore slot 3 -------------------------------------
ended() { ! kill -0 "$program" 2>/dev/null; }
click_in "$main" 629 14
require "the close button ends the program" wait_until 20 ended
wait "$program"
check "the program ends cleanly" test $? -eq 0
program=
# The registry as the program left it (the wine server writes it as it ends).
check "slot 3 holds the dress" test "$(reg_value States3 ModelsItemPl)" = "1"
check "slot 3 holds the dress's fabrics" test -n "$(reg_value States3 pl01)"
check "DefaultSlot is the slot last chosen" test "$(reg_value "" DefaultSlot)" = "3"
check "the music switch is stored at the end" test -n "$(reg_value "" Sound)"

start_program
require "the second start shows the main window" skip_title 60
main=$(main_window)
click_in "$main" 380 440   # the strip's restore item
check "Restore asks for a slot" wait_until 10 has_window_of_size 435 329
click_in "$(slot_dialog)" $(slot_button 3)
check "the slot dialog closes" wait_until 10 no_window_of_size 435 329
pointer_away
sleep 2.5   # the notice flies out and back
shoot "$main" "$shots/restored.ppm"
check "slot 3 restores the same doll and fabrics, pixel for pixel" \
  test "$(differing_pixels "$shots/dressed.ppm" "$shots/restored.ppm" 245 40 200 360)" -eq 0

click_in "$main" 629 14
check "the program ends again" wait_until 20 ended && wait "$program"
program=

echo "pupetta end to end: $failures failed"
[ "$failures" -eq 0 ]
