#!/bin/sh
# Runs a test program with a home and XDG folders of its own, removed afterwards, so that no
# test reads or writes the user's settings, caches or data. Usage: isolated_home.sh PROGRAM...
home=$(mktemp -d "${TMPDIR:-/tmp}/zel-test-home.XXXXXX") || exit 125
trap 'rm -rf "$home"' EXIT
export HOME="$home"
export XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
export XDG_DATA_HOME="$home/.local/share" XDG_STATE_HOME="$home/.local/state"
export XDG_RUNTIME_DIR="$home/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" &&
  mkdir -m 0700 "$XDG_RUNTIME_DIR" || exit 125
"$@"
