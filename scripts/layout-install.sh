#!/usr/bin/env bash
# layout-install.sh BUILD_DIR INSTALL_ROOT
# Lays out an install folder from a build: the program folder bin/ with the
# utility, the stand-in daemon and "ZIROzod", the installation's "Data"
# folder with the interface-text tables, the "scripts" folder with the
# shared script sources, prebuilt/libraries with the shipped script
# libraries, and UserData/, which is kept between runs. The shipped
# libraries are compiled from those sources, with the build's compiler
# (gslibc), into prebuilt/libraries, and copied over what UserData/libraries
# holds (the file-system root "libraries" that the script-system set-up
# registers); the program itself copies back only those missing there.
set -euo pipefail
build="$1"
root="$2"
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

mkdir -p "$root/bin" "$root/Data" "$root/UserData" "$root/scripts" "$root/UserData/libraries" \
  "$root/prebuilt/libraries"
install -m 755 "$build/src/frontend/VorlexUtil" "$root/bin/VorlexUtil"
# The program's loadable modules (texture compression) lie beside it.
install -m 755 "$build/src/frontend/vorlexdxt.so" "$root/bin/vorlexdxt.so"
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

# The shared script sources: the runtime's own "gs.gs" and the libraries
# of data/scripts. Each compiles into "<name>.gsl"; a library that fails to
# compile fails the layout. The compiler's "-p" names the output file's
# place: its folder is what is left without the last element.
cp "$src/src/gsruntime/scripts/gs.gs" "$root/scripts/"
cp "$src/data/scripts/"*.gs "$root/scripts/"
compiler="$build/tools/gslibc/gslibc"
shipped="$root/prebuilt/libraries"
log="$root/prebuilt/build.log"
for source in "$root/scripts/"*.gs; do
  if ! "$compiler" -s -b"$log" -p"$shipped/$(basename "$source")" "$source"; then
    echo "layout-install: $(basename "$source") does not compile:" >&2
    cat "$log" >&2
    exit 1
  fi
done
rm -f "$log"
cp "$shipped/"*.gsl "$root/UserData/libraries/"
