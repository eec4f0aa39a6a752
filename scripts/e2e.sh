#!/usr/bin/env bash
# Drives the real program in a real X server through the typical edit:
# search, pick a name, edit the home address, add a photo, store, preview the
# phone list, close. A screenshot after every
# step goes to $ARTIFACTS; the stored results and the file modes are checked
# at the end. Every step waits for what it needs (a window mapped and
# painted, the picture settled after input, a file written) with a bounded
# timeout, never for a fixed time, so a busy machine only makes it slower.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
ARTIFACTS="${ARTIFACTS:-$ROOT/artifacts/e2e}"
BUILD="${E2E_BUILD:-$ROOT/build/release}"
TIMEOUT="${E2E_TIMEOUT:-60}" # seconds for any one condition

scripts/install-deps.sh
if [ ! -x "$BUILD/app/kadrolin" ] || [ -z "${E2E_REUSE:-}" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADROLIN_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j"$(nproc)" --target kadrolin
fi

rm -rf "$ARTIFACTS"; mkdir -p "$ARTIFACTS"
WORK="$(mktemp -d /tmp/kadrolin-e2e.XXXXXX)"
DATA="$WORK/data"
XVFB_PID=""; APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "e2e: FAILED: $*" >&2; shot "failure" || true; exit 1; }
step() { echo "e2e: $*"; }

