#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and the address,
# undefined-behaviour and array-bounds sanitizers, and runs one of them
# (image_file: the image readers). Not part of CI.
#
#   scripts/fuzz.sh                   build every target and list them
#   scripts/fuzz.sh NAME [SECONDS] [FLAGS...]
#                                     run fuzz_NAME for SECONDS (default 300)
#                                     on fuzz/corpus/NAME (kept between runs),
#                                     seeded from fuzz/seeds/NAME when present;
#                                     FLAGS go to libFuzzer (the script-library
#                                     targets: -fork=2 -ignore_ooms=1, since a
#                                     script may allocate gigabytes in one run)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$here/scripts/install-deps.sh"
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build="$here/build/fuzz"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVORLEX_FUZZ=ON >/dev/null
cmake --build "$build"

if [ $# -eq 0 ]; then
  ls "$build"/fuzz/ | grep '^fuzz_' || true
  exit 0
fi
name="$1"
seconds="${2:-300}"
shift $(( $# < 2 ? $# : 2 ))
corpus="$here/fuzz/corpus/$name"
mkdir -p "$corpus"
seeds=()
[ -d "$here/fuzz/seeds/$name" ] && seeds=("$here/fuzz/seeds/$name")
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build"
exec "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 "$@" "$corpus" "${seeds[@]}"
