# Helpers of the end-to-end tests: the program on an X screen of its own
# and a Wine prefix of its own, driven by xdotool and read back through
# screenshots and the registry.

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() {  # check "what" command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else fail "$what"; return 1; fi
}
# A check the rest depends on: the run ends when it fails.
require() {
  check "$@" && return 0
  echo "pupetta end to end: stopped after $failures failed"
  exit 1
}
note() { echo "-- $*"; }

# The first display number from $1 that no X server holds.
free_display() {
  local n
  for n in $(seq "$1" $(($1 + 60))); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { echo ":$n"; return; }
  done
  return 1
}

# Waits up to $1 seconds for a command to succeed.
wait_until() {
  local deadline=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

# Visible top-level windows of a size: their ids, top first.
windows_of_size() {  # WIDTH HEIGHT
  xwininfo -root -children 2>/dev/null | awk -v w="$1" -v h="$2" \
    'NF >= 2 { g = $(NF - 1); if (g ~ "^" w "x" h "\\+") print $1 }' | while read -r id; do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
  done
}
window_of_size() { windows_of_size "$@" | head -1; }
has_window_of_size() { [ -n "$(window_of_size "$@")" ]; }
no_window_of_size() { [ -z "$(window_of_size "$@")" ]; }

# Absolute upper-left corner of a window: "X Y".
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}'
}

# Pointer input at a point of a window (its client coordinates).
click_in() {  # WINDOW X Y [BUTTON]
  local o; o=($(window_origin "$1"))
  xdotool mousemove --sync $((o[0] + $2)) $((o[1] + $3))
  sleep 0.15
  xdotool click "${4:-1}"
  sleep 0.3
}
# A drag with the motion Wine needs to see it start and move.
drag_in() {  # WINDOW X1 Y1 X2 Y2 [KEY held]
  local o i; o=($(window_origin "$1"))
  local x1=$((o[0] + $2)) y1=$((o[1] + $3)) x2=$((o[0] + $4)) y2=$((o[1] + $5))
  xdotool mousemove --sync "$x1" "$y1"
  sleep 0.15
  [ -n "${6:-}" ] && xdotool keydown "$6"
  xdotool mousedown 1
  sleep 0.15
  for i in 1 2 3 4 5 6 7 8; do
    xdotool mousemove --sync $((x1 + (x2 - x1) * i / 8)) $((y1 + (y2 - y1) * i / 8))
    sleep 0.05
  done
  sleep 0.15
  xdotool mouseup 1
  [ -n "${6:-}" ] && xdotool keyup "$6"
  sleep 0.4
}
# Moves the pointer off the program's windows (no hint over a screenshot).
pointer_away() { xdotool mousemove --sync 2 2; sleep 0.1; }

# The window's pixels as a PPM (P6) file.
shoot() {  # WINDOW FILE
  xwd -id "$1" -silent | /usr/bin/convert-im6.q16 xwd:- "$2"
}
# The colour "R,G,B" of a pixel of a picture file.
pixel_of() {  # FILE X Y
  /usr/bin/convert-im6.q16 "$1" -crop "1x1+$2+$3" +repage -depth 8 -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' info:-
}
# Pixels that differ between two pictures inside a rectangle (0 = the same).
differing_pixels() {  # A B X Y W H
  local a b
  a=$(mktemp --suffix=.ppm) b=$(mktemp --suffix=.ppm)
  /usr/bin/convert-im6.q16 "$1" -crop "$5x$6+$3+$4" +repage "$a"
  /usr/bin/convert-im6.q16 "$2" -crop "$5x$6+$3+$4" +repage "$b"
  /usr/bin/compare-im6.q16 -metric AE "$a" "$b" null: 2>&1 | awk 'NR == 1 {print int($1)}'
  rm -f "$a" "$b"
}
# The number of pixels of a rectangle whose colour is not the given one.
pixels_not() {  # FILE X Y W H R,G,B
  /usr/bin/convert-im6.q16 "$1" -crop "$4x$5+$2+$3" +repage -depth 8 -format %c histogram:info:- |
    awk -v c="$6" '{n = $1; sub(":", "", n); v = $2; gsub(/[()]/, "", v); t += n; if (v == c) s += n} END {print t - s}'
}

