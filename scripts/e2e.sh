#!/usr/bin/env bash
# Drives the real program in a real X server through the typical edit:
# search, pick a name, edit the home address, add a photo, store, preview the
# phone list, close. A screenshot after every step goes to $ARTIFACTS; the
# stored results are checked with the sqlite3 tool at the end.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
ARTIFACTS="${ARTIFACTS:-$ROOT/artifacts/e2e}"
BUILD="${E2E_BUILD:-$ROOT/build/release}"
TIMEOUT="${E2E_TIMEOUT:-20}"

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

# --- a free display -------------------------------------------------------
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then DISP=":$n"; break; fi
done
[ -n "${DISP:-}" ] || { echo "e2e: no free X display number" >&2; exit 1; }
Xvfb "$DISP" -screen 0 1280x800x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
export DISPLAY="$DISP"
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "e2e: Xvfb did not start" >&2; exit 1; }
# Turkish keyboard, so xdotool types Ü, Ö, Ç with their case.
setxkbmap tr 2>/dev/null || true
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

SHOT_N=0
shot() {
  SHOT_N=$((SHOT_N + 1))
  import -window root "$ARTIFACTS/$(printf '%02d' "$SHOT_N")-$1.png"
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
# click WINDOW X Y: a left click at window-relative coordinates
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}

# --- a register of a few dozen people ---------------------------------------
mkdir -p "$DATA"
scripts/prepare-data-dir.sh "$DATA" records/schema.sql data
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

# --- start ------------------------------------------------------------------
# A private copy of the executable: the settings file is written beside it.
mkdir -p "$WORK/bin"
cp "$BUILD/app/kadrolin" "$WORK/bin/kadrolin"
(cd "$DATA" && exec "$WORK/bin/kadrolin") >"$WORK/app.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window "Kadrolin 1.0") || fail "main window did not appear"
sleep 0.5
shot "started"

# Window-relative places of the designed layout (680 x 391 window, menu bar on top).
SEARCH="559 82"; FIRST_ROW="564 130"; BTN_EDIT="82 38"; BTN_SAVE="186 38"; BTN_PRINT="246 38"
BTN_EXIT="366 38"; HOME_ADDRESS="127 172"; BTN_PHOTO="394 270"

step "search: ali"
click "$MAIN" $SEARCH
xdotool type --delay 80 "ali"
sleep 1
shot "search-ali"

step "pick the first name"
click "$MAIN" $FIRST_ROW
sleep 0.5
shot "picked"

step "Düzenle, new home address"
click "$MAIN" $BTN_EDIT
click "$MAIN" $HOME_ADDRESS
xdotool key ctrl+a BackSpace
xdotool type --delay 60 "yeni mahalle çınar sokak 5"
sleep 0.5
shot "address-typed"

step "photo from a file"
click "$MAIN" $BTN_PHOTO
DLG=$(wait_window "${PHOTO_DIALOG_TITLE:-Aç}") || fail "the picture file dialog did not appear"
sleep 0.5
xdotool type --delay 20 "$WORK/photo.jpg"
xdotool key Return
wait_gone "${PHOTO_DIALOG_TITLE:-Aç}" || fail "the picture file dialog did not close"
sleep 1
shot "photo-added"

step "Kaydet"
click "$MAIN" $BTN_SAVE
sleep 1
shot "stored"

step "phone list preview"
click "$MAIN" $BTN_PRINT
PREVIEW=$(wait_window "Kayıtlı Telefonlar") || fail "the phone list preview did not appear"
sleep 2
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
ini="$WORK/bin/Tarvlon.ini"
[ -f "$ini" ] || fail "Tarvlon.ini was not written beside the executable"
for key in Zemin:Renk Baslik:Renk Font:Renk Resim:Renk Resim:Boyut Grup:Renk; do
  sec=${key%%:*}; name=${key##*:}
  awk -v s="[$sec]" -v k="$name=" '$0==s{f=1;next} /^\[/{f=0} f && index($0,k)==1{found=1} END{exit !found}' \
    <(tr -d '\r' < "$ini") || fail "Tarvlon.ini lacks [$sec] $name"
done
echo "e2e: passed; screenshots in $ARTIFACTS"