# until SECONDS COMMAND...: runs COMMAND every tenth of a second until it
# succeeds; fails when it has not within SECONDS.
until_ok() {
  local end=$((SECONDS + $1)); shift
  while ! "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# --- a display of our own -----------------------------------------------------
# The server picks a free display itself: two runs at once never collide.
# Key repeat off in effect: on a busy machine a key release can come late,
# and the server would repeat the letter.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -ardelay 3600000 -arinterval 3600000 \
  3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
until_ok "$TIMEOUT" test -s "$WORK/display" || { echo "e2e: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '[:space:]' < "$WORK/display")"
until_ok "$TIMEOUT" xdpyinfo >/dev/null 2>&1 || { echo "e2e: Xvfb does not answer" >&2; exit 1; }
# Turkish keyboard, so xdotool types Ü, Ö, Ç with their case.
setxkbmap tr 2>/dev/null || true
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

SHOT_N=0
shot() {
  SHOT_N=$((SHOT_N + 1))
  timeout 20 import -window root "$ARTIFACTS/$(printf '%02d' "$SHOT_N")-$1.png"
}

# wait_window NAME -> prints the window id, or fails after $TIMEOUT seconds
wait_window() {
  local id=""
  for _ in $(seq 1 $((TIMEOUT * 10))); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
wait_gone() {
  for _ in $(seq 1 $((TIMEOUT * 10))); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
# snap WINDOW FILE: the window's picture into FILE; fails when it cannot be
# grabbed (a window just destroyed would block import for ever).
snap() { timeout 10 import -window "$1" "$2" 2>/dev/null; }
# A window just mapped is black until it is painted.
painted() {
  local n
  n=$(timeout 10 import -window "$1" png:- 2>/dev/null | convert png:- -format %k info: 2>/dev/null) || return 1
  [ "${n:-0}" -gt 1 ]
}
wait_painted() { until_ok "$TIMEOUT" painted "$1"; }
# alike A B: the two pictures differ in no more pixels than a blinking text
# cursor covers.
CURSOR_PIXELS=40
alike() {
  local n
  n=$(compare -metric AE "$1" "$2" null: 2>&1 | awk '{print $1; exit}')
  awk -v n="$n" -v max="$CURSOR_PIXELS" 'BEGIN { exit !(n != "" && n + 0 == n && n <= max) }'
}
# wait_settled WINDOW [BEFORE]: until the window shows something else than
# the picture BEFORE and then the same picture on three grabs running, so the
# input before it has been handled and drawn.
wait_settled() {
  local end=$((SECONDS + TIMEOUT)) same=0 cur="$WORK/snap-cur.png" last="$WORK/snap-last.png"
  rm -f "$last"
  while [ "$SECONDS" -lt "$end" ]; do
    if snap "$1" "$cur"; then
      if [ -n "${2:-}" ] && alike "$2" "$cur"; then
        same=0
      elif [ -f "$last" ] && alike "$last" "$cur"; then
        same=$((same + 1))
        [ "$same" -ge 3 ] && return 0
      else
        same=0
      fi
      mv "$cur" "$last"
    fi
    sleep 0.1
  done
  return 1
}
# act WINDOW WHAT COMMAND...: runs the input COMMAND and waits until the
# window has settled on a new picture.
act() {
  local w=$1 what=$2 before="$WORK/snap-before.png"; shift 2
  snap "$w" "$before" || fail "the window could not be grabbed before: $what"
  "$@"
  wait_settled "$w" "$before" || fail "the window did not change after: $what"
}
# click WINDOW X Y: a left click at window-relative coordinates
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# stored SQL: the register answers the query with something
stored() { [ -n "$(sqlite3 "$DATA/Data.mdb" "$1" 2>/dev/null)" ]; }
mode_of() { stat -c %a "$1"; }

# --- a register of a few dozen people ---------------------------------------
(umask 022 && scripts/prepare-data-dir.sh "$DATA" records/schema.sql data)
[ "$(mode_of "$DATA")" = 700 ] || fail "the fresh data directory is $(mode_of "$DATA"), not 700"
[ "$(mode_of "$DATA/Data.mdb")" = 600 ] || fail "the fresh Data.mdb is $(mode_of "$DATA/Data.mdb"), not 600"
# Plain SQL for the sqlite3 tool: 18 first names, two people each.
{
  echo "BEGIN;"
  n=0
  i=0
  last=(Yılmaz Kaya Demir Şahin Çelik Yıldız Öztürk Aydın Arslan Doğan)
  for f in Ali Ayşe Mehmet Fatma Ahmet Zeynep Mustafa Emine Hüseyin Hatice İbrahim Elif Osman Şule Çağrı Gökhan Ömer Ümran; do
    for j in 0 1; do
      n=$((n + 1))
      l=${last[$(((i + j * 3) % 10))]}
      printf "INSERT INTO tarvelion (A_Adi, A_EvTel, A_CepTel, F_Tel, A_Adres, A_Mail) VALUES ('%s %s', '0312 555 %04d', '0532 111 %04d', 'S-%d', 'Eski Adres %d', 'kisi%d@example.org');\n" \
        "$f" "$l" "$n" "$n" $((1000 + n)) "$n" "$n"
    done
    i=$((i + 1))
  done
  echo "COMMIT;"
} | sqlite3 "$DATA/Data.mdb"

cp "$ROOT/tests/fixtures/e2e/photo.jpg" "$WORK/photo.jpg" 2>/dev/null ||
  convert -size 320x400 gradient:red-blue "$WORK/photo.jpg"

# The protection store lives in the configuration directory; keep it private to the run.
export XDG_CONFIG_HOME="$WORK/config"
WIN_INI="$XDG_CONFIG_HOME/Kadrolin/win.ini"

# --- start ------------------------------------------------------------------
# A private copy of the executable: the settings file is written beside it.
mkdir -p "$WORK/bin"
cp "$BUILD/app/kadrolin" "$WORK/bin/kadrolin"
(cd "$DATA" && exec "$WORK/bin/kadrolin") >"$WORK/app.log" 2>&1 &
APP_PID=$!

MAIN=$(wait_window "Kadrolin 1.0") || fail "main window did not appear"
wait_painted "$MAIN" || fail "the main window was not painted"
wait_settled "$MAIN" "" || fail "the main window did not settle"
shot "started"

# Window-relative places of the designed layout (680 x 391 window, menu bar on top).
SEARCH="559 82"; FIRST_ROW="564 130"; BTN_EDIT="82 38"; BTN_SAVE="186 38"; BTN_PRINT="246 38"
BTN_EXIT="366 38"; HOME_ADDRESS="127 172"; BTN_PHOTO="394 270"

step "search: ali"
click "$MAIN" $SEARCH # the focus is there already; nothing to see
act "$MAIN" "typing ali" xdotool type --delay 80 "ali"
shot "search-ali"

step "pick the first name"
act "$MAIN" "a click on the first name" click "$MAIN" $FIRST_ROW
shot "picked"

step "Düzenle, new home address"
act "$MAIN" "Düzenle" click "$MAIN" $BTN_EDIT
click "$MAIN" $HOME_ADDRESS
act "$MAIN" "emptying the home address" xdotool key ctrl+a BackSpace
act "$MAIN" "typing the home address" xdotool type --delay 60 "yeni mahalle çınar sokak 5"
shot "address-typed"

step "photo from a file"
click "$MAIN" $BTN_PHOTO
DLG=$(wait_window "${PHOTO_DIALOG_TITLE:-Aç}") || fail "the picture file dialog did not appear"
wait_painted "$DLG" || fail "the picture file dialog was not painted"
wait_settled "$DLG" "" || fail "the picture file dialog did not settle"
act "$DLG" "typing the file name" xdotool type --delay 20 "$WORK/photo.jpg"
snap "$MAIN" "$WORK/before-photo.png" || fail "the main window could not be grabbed"
xdotool key Return
wait_gone "${PHOTO_DIALOG_TITLE:-Aç}" || fail "the picture file dialog did not close"
wait_settled "$MAIN" "$WORK/before-photo.png" || fail "the photo did not appear"
shot "photo-added"

step "Kaydet"
click "$MAIN" $BTN_SAVE
until_ok "$TIMEOUT" stored "SELECT 1 FROM tarvelion WHERE A_Adres = 'Yeni Mahalle Çınar Sokak 5' AND length(A_Resim) > 0" ||
  fail "the edit was not stored; home addresses now: $(sqlite3 "$DATA/Data.mdb" "SELECT A_Adi || ': ' || A_Adres FROM tarvelion WHERE A_Adi LIKE 'Ali%'" | tr '\n' ';')"
shot "stored"

step "phone list preview"
click "$MAIN" $BTN_PRINT
PREVIEW=$(wait_window "Kayıtlı Telefonlar") || fail "the phone list preview did not appear"
wait_painted "$PREVIEW" || fail "the preview was not painted"
wait_settled "$PREVIEW" "" || fail "the preview did not settle"
shot "preview"
xdotool windowfocus --sync "$PREVIEW" 2>/dev/null || true
xdotool key Escape
wait_gone "Kayıtlı Telefonlar" || fail "the preview did not close"
shot "preview-closed"

step "close the main window"
click "$MAIN" $BTN_EXIT
for _ in $(seq 1 $((TIMEOUT * 10))); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end after Çıkış"
wait "$APP_PID" || fail "the program ended with an error: $(tail -5 "$WORK/app.log")"
APP_PID=""

# --- what was stored ----------------------------------------------------------
step "checking the register and the settings file"
row=$(sqlite3 "$DATA/Data.mdb" "SELECT A_Adi FROM tarvelion WHERE A_Adres = 'Yeni Mahalle Çınar Sokak 5'")
[ -n "$row" ] || fail "the new home address was not stored (capitalised) for anybody"
case "$row" in Ali*) ;; *) fail "the address went to '$row', not to a person found by 'Ali'" ;; esac
photo=$(sqlite3 "$DATA/Data.mdb" "SELECT hex(substr(A_Resim,1,2)) || hex(substr(A_Resim,-2,2)) FROM tarvelion WHERE A_Adi = '$row'")
[ "$photo" = "FFD8FFD9" ] || fail "A_Resim of '$row' is not one JPEG stream (starts/ends: $photo)"
[ "$(mode_of "$DATA/Data.mdb")" = 600 ] || fail "Data.mdb is $(mode_of "$DATA/Data.mdb") after the run, not 600"
[ "$(mode_of "$WIN_INI")" = 600 ] || fail "win.ini is $(mode_of "$WIN_INI") after the run, not 600"
ini="$WORK/bin/Tarvlon.ini"
[ -f "$ini" ] || fail "Tarvlon.ini was not written beside the executable"
for key in Zemin:Renk Baslik:Renk Font:Renk Resim:Renk Resim:Boyut Grup:Renk; do
  sec=${key%%:*}; name=${key##*:}
  awk -v s="[$sec]" -v k="$name=" '$0==s{f=1;next} /^\[/{f=0} f && index($0,k)==1{found=1} END{exit !found}' \
    <(tr -d '\r' < "$ini") || fail "Tarvlon.ini lacks [$sec] $name"
done
echo "e2e: passed; screenshots in $ARTIFACTS"
