#!/usr/bin/env bash
# Installs the Debian packages Parlotte needs to build, test and run its demo.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsdl2-dev libsndfile1-dev libmpg123-dev
  libebur128-dev qt6-translations-l10n desktop-file-utils appstream dpkg-dev file lintian
  vorbis-tools espeak-ng lame sox libsox-fmt-mp3 twolame
  xvfb xauth x11-apps x11-utils imagemagick
  fonts-dejavu-core fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
