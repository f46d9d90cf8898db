#!/usr/bin/env bash
# The whole test run: configure and build the normal and the sanitizer build, start what the tests
# need (a JACK server with the dummy driver), run every suite in both builds, stop what was started.
# Then the ThreadSanitizer build runs the suites of the lock-free parts (host/ and midi/: the event
# ring, the notice queue, the tick hand-over); it builds only those two suites to stay cheap. The
# README's pictures of the window are made again from the normal build (scripts/screenshots.sh), and
# the Debian package is made from it and tried as installed (scripts/package-check.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
export JACK_NO_START_SERVER=1
# Tells the transport tests that a server is meant to be there: without one they fail, not skip.
export KALO_TEST_JACK=1

cleanup() { scripts/jack.sh stop || true; }
trap cleanup EXIT

echo "== test size (lines of tests against lines of code)"
scripts/test-size.sh

for preset in default asan tsan; do
  echo "== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

scripts/jack.sh start

status=0
for preset in default asan; do
  echo "== tests: $preset"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --preset "$preset" -j "$jobs" --timeout 300 || status=1
done

echo "== screenshots of the window"
scripts/screenshots.sh || status=1

echo "== the Debian package, tried as installed"
scripts/package-check.sh || status=1

echo "== tests: tsan (host and midi suites)"
ctest --preset tsan -j "$jobs" --timeout 300 || status=1

if [ -x scripts/fuzz-smoke.sh ]; then
  echo "== fuzz smoke run"
  scripts/fuzz-smoke.sh || status=1
fi

exit $status
