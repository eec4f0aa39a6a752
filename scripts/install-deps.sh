#!/usr/bin/env bash
# Installs the Debian packages Kadrolin needs to build, run and test.
# Safe to run again: only missing packages are fetched.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config
  # libraries
  qt6-base-dev qt6-qpa-plugins libqt6svg6
  libsqlite3-dev sqlite3 libicu-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libuemf-dev libpoppler-qt6-dev
  libsodium-dev libxlsxwriter-dev libzip-dev mdbtools-dev libpq-dev
  # Qt's own dialogs in Turkish
  qt6-translations-l10n
  # fonts the reports and forms are drawn with
  fonts-liberation2 fonts-dejavu-core
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # libFuzzer targets for the picture decoders; PDF checks of saved reports
  clang poppler-utils
  # a real display for the program and the end-to-end run
  xvfb xauth xdotool x11-utils x11-xkb-utils imagemagick
  # a PostgreSQL server each test starts in a temporary directory (never the system service)
  postgresql-15
  # XLSX files written by a program that is not ours, for round-trip checks
  python3-openpyxl
  # checks of the Debian package and its desktop metadata
  lintian appstream desktop-file-utils devscripts librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO="sudo"; else
    echo "install-deps: these packages are missing and I am not root: ${missing[*]}" >&2
    exit 1
  fi
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A fresh machine has no package lists yet; a failed first try usually means stale lists.
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
