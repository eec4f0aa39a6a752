#!/bin/sh
# Starts an installed Kadrolin for the current user.
# The register lives in ${XDG_DATA_HOME:-~/.local/share}/kadrolin, as with
# scripts/run.sh. The appearance settings ("Tarvlon.ini") are kept beside the
# executable, which a normal user cannot write under /usr, so every user runs
# a private copy of the executable from the data directory; it is refreshed
# whenever the installed one changes.
set -eu
here=$(dirname "$(readlink -f "$0")")
prefix=$(cd "$here/.." && pwd)
libdir="$prefix/lib/kadrolin"
share="$prefix/share/kadrolin"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "kadrolin: no display (DISPLAY and WAYLAND_DISPLAY are unset); start Kadrolin from a desktop session." >&2
  exit 1
fi

data_dir="${XDG_DATA_HOME:-$HOME/.local/share}/kadrolin"
"$libdir/prepare-data-dir.sh" "$data_dir" "$share/schema.sql" "$share"

bin_dir="$data_dir/bin"
mkdir -p "$bin_dir"
if ! cmp -s "$libdir/kadrolin" "$bin_dir/kadrolin"; then
  cp "$libdir/kadrolin" "$bin_dir/kadrolin.new.$$"
  chmod 755 "$bin_dir/kadrolin.new.$$"
  mv "$bin_dir/kadrolin.new.$$" "$bin_dir/kadrolin"
fi

cd "$data_dir"
exec "$bin_dir/kadrolin" "$@"
