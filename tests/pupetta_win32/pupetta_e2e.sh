#!/usr/bin/env bash
# pupetta.exe as a person uses it, on an X screen and in a Wine prefix of its
# own (so it runs beside the other tests): the title screen, then the main
# window with the doll; dressing by menu and by drag and drop, fabrics, a
# pair that excludes each other; the pattern view and back; printing the
# patterns and the doll to the CUPS PDF printer, measured; the measurement
# edits refusing what is no size; saving a slot, quitting, starting again
# and restoring it pixel for pixel; help, the about box and quitting
# cleanly. Usage: pupetta_e2e.sh DIST_DIR WORK_DIR PROGRAM_TOOL_EXE
set -u
dist=$(cd "$1" && pwd)
mkdir -p "$2" && work=$(cd "$2" && pwd)
# Reads and closes the program's message boxes.
export PROGRAM_TOOL=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/e2e_lib.sh"
failures=0
shots=$work/shots
rm -rf "$shots" && mkdir -p "$shots"

export WINE=/usr/lib/wine/wine64 WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEPREFIX=$work/prefix
# PUPETTA_E2E_DISPLAY names the screen to start; else the first free one from :310.
display=${PUPETTA_E2E_DISPLAY:-$(free_display 310)} || { echo "no free X display"; exit 1; }
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
# A garment of the test's own: a blouse whose one pattern piece is a 100 mm
# square (its pictures and description are the sleeveless top's).
for ext in .bmp v.bmp .rtf; do cp "$app/models/bl02$ext" "$app/models/bl09$ext"; done
printf '%s\r\n' "Test square(120,120)" "Square(10,10,100,100)" "  LINESG(0,0) (100,0)" "  LINESG(100,0) (100,100)" \
  "  LINESG(100,100) (0,100)" "  LINESG(0,100) (0,0)" "  TEXT(30,50) Square" "  POINTFILL(50,50)" "}" > "$app/models/bl09.mdl"

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
# Slot 1 dresses her in the summer dress with its stored fabrics (the bare
# garment is grey): most of the skirt's middle is coloured.
check "slot 1's dress wears its stored fabrics" test "$(coloured_pixels "$shots/main.ppm" 320 200 50 60)" -gt 1500

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

# ---- the previews: dressing by menu and by drag and drop -------------------
# The category selector's items (main window coordinates) and the big preview.
sel() { case $1 in Br) echo "513 297";; Bl) echo "564 297";; Yu) echo "513 327";; Wn) echo "564 327";;
                    Pl) echo "513 357";; Hl) echo "564 357";; esac; }
big_preview="504 112 136 165"
click_in "$main" $(sel Bl)
pointer_away
shoot "$main" "$shots/blouses.ppm"
click_in "$main" $(sel Br)
pointer_away
shoot "$main" "$shots/trousers.ppm"
check "the category selector shows another preview" \
  test "$(differing_pixels "$shots/blouses.ppm" "$shots/trousers.ppm" $big_preview)" -gt 300
# A click in the carousel's front place turns it to the next model.
click_in "$main" 551 200
pointer_away
sleep 1
shoot "$main" "$shots/turned.ppm"
check "a click turns the preview to the next model" \
  test "$(differing_pixels "$shots/trousers.ppm" "$shots/turned.ppm" $big_preview)" -gt 300
# Trousers dragged onto the doll (onto her dress): she wears them, and the
# dress, which cannot be worn with trousers, comes off.
drag_in "$main" 551 200 345 150
pointer_away
shoot "$main" "$shots/trousers-on.ppm"
check "trousers dragged from their preview dress the doll" \
  test "$(differing_pixels "$shots/turned.ppm" "$shots/trousers-on.ppm" 245 40 200 360)" -gt 300
# The hats' menu: its last model chosen, then the preview dragged onto her head.
menu_last_entry "$main" 547 61
pointer_away
shoot "$main" "$shots/hat-chosen.ppm"
check "a model chosen from the hats' menu shows in their preview" \
  test "$(differing_pixels "$shots/trousers-on.ppm" "$shots/hat-chosen.ppm" 489 18 117 86)" -gt 100
drag_in "$main" 547 61 345 75
pointer_away
shoot "$main" "$shots/hat-on.ppm"
check "the hat dragged from its preview is worn" \
  test "$(differing_pixels "$shots/hat-chosen.ppm" "$shots/hat-on.ppm" 245 40 200 120)" -gt 100
# A fabric dropped on the trousers' preview covers the preview's garment.
drag_in "$main" 49 $((261 + 51)) 530 180
pointer_away
shoot "$main" "$shots/preview-fabric.ppm"
check "a fabric dropped on a preview covers its garment" \
  test "$(differing_pixels "$shots/hat-on.ppm" "$shots/preview-fabric.ppm" $big_preview)" -gt 100

