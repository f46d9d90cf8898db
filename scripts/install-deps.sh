#!/usr/bin/env bash
# Installs the Debian packages KALO needs, only those that are missing, in one apt-get run.
#   scripts/install-deps.sh run     what building and playing the program needs (`make run`)
#   scripts/install-deps.sh check   that and what the whole test run needs (`make check`; the default)
# Safe to run again and again; needs root (or sudo) only when something is missing.
set -euo pipefail

run=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  librtmidi-dev libjack-jackd2-dev libasound2-dev
  libfluidsynth-dev timgm6mb-soundfont libsndfile1-dev
  libcli11-dev libsmf-dev qt6-base-dev libgl-dev fonts-dejavu-core
)
check=(
  clang libclang-rt-14-dev libbenchmark-dev jackd2 libsimpleini-dev
  python3-mido appstream dpkg-dev
)

case "${1:-check}" in
  run) packages=("${run[@]}") ;;
  check) packages=("${run[@]}" "${check[@]}") ;;
  *) echo "usage: scripts/install-deps.sh [run|check]" >&2; exit 2 ;;
esac

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
