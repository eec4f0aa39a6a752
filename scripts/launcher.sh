#!/bin/sh
# Starts an installed Kadrolin for the current user.
# The register lives in ${XDG_DATA_HOME:-~/.local/share}/kadrolin, as with
# scripts/run.sh, and that directory is the program's working directory. The
# program itself keeps its settings in ${XDG_CONFIG_HOME:-~/.config}/Kadrolin.
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
config_dir="${XDG_CONFIG_HOME:-$HOME/.config}/Kadrolin"
"$libdir/prepare-data-dir.sh" "$data_dir" "$share/schema.sql" "$share"

# Earlier versions ran a private copy of the program from $data_dir/bin so
# that Tarvlon.ini could sit beside it. That copy never got updates: remove
# it, keeping the user's settings in the configuration directory.
old_bin="$data_dir/bin"
if [ -e "$old_bin/kadrolin" ]; then
  if [ -f "$old_bin/Tarvlon.ini" ] && [ ! -e "$config_dir/Tarvlon.ini" ]; then
    mkdir -p "$config_dir"
    mv "$old_bin/Tarvlon.ini" "$config_dir/Tarvlon.ini"
  fi
  rm -f "$old_bin/kadrolin" "$old_bin"/kadrolin.new.*
  rmdir "$old_bin" 2>/dev/null || true
  echo "kadrolin: removed the old private copy of the program from $old_bin; settings are now kept in $config_dir." >&2
fi

cd "$data_dir"
exec "$libdir/kadrolin" "$@"