# ---- the pattern view and back ---------------------------------------------
sheet_area="188 64 239 212"
click_in "$main" 170 60   # the picture area above the doll
sleep 3
pointer_away
shoot "$main" "$shots/patterns.ppm"
check "the pattern view opens over the doll" \
  test "$(pixels_not "$shots/patterns.ppm" $sheet_area 255,255,255)" -gt 500
check "the doll is hidden behind it" \
  test "$(differing_pixels "$shots/preview-fabric.ppm" "$shots/patterns.ppm" 245 320 200 80)" -gt 300
# Clicks on the sheet: outlines, the description, fabrics again.
for step in outlines description fabrics; do
  click_in "$main" 300 250
  pointer_away
  sleep 0.3
  shoot "$main" "$shots/patterns-$step.ppm"
done
check "a click on the sheet shows the outlines" \
  test "$(differing_pixels "$shots/patterns.ppm" "$shots/patterns-outlines.ppm" $sheet_area)" -gt 100
check "the next click shows the description" \
  test "$(differing_pixels "$shots/patterns-outlines.ppm" "$shots/patterns-description.ppm" $sheet_area)" -gt 100
check "the third click shows the fabrics again" \
  test "$(differing_pixels "$shots/patterns.ppm" "$shots/patterns-fabrics.ppm" $sheet_area)" -eq 0
# The blouses' preview while the patterns show: the sheet follows the category.
click_in "$main" $(sel Bl)
pointer_away
sleep 0.3
shoot "$main" "$shots/patterns-blouse.ppm"
check "choosing another category shows its patterns" \
  test "$(differing_pixels "$shots/patterns.ppm" "$shots/patterns-blouse.ppm" $sheet_area)" -gt 100

# ---- printing the patterns: the 100 mm square measures 100 mm ---------------
# The test's square is the blouses' last model.
menu_last_entry "$main" 551 200
pointer_away
sleep 0.5
marker=$work/print.marker
touch "$marker"
sleep 1
pattern_form() { window_of_size 405 360; }
click_in "$main" 199 439   # Print the patterns
require "Print opens the pattern print form" wait_until 10 has_window_of_size 405 360
# The measurement edits refuse what is no size, with a message.
edit_to() {  # X Y TEXT: replaces the edit's text, then leaves it for the height edit
  click_in "$(pattern_form)" "$1" "$2"
  xdotool key --delay 30 End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
  xdotool type --delay 30 "$3"
  click_in "$(pattern_form)" 180 82
}
edit_to 180 112 "abc"
box=$(message_box_text)
check "a back width that is no number is refused with a message" grep -q "child Static" <<<"$box"
echo "$box" | grep '^child Static' | sed 's/^/   /'
edit_to 180 112 "0"
box0=$(message_box_text)
check "a back width of 0 is refused with a message" grep -q "child Static" <<<"$box0"
click_in "$(pattern_form)" 156 315   # Print
pdf=$(pdf_with_text "$marker" "Test square" 60)
check "the patterns reach the PDF printer" test -n "$pdf"
if [ -n "$pdf" ]; then
  read -r across down < <(/usr/bin/python3 "$here/measure_pdf.py" lines "$pdf")
  check "the 100 mm square's side measures 100 mm across ($across)" \
    python3 -c "import sys; sys.exit(abs($across - 100) > 0.5)"
  check "the 100 mm square's side measures 100 mm down ($down)" \
    python3 -c "import sys; sys.exit(abs($down - 100) > 0.5)"
fi
# Its help button opens the help at the topic of printing the patterns.
click_in "$(pattern_form)" 249 315
check "the pattern print form's help opens the help window" wait_until 10 has_window_of_size 435 374
sleep 0.5
shoot "$(window_of_size 435 374)" "$shots/help-print-v.ppm"
click_in "$(window_of_size 435 374)" 418 16
check "the help window closes over the pattern print form" wait_until 10 no_window_of_size 435 374
click_in "$(pattern_form)" 342 315   # Exit
check "the pattern print form closes" wait_until 10 no_window_of_size 405 360
# The pattern view closes with its close button (the one at its bottom right).
click_in "$main" 449 296
sleep 3
pointer_away
shoot "$main" "$shots/doll-back.ppm"
check "closing the patterns takes the sheet away" \
  test "$(differing_pixels "$shots/skin.ppm" "$shots/doll-back.ppm" 150 40 94 270)" -eq 0
