#!/usr/bin/env bash
# A short run of every fuzzer in fuzz/ (one libFuzzer program per fuzz/<name>.cpp): configures and
# builds the "fuzz" preset (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each program
# for FUZZ_SECONDS seconds (10 by default), starting from its seed corpus fuzz/corpus/<name>/ when
# there is one. Inputs reach their full size from the start (-len_control=0), up to a little more than
# the largest file the loader reads, so that the short run also tries files near the formats' limits.
# Exits non-zero when a fuzzer finds a crash; the input that caused it is kept in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-10}
jobs=$(nproc)

targets=()
for source in fuzz/*.cpp; do
  targets+=("$(basename "$source" .cpp)")
done

cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target "${targets[@]}" -j "$jobs"

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The largest input worth trying: a little more than the loader reads (style: version word, header,
# part table and a full stream; work file: the same with the largest Chordmemory block; MIDI file: a
# song that nearly fills the stream).
max_len() {
  case "$1" in
    style_file_fuzzer) echo 168000 ;;
    work_file_fuzzer) echo 180000 ;;
    settings_file_fuzzer) echo 16384 ;;
    midi_file_fuzzer) echo 131072 ;;
    *) echo 65536 ;;
  esac
}

status=0
for target in "${targets[@]}"; do
  corpora=("$work/$target")  # new inputs go here; the kept seed corpus is only read
  mkdir -p "$work/$target"
  [ -d "fuzz/corpus/$target" ] && corpora+=("fuzz/corpus/$target")
  echo "== $target: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build/fuzz/fuzz/$target" -max_total_time="$seconds" -len_control=0 -max_len="$(max_len "$target")" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "${corpora[@]}" >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    echo "== $target found a crash; its input is in $artifacts/"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' "$work/$target.log" || true
  fi
done
exit $status
