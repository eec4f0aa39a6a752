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
# The installed launcher prepares the data directory with the same script.
scripts/prepare-data-dir.sh "$DATA_DIR" records/schema.sql data

cd "$DATA_DIR"
exec "$BUILD/app/kadrolin"