# The number of pixels of a rectangle that are not grey (saturation above 12%).
coloured_pixels() {  # FILE X Y W H
  /usr/bin/convert-im6.q16 "$1" -crop "$4x$5+$2+$3" +repage -colorspace HSL -channel G -separate +channel \
    -threshold 12% -format '%[fx:int(mean*w*h+0.5)]' info:-
}

# A value of the program's key in the prefix's user.reg, which the wine
# server writes when it ends: the text of "NAME"="text", or the bytes of
# "NAME"=hex:..; "" when missing. (Starting Wine's reg instead costs a
# Wine start a value.)
reg_value() {  # SUBKEY NAME
  local key='[Software\\Quenvo\\Pupetta'
  [ -n "$1" ] && key="$key\\\\$1"
  wineserver -w
  # Through the environment: awk -v would undo the file's doubled backslashes.
  K="$key]" N="\"$2\"" awk 'BEGIN {k = ENVIRON["K"]; n = ENVIRON["N"]}
    index($0, "[") == 1 {inside = (index($0, k " ") == 1); next}
    inside && index($0, n "=") == 1 {v = substr($0, length(n) + 2); gsub(/"/, "", v); print v}' "$WINEPREFIX/user.reg"
}
# Presses a key on the title screen (keys go to the window under the pointer
# without a window manager) until the main window shows.
skip_title() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    has_window_of_size 640 480 && return 0
    xdotool mousemove 500 380 key space 2>/dev/null
    sleep 0.3
  done
  return 1
}

# Viewable top-level windows: "ID X Y W H" a line.
viewable_windows() {
  xwininfo -root -children 2>/dev/null | awk 'NF >= 2 && $(NF - 1) ~ /^[0-9]+x[0-9]+\+/ {print $1}' | while read -r id; do
    xwininfo -id "$id" 2>/dev/null | awk -v id="$id" '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
      /Width:/ {w = $NF} /Height:/ {h = $NF} /Map State: IsViewable/ {v = 1} END {if (v) print id, x, y, w, h}'
  done
}
# Opens a control's popup menu with the right button and clicks its last
# entry (the last model of a category's menu).
menu_last_entry() {  # WINDOW X Y
  local before menu
  before=$(viewable_windows | awk '{print $1}')
  click_in "$1" "$2" "$3" 3
  sleep 0.5
  menu=$(viewable_windows | while read -r id rest; do grep -qx "$id" <<<"$before" || { echo "$id $rest"; break; }; done)
  [ -n "$menu" ] || return 1
  set -- $menu
  xdotool mousemove --sync $(($2 + $4 / 2)) $(($3 + $5 - 8))
  sleep 0.3
  xdotool click 1
  sleep 0.5
}
# PDFs that cups-pdf wrote after the marker file, newest first.
new_pdfs() {  # MARKER
  ls -t "$HOME"/PDF/*.pdf 2>/dev/null | while read -r f; do [ "$f" -nt "$1" ] && echo "$f"; done
}
# The new PDF whose text holds the words, waiting for cups-pdf.
pdf_with_text() {  # MARKER TEXT SECONDS
  local deadline=$((SECONDS + $3)) f
  while [ $SECONDS -lt $deadline ]; do
    for f in $(new_pdfs "$1"); do
      pdftotext "$f" - 2>/dev/null | grep -q "$2" && { echo "$f"; return 0; }
    done
    sleep 0.5
  done
  return 1
}
# Closes a message box of the program, printing its texts.
message_box_text() {
  "$WINE" "$PROGRAM_TOOL" dialog-text 0 2>/dev/null | tr -d '\r'
}
