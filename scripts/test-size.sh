#!/usr/bin/env bash
# Prints how large the test suites are against the code they test: lines of the tracked .cpp and .h
# files, without blank and comment-only lines, for tests/<folder> against src/<folder>, then the whole.
# The project keeps tests/ at most half of src/, aiming for a third. It only reports; it never fails.
cd "$(dirname "$0")/.." || exit 0

# Counted lines of the tracked .cpp/.h files under the given path.
count() {
  git ls-files -- "$1/*.cpp" "$1/*.h" | xargs -r cat | grep -cvE '^\s*(//.*)?$'
}

ratio() { awk -v t="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.2f", t / s; else printf "-" }'; }

folders=$(git ls-files -- 'src/*' 'tests/*' | awk -F/ 'NF > 2 { print $2 }' | sort -u)
printf '%-12s %7s %7s %6s\n' folder tests src ratio
for folder in $folders; do
  t=$(count "tests/$folder")
  s=$(count "src/$folder")
  [ "$t" -eq 0 ] && [ "$s" -eq 0 ] && continue
  printf '%-12s %7d %7d %6s\n' "$folder" "$t" "$s" "$(ratio "$t" "$s")"
done
t=$(count tests)
s=$(count src)
printf '%-12s %7d %7d %6s\n' whole "$t" "$s" "$(ratio "$t" "$s")"
exit 0
