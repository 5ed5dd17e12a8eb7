#!/usr/bin/env bash
# Builds the thread tests (tests/tsan) alone with ThreadSanitizer in their own
# build folder and runs them. Any reported race fails the run.
#   scripts/tsan-tests.sh [build folder]   (default: build/tsan)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/tsan}"

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORLEX_TSAN=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --target tsan_textures_tests -j "${VORLEX_TSAN_JOBS:-2}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
"$build/tests/tsan/tsan_textures_tests"
