#!/usr/bin/env bash
# Installs the Debian packages KALO needs to build and test, only those that are missing.
# Safe to run again and again; needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  librtmidi-dev libjack-jackd2-dev jackd2 libasound2-dev
  libfluidsynth-dev timgm6mb-soundfont libsndfile1-dev
  libcli11-dev libsimpleini-dev
  libsmf-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable real-time scheduling; answer it ahead.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
