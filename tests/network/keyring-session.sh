#!/bin/sh
# Runs one test program against a real secret service: a private D-Bus session
# with a freshly unlocked gnome-keyring, in a throw-away HOME, so the test never
# touches the keyring of whoever runs it.
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 0700 "$scratch/home" "$scratch/runtime"
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config"
export MORVANE_SECRET_STORE=keyring MORVANE_TEST_PRIVATE_KEYRING=1
dbus-run-session -- sh -c 'eval "$(printf morvane | gnome-keyring-daemon --unlock --components=secrets)"; exec "$@"' _ "$@"
