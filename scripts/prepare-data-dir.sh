#!/bin/sh
# prepare-data-dir.sh DATA_DIR SCHEMA_SQL TEXTS_DIR
# Gives a data directory what a fresh one needs: an empty register made from
# the schema, and the help and credits texts. Nothing the user already has is
# touched, and a half-made register never takes the real name. The register
# holds personal data: the directory and everything made in it are for the
# owner only, and a directory or register left open by an older version is
# tightened.
set -eu
data_dir=$1
schema=$2
texts=$3

umask 077
mkdir -p "$data_dir"
chmod go-rwx "$data_dir"
for f in Data.mdb Data.mdb-wal Data.mdb-shm Data.mdb-journal; do
  if [ -f "$data_dir/$f" ] && [ ! -L "$data_dir/$f" ] && [ -O "$data_dir/$f" ]; then
    chmod go-rwx "$data_dir/$f"
  fi
done
if [ ! -e "$data_dir/Data.mdb" ] && [ -f "$schema" ]; then
  tmp="$data_dir/Data.mdb.new.$$"
  rm -f "$tmp"
  if ! sqlite3 "$tmp" < "$schema"; then
    rm -f "$tmp"
    echo "kadrolin: could not create $data_dir/Data.mdb from $schema" >&2
    exit 1
  fi
  mv "$tmp" "$data_dir/Data.mdb"
fi
for f in help.rtf system.ssd; do
  if [ ! -e "$data_dir/$f" ] && [ -f "$texts/$f" ]; then
    cp "$texts/$f" "$data_dir/$f.new.$$"
    mv "$data_dir/$f.new.$$" "$data_dir/$f"
  fi
done