check "closing the patterns shows the doll again" \
  test "$(differing_pixels "$shots/skin.ppm" "$shots/doll-back.ppm" 245 40 200 360)" -gt 5000

# ---- printing the doll at 0.4 mm a panel pixel ------------------------------
# Her figure's extent on the screen (pixels that are not the skin's).
read -r fig_w fig_h < <(/usr/bin/convert-im6.q16 "$shots/doll-back.ppm" -crop 200x360+245+40 +repage \
  \( "$shots/skin.ppm" -crop 200x360+245+40 +repage \) -compose difference -composite -threshold 0 \
  -format '%@' info: | awk -F'[x+]' '{print $1, $2}')
touch "$marker"
sleep 1
click_in "$main" 316 439   # Print the doll
require "the doll print form opens" wait_until 10 has_window_of_size 435 254
click_in "$(window_of_size 435 254)" 168 205
doll_pdf=$(pdf_with_text "$marker" "Straight\\|Jeans\\|trousers\\|Shorts\\|hat\\|Beret" 60)
check "the doll reaches the PDF printer" test -n "$doll_pdf"
if [ -n "$doll_pdf" ]; then
  # The front stands in the left half of the page, above the titles.
  read -r w_mm h_mm < <(/usr/bin/python3 "$here/measure_pdf.py" box "$doll_pdf" 0 105 0 150)
  check "the printed doll is 0.4 mm a pixel across: $w_mm mm for $fig_w pixels" \
    python3 -c "import sys; sys.exit(abs($w_mm - $fig_w * 0.4) > 0.5)"
  check "the printed doll is 0.4 mm a pixel down: $h_mm mm for $fig_h pixels (panel 80 x 144 mm)" \
    python3 -c "import sys; sys.exit(abs($h_mm - $fig_h * 0.4) > 0.5)"
fi
click_in "$(window_of_size 435 254)" 268 205   # Help
check "the doll print form's help opens the help window" wait_until 10 has_window_of_size 435 374
sleep 0.5
shoot "$(window_of_size 435 374)" "$shots/help-print-d.ppm"
click_in "$(window_of_size 435 374)" 418 16
check "the help window closes over the doll print form" wait_until 10 no_window_of_size 435 374
click_in "$(window_of_size 435 254)" 368 205   # Exit
check "the doll print form closes" wait_until 10 no_window_of_size 435 254
pointer_away
shoot "$main" "$shots/dressed.ppm"

# ---- save to slot 3 --------------------------------------------------------
slot_dialog() { window_of_size 435 329; }
# Slot buttons in the dialog: 1 .. 8.
slot_button() { case $1 in 1) echo "87 90";; 2) echo "168 92";; 3) echo "268 89";; 4) echo "364 89";;
                            5) echo "87 176";; 6) echo "176 174";; 7) echo "273 176";; 8) echo "363 174";; esac; }
click_in "$main" 460 440   # the strip's save item
check "Save asks for a slot" wait_until 10 has_window_of_size 435 329
# The dialog's help button opens the help at saving and restoring.
click_in "$(slot_dialog)" 403 16
check "the slot dialog's help opens the help window" wait_until 10 has_window_of_size 435 374
sleep 0.5
shoot "$(window_of_size 435 374)" "$shots/help-slots.ppm"
click_in "$(window_of_size 435 374)" 418 16
check "the help window closes over the slot dialog" wait_until 10 no_window_of_size 435 374
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
# Each place the program links to shows its own topic: every page differs
# from the others and holds text.
for topic in print-v print-d slots; do
  if [ -f "$shots/help-$topic.ppm" ]; then
    check "the $topic help shows a topic" test "$(pixels_not "$shots/help-$topic.ppm" 15 31 388 280 255,255,255)" -gt 500
    check "the $topic help is not the main topic" \
      test "$(differing_pixels "$shots/help-main.ppm" "$shots/help-$topic.ppm" 15 31 388 280)" -gt 300
  else
    fail "no help window was seen for $topic"
  fi
done
check "the two print forms' help topics differ" \
  test "$(differing_pixels "$shots/help-print-v.ppm" "$shots/help-print-d.ppm" 15 31 388 280)" -gt 300
check "the slot dialog's help topic differs from printing's" \
  test "$(differing_pixels "$shots/help-print-v.ppm" "$shots/help-slots.ppm" 15 31 388 280)" -gt 300
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
check "slot 3 holds the trousers" test "$(reg_value States3 ModelsItemBr)" -ge 0
check "slot 3 has the dress taken off by the trousers" test "$(reg_value States3 ModelsItemPl)" = "-1"
check "slot 3 holds the hat chosen from the menu" test "$(reg_value States3 ModelsItemSh)" = "2"
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
