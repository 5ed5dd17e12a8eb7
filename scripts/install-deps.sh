#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is
# missing: dpkg -s checks each, then one apt-get update and one install.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  bison flex
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
  libssl-dev
  libnvtt-dev
  libboost-dev
  zlib1g-dev
  libstb-dev
  libjpeg62-turbo-dev libpng-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libzip-dev
  libsqlite3-dev
  liblua5.4-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
