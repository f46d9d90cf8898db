#!/usr/bin/env bash
# Renders the window's pictures the README shows: the main window, the Mixer, the Chord & Style
# Editor (over the demo song a first start loads) and the Style-Manager, after start-up with
# the first-start style, on Qt's offscreen platform with a fresh settings file.
#   scripts/screenshots.sh           writes them into build/default/screenshots/ and checks that each
#                                    has the size of its copy in docs/ (a changed layout shows up here)
#   scripts/screenshots.sh --update  writes them into docs/ (commit them with the change that moved them)
set -euo pipefail
cd "$(dirname "$0")/.."

program=build/default/kalo
out=build/default/screenshots
[ "${1:-}" = "--update" ] && out=docs
mkdir -p "$out"
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT

# Width and height of a PNG, from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | tr -s ' ' | sed 's/^ //'; }

status=0
for shot in "main-window:" "mixer:Mixer" "chord-editor:Chord & Style Editor" "style-manager:Style-Manager"; do
  name=${shot%%:*}
  panel=${shot#*:}
  args=(--ini "$settings/kalo.ini" --screenshot "$out/$name.png")
  [ -n "$panel" ] && args+=(--panel "$panel")
  QT_QPA_PLATFORM=offscreen "$program" "${args[@]}"
  if [ "$out" != docs ]; then
    if [ ! -f "docs/$name.png" ]; then
      echo "screenshots: docs/$name.png is missing (scripts/screenshots.sh --update makes it)"
      status=1
    elif [ "$(png_size "$out/$name.png")" != "$(png_size "docs/$name.png")" ]; then
      echo "screenshots: $name.png has another size than docs/$name.png (scripts/screenshots.sh --update)"
      status=1
    fi
  fi
  echo "screenshots: $out/$name.png"
done
exit $status
