#!/usr/bin/env bash
# layout-install.sh BUILD_DIR INSTALL_ROOT
# Lays out an install folder from a build: the program folder bin/ with the
# utility, the stand-in daemon and "ZIROzod", the installation's "Data"
# folder with the interface-text tables, and UserData/, which is kept
# between runs.
set -euo pipefail
build="$1"
root="$2"
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

mkdir -p "$root/bin" "$root/Data" "$root/UserData"
install -m 755 "$build/src/frontend/VorlexUtil" "$root/bin/VorlexUtil"
if [ -x "$build/tools/vaddaemon/vaddaemon" ]; then
  install -m 755 "$build/tools/vaddaemon/vaddaemon" "$root/bin/vaddaemon"
fi
if [ -x "$build/tools/onlineserver/onlineserver" ]; then
  install -m 755 "$build/tools/onlineserver/onlineserver" "$root/bin/onlineserver"
fi
# Copied over what is there, so files the program writes back into
# ZIROzod ("personalDetails.txt") are kept.
mkdir -p "$root/bin/ZIROzod"
cp -R "$src/data/ZIROzod/." "$root/bin/ZIROzod/"
cp -R "$src/data/Data/." "$root/Data/"
