#!/usr/bin/env bash
# Checks what a user or a distribution gets from a finished build:
#   bash scripts/check_package.sh BUILD_DIR [--no-deb]
# the desktop entry and the metainfo pass their validators; `cmake --install` into an empty prefix
# gives both programs, the desktop entry, the icons, the metainfo, the man pages and the documents;
# the installed programs run from that prefix alone, the window with the desktop entry's class and
# the icon; and (unless --no-deb) `cpack -G DEB` gives a
# package whose Depends name the Qt 6 libraries and which lintian passes without errors.
# Needs desktop-file-utils, appstream, dpkg-dev, lintian, man-db, xvfb and x11-utils
# (scripts/debian_packages.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=$(cd "${1:?usage: check_package.sh BUILD_DIR [--no-deb]}" && pwd)
with_deb=1
[ "${2:-}" = "--no-deb" ] && with_deb=0

id=$(sed -n 's/^set(VELORA_APP_ID "\(.*\)")$/\1/p' CMakeLists.txt)
[ -n "$id" ] || { echo "no VELORA_APP_ID in CMakeLists.txt"; exit 1; }
version=$(sed -n 's/^project(Velora VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in project() of CMakeLists.txt"; exit 1; }
metainfo="$build/packaging/$id.metainfo.xml"  # made from packaging/$id.metainfo.xml.in
work=$(mktemp -d)
processes=()  # what the check started and ends on the way out
clean_up() { [ ${#processes[@]} -eq 0 ] || kill "${processes[@]}" 2>/dev/null || true; rm -rf "$work"; }
trap clean_up EXIT
fail() { echo "check_package: $*" >&2; exit 1; }

echo "-- desktop entry and metainfo"
desktop-file-validate "packaging/$id.desktop"
appstreamcli validate --no-net "$metainfo"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's newest release is not $version"
# The metainfo's screenshots are the README's pictures, published under the same names.
for picture in $(sed -n 's#.*<image>.*/docs/\([^<]*\)</image>.*#\1#p' "$metainfo"); do
  [ -f "docs/$picture" ] || fail "the metainfo shows docs/$picture, which is not in docs/"
  grep -q "(docs/$picture)" README.md || fail "docs/$picture is in the metainfo but not in README.md"
done

echo "-- cmake --install into an empty prefix"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" --strip > "$work/install.log"
for file in bin/velora bin/velora-cli "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
            share/man/man1/velora.1.gz share/man/man1/velora-cli.1.gz "share/icons/hicolor/scalable/apps/$id.svg" \
            share/doc/velora/README.md share/doc/velora/copyright share/doc/velora/changelog.gz \
            share/doc/velora/VeloraHelp.pdf share/bash-completion/completions/velora-cli; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -s "$icon" ] || fail "no ${size}px icon"
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  read -r width height < <(od -An -j16 -N8 -tu1 "$icon" |
                           awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$width $height" = "$size $size" ] || fail "the ${size}px icon is ${width}x${height}"
done
appstreamcli validate-tree --no-net "$prefix" > /dev/null
for page in velora velora-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done

echo "-- the installed programs run from the prefix alone"
for program in velora velora-cli; do
  ! grep -q -F -e "$top" -e "$build" "$prefix/bin/$program" || fail "bin/$program names the source or build folder"
done
cli="$prefix/bin/velora-cli"
# The man page keeps up with the tool: every command of its usage has a synopsis line.
"$cli" --help > "$work/usage.txt"
sed -e 's/\\-/-/g' -e 's/"//g' packaging/velora-cli.1.in > "$work/velora-cli.1"
for command in $(sed -n 's/^\(usage:\)\{0,1\} *velora-cli \([^ ]*\).*/\2/p' "$work/usage.txt" | sort -u); do
  grep -q "^\.BR\{0,1\} velora-cli $command\( \|$\)" "$work/velora-cli.1" ||
    fail "velora-cli $command is not in the man page's synopsis (packaging/velora-cli.1.in)"
done
"$cli" first-run > "$work/range.prefs"
"$cli" first-run | "$cli" solve - stateRB=2 TV=600 > "$work/solve.json"
grep -q '"message": null' "$work/solve.json" || fail "the installed velora-cli solve gave: $(head -c 300 "$work/solve.json")"
printf 'range,quantity,value\n20,velocity,702.8\n40,velocity,632.4\n' | "$cli" fit "$work/range.prefs" - > "$work/fit.json"
grep -q '"best": [0-9]' "$work/fit.json" || fail "the installed velora-cli fit gave: $(head -c 300 "$work/fit.json")"
# The window, on a display of its own (Xvfb picks a free number) in a home of its own, with the
# splash and the update check off: its X11 class is the desktop entry's StartupWMClass and it
# carries an icon. SIGTERM ends it as Quit does, and it saves its preferences on the way out.
home="$work/home"
mkdir -p "$home/.config/Velora"
sed -e 's/^AutoLogoCheck = 1/AutoLogoCheck = 0/' -e 's/^AutoUpdateCheck = 1/AutoUpdateCheck = 0/' \
    "$work/range.prefs" > "$home/.config/Velora/Velora.prefs"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
processes+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
display=":$(head -1 "$work/display")"
(cd "$work" && exec env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u WAYLAND_DISPLAY HOME="$home" DISPLAY="$display" \
   QT_QPA_PLATFORM=xcb "$prefix/bin/velora" > "$work/velora.log" 2>&1) &
velora=$!
processes+=("$velora")
window=
for _ in $(seq 100); do
  window=$(DISPLAY="$display" xwininfo -root -tree 2>/dev/null |
           awk -v title="\"Velora | $version\"" 'index($0, title) && !found {print $1; found = 1}') || true
  [ -n "$window" ] && break
  kill -0 "$velora" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || fail "the installed velora showed no window: $(cat "$work/velora.log")"
wm_class=$(DISPLAY="$display" xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
startup_class=$(sed -n 's/^StartupWMClass=//p' "packaging/$id.desktop")
[ "$wm_class" = "$startup_class" ] || fail "the window's class is '$wm_class', the desktop entry says '$startup_class'"
icons=$(DISPLAY="$display" xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
# (Qt hands X11 the pictures up to 128 pixels.)
for size in 16 32 48 64 128; do
  [[ "$icons" == *"Icon ($size x $size)"* ]] || fail "the window's icon has no ${size}px picture (it has: $icons)"
done
kill -TERM "$velora" 2>/dev/null || true
status=0
wait "$velora" || status=$?
[ "$status" -eq 0 ] || fail "the installed velora ended with $status: $(cat "$work/velora.log")"
cmp -s "$home/.local/share/Velora/Help/VeloraHelp.pdf" resources/VeloraHelp.pdf ||
  fail "the installed velora did not write its help manual"
head -c 3 "$home/.config/Velora/Velora.prefs" | cmp -s - <(printf '\357\273\277') ||
  fail "the installed velora did not save its preferences"

[ "$with_deb" -eq 1 ] || { echo "check_package: all good (no .deb)"; exit 0; }

echo "-- cpack -G DEB and lintian"
(cd "$build" && cpack -G DEB -B "$work/deb" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/deb/velora_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6; do
  grep -Eq "(^|, )$library( |,|$)" <<< "$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package Version Section)" = "$(printf 'Package: velora\nVersion: %s\nSection: science' "$version")" ] ||
  fail "unexpected control fields: $(dpkg-deb -f "$deb" Package Version Section)"
dpkg-deb -x "$deb" "$work/root"
[ "$(head -1 "$work/root/usr/share/doc/velora/copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "the copyright file is not in the machine-readable format"
for program in velora velora-cli; do
  ! grep -q -F -e "$top" -e "$build" "$work/root/usr/bin/$program" || fail "the packaged $program names the source or build folder"
done
# Warnings and notes are shown for review; an error fails the check.
status=0
lintian --fail-on error --display-info "$deb" > "$work/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors on $(basename "$deb")"
echo "check_package: all good ($(basename "$deb"))"
