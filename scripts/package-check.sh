#!/usr/bin/env bash
# Makes the Debian package from the default build and tries it as a player would after installing it:
# unpacked into a scratch root, with a fresh home folder and no display, the program must find its
# styles and demo song in share/kalo, keep its settings in the user's configuration folder, render
# the demo song (`kalo` without a display, and `kalo render`), and draw its window (`kalo --screenshot`).
# Run by scripts/check.sh after the default build; prints the package's name.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/default
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -rf "$build/package"
(cd "$build" && cpack --config CPackConfig.cmake >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$build"/package/kalo_*_amd64.deb)
echo "package: $deb ($(du -h "$deb" | cut -f1))"
root=$scratch/root
dpkg-deb -x "$deb" "$root"
mkdir -p "$scratch/home" "$scratch/work"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
kalo=$root/usr/bin/kalo

status=0
fail() { echo "package: $*"; status=1; }

for file in usr/bin/kalo usr/share/kalo/STYLES/rock1.vxs usr/share/kalo/SONGS/demo3.vxa usr/share/kalo/kalo.VXG \
  usr/share/applications/kalo.desktop usr/share/icons/hicolor/scalable/apps/kalo.svg \
  usr/share/metainfo/io.github.kalo_arranger.kalo.metainfo.xml; do
  [ -f "$root/$file" ] || fail "/$file is missing"
done
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml >/dev/null || fail "the AppStream metadata is not valid"
fi

settings=$("$kalo" config | head -1)
[ "$settings" = "# \"$XDG_CONFIG_HOME/kalo/kalo.ini\" (does not exist: factory settings)" ] ||
  fail "the settings file is not in the user's configuration folder: $settings"

(cd "$scratch/work" && "$kalo" 2>"$scratch/demo.log") || fail "kalo without a display: $(cat "$scratch/demo.log")"
grep -qE "played \"Open Road\" \(\"?/.*/usr/share/kalo/SONGS/demo3.vxa\"?\) on \"?/.*/usr/share/kalo/STYLES/rock1.vxs" \
  "$scratch/demo.log" || fail "kalo without a display did not play the installed demo: $(cat "$scratch/demo.log")"
for file in demo.wav demo.mid; do [ -s "$scratch/work/$file" ] || fail "kalo without a display wrote no $file"; done

"$kalo" render "$root/usr/share/kalo/SONGS/demo3.vxa" -o "$scratch/demo.flac" 2>"$scratch/render.log" ||
  fail "kalo render: $(cat "$scratch/render.log")"

QT_QPA_PLATFORM=offscreen "$kalo" --screenshot "$scratch/window.png" 2>"$scratch/window.log" ||
  fail "kalo --screenshot: $(cat "$scratch/window.log")"
[ -s "$scratch/window.png" ] || fail "kalo --screenshot drew no picture"

left=$(cd "$root/usr/bin" && ls)
[ "$left" = kalo ] || fail "files appeared beside the installed program: $left"
[ $status -eq 0 ] && echo "package: installed program renders, draws its window and keeps its settings in ~/.config"
exit $status
