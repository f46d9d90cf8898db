#!/usr/bin/env bash
# Renders the window's pictures the README shows: the main window, the Mixer, the Chord & Style
# Editor (over the demo song a first start loads), the Style-Manager and the Style-Creator, after
# start-up with the first-start style, on Qt's offscreen platform with a fresh settings file.
#   scripts/screenshots.sh           writes them into build/default/screenshots/ and checks what holds on
#                                    any machine: each picture is made, its size is sane, and the window's
#                                    texts are drawn (the picture differs from the same window drawn with
#                                    no font at all, where every letter is an empty box)
#   scripts/screenshots.sh --update  writes them into docs/ (commit them with the change that moved them);
#                                    their exact sizes depend on the machine's fonts
set -euo pipefail
cd "$(dirname "$0")/.."

program=build/default/kalo
out=build/default/screenshots
[ "${1:-}" = "--update" ] && out=docs
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A font configuration that finds no font: the letters of such a window are drawn as empty boxes.
cat >"$scratch/no-fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>$scratch/no-fonts</dir><cachedir>$scratch/font-cache</cachedir></fontconfig>
CONF

# Width and height of a PNG, from its header.
png_size() { od -An -tu4 --endian=big -j16 -N8 "$1" | tr -s ' ' | sed 's/^ //'; }

# shot NAME PANEL PNG [env...]: the picture of the main window (or of the tool window PANEL).
shot() {
  local name=$1 panel=$2 png=$3
  shift 3
  rm -f "$scratch/$name.ini"
  local args=(--ini "$scratch/$name.ini" --screenshot "$png")
  [ -n "$panel" ] && args+=(--panel "$panel")
  env QT_QPA_PLATFORM=offscreen "$@" "$program" "${args[@]}" 2>"$scratch/$name.log" ||
    { cat "$scratch/$name.log"; return 1; }
}

status=0
fail() { echo "screenshots: $*"; status=1; }
for picture in "main-window:" "mixer:Mixer" "chord-editor:Chord & Style Editor" "style-manager:Style-Manager" \
  "style-creator:Style-Creator"; do
  name=${picture%%:*}
  panel=${picture#*:}
  png=$out/$name.png
  shot "$name" "$panel" "$png" || { fail "$name.png was not made"; continue; }
  read -r width height <<<"$(png_size "$png")"
  if [ "$width" -lt 300 ] || [ "$width" -gt 2400 ] || [ "$height" -lt 150 ] || [ "$height" -gt 1600 ]; then
    fail "$name.png is ${width}x${height}, outside 300..2400 x 150..1600"
  fi
  if [ "$out" != docs ]; then
    shot "$name" "$panel" "$scratch/$name-no-fonts.png" FONTCONFIG_FILE="$scratch/no-fonts.conf" ||
      fail "$name.png could not be drawn without fonts"
    cmp -s "$png" "$scratch/$name-no-fonts.png" && fail "$name.png shows no text: no font draws its letters"
  fi
  echo "screenshots: $png (${width}x${height})"
done
exit $status
