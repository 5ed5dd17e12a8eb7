#!/usr/bin/env bash
# Installs what is missing, builds the release build, lays out the install
# folder and runs bin/VorlexUtil with the arguments given, from the directory
# this script was called in.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
caller="$(pwd)"

"$here/scripts/install-deps.sh" >&2
build="$here/build/release"
mkdir -p "$build"
# The build's own output goes to a log, shown only when the build fails, so
# that what the program prints stays readable.
log="$build/run-build.log"
if ! { cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build "$build"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run.sh: build failed" >&2
  exit 1
fi
"$here/scripts/layout-install.sh" "$build" "$here/install" >&2

cd "$caller"
exec "$here/install/bin/VorlexUtil" "$@"
