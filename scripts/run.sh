#!/usr/bin/env bash
# Sets up and starts Kadrolin on the default data directory.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); start Kadrolin from a desktop session or under Xvfb." >&2
  exit 1
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
