#!/usr/bin/env bash
# Sets up and starts Kadrolin on the default data directory.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

# Answers whether an X server listens at $DISPLAY: xdpyinfo when present,
# otherwise a look at the server's socket (local) or TCP port (remote).
x_display_reachable() {
  local d="$1"
  if command -v xdpyinfo >/dev/null 2>&1; then
    timeout 5 xdpyinfo -display "$d" >/dev/null 2>&1
    return
  fi
  local host="${d%%:*}" num="${d#*:}"
  num="${num%%.*}"
  [[ "$num" =~ ^[0-9]+$ ]] || return 1
  if [ -z "$host" ] || [ "$host" = "unix" ]; then
    [ -S "/tmp/.X11-unix/X$num" ]
  else
    timeout 5 bash -c "exec 3<>/dev/tcp/$host/$((6000 + num))" 2>/dev/null
  fi
}

# A platform chosen explicitly (offscreen, wayland, ...) needs no X server.
if [ -z "${QT_QPA_PLATFORM:-}" ] || [ "${QT_QPA_PLATFORM}" = "xcb" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); start Kadrolin from a desktop session or under Xvfb." >&2
    exit 1
  fi
  if [ -n "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && ! x_display_reachable "$DISPLAY"; then
    echo "run.sh: no X server answers on display \"$DISPLAY\"; start Kadrolin from a desktop session or under Xvfb." >&2
    exit 1
  fi
fi

scripts/install-deps.sh

BUILD="$ROOT/build/release"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kadrolin-ccache}"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKADROLIN_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target kadrolin

DATA_DIR="${XDG_DATA_HOME:-$HOME/.local/share}/kadrolin"
mkdir -p "$DATA_DIR"
# A fresh data directory gets an empty register and the shipped texts;
# nothing the user already has is overwritten.
if [ ! -e "$DATA_DIR/Data.mdb" ] && [ -f records/schema.sql ]; then
  sqlite3 "$DATA_DIR/Data.mdb.new" < records/schema.sql
  mv "$DATA_DIR/Data.mdb.new" "$DATA_DIR/Data.mdb"
fi
for f in help.rtf system.ssd; do
  if [ ! -e "$DATA_DIR/$f" ] && [ -f "data/$f" ]; then
    cp "data/$f" "$DATA_DIR/$f"
  fi
done

cd "$DATA_DIR"
exec "$BUILD/app/kadrolin"
