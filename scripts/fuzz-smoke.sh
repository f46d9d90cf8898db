#!/usr/bin/env bash
# A short run of every file-loader fuzzer: configures and builds the "fuzz" preset (clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each target for FUZZ_SECONDS seconds (10 by
# default) from its seed corpus in fuzz/corpus/. Exits non-zero when a fuzzer finds a crash; the
# input that caused it is kept in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-10}
jobs=$(nproc)

cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target style_file_fuzzer work_file_fuzzer -j "$jobs"

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for pair in style_file_fuzzer:style work_file_fuzzer:work; do
  target=${pair%%:*}
  corpus=${pair##*:}
  binary=build/fuzz/fuzz/$target
  mkdir -p "$work/$corpus"
  echo "== $target: ${seconds}s from fuzz/corpus/$corpus"
  # New inputs go to the scratch folder; the kept seed corpus is only read.
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$work/$corpus" "fuzz/corpus/$corpus" >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    echo "== $target found a crash; its input is in $artifacts/"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' "$work/$target.log" || true
  fi
done
exit $status
