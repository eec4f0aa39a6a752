#!/usr/bin/env bash
# Sets up, builds a debug build with ASan and UBSan, and runs every test.
# Exit status is the tests'.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

scripts/install-deps.sh

BUILD="${KADROLIN_TEST_BUILD:-$ROOT/build/debug}"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kadrolin-ccache}"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKADROLIN_SANITIZE=ON -DKADROLIN_TESTS=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export QT_NO_GLIB=1
# Leak reports from Qt's and fontconfig's process-lifetime caches are not ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
set +e
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" --timeout 600
status=$?

# The real program in a real X server, driven as a user drives it; it runs the
# sanitizer build just made.
if [ "$status" -eq 0 ] && [ -z "${KADROLIN_SKIP_E2E:-}" ]; then
  E2E_BUILD="$BUILD" E2E_REUSE=1 scripts/e2e.sh
  status=$?
fi
exit "$status"
