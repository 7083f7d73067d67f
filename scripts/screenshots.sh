#!/usr/bin/env bash
# The README's pictures, taken from the real program under Xvfb in a fresh home folder
# (first-run preferences with the splash and the update check off): the window on each page of
# the output panel and the preferences window, with the desktop asking for a light look, and the
# window and the preferences window again with the desktop asking for a dark one. The desktop's
# choice comes from a stand-in settings portal on a private session bus.
# Besides the build's packages it needs these Debian packages, which neither the build nor the
# tests use (so they are not in debian_packages.txt):
#   xvfb xauth xdotool imagemagick dbus python3-dbus python3-gi
#   scripts/screenshots.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=${1:-build}
program="$top/$build/app/velora"

if [ "${VELORA_SHOT_INNER:-}" != 1 ]; then
  missing=()
  for need in xvfb-run:xvfb xauth:xauth xdotool:xdotool import:imagemagick dbus-run-session:dbus; do
    command -v "${need%%:*}" >/dev/null || missing+=("${need##*:}")
  done
  /usr/bin/python3 -c 'import dbus' 2>/dev/null || missing+=(python3-dbus)
  /usr/bin/python3 -c 'import gi' 2>/dev/null || missing+=(python3-gi)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "screenshots.sh needs: ${missing[*]} (apt-get install ${missing[*]})" >&2
    exit 1
  fi
  [ -x "$program" ] || { echo "no program at $program: build it first" >&2; exit 1; }
  for shot in light:0 light:1 light:2 dark:2 dark:0; do
    VELORA_SHOT_INNER=1 VELORA_SHOT=$shot dbus-run-session -- \
      xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build"
  done
  exit 0
fi

names=(table plot confidence)
look=${VELORA_SHOT%%:*}
tab=${VELORA_SHOT##*:}
scheme=2
[ "$look" = dark ] && scheme=1
python3_system=/usr/bin/python3
"$python3_system" "$top/scripts/fake_portal.py" "$scheme" &
portal=$!
home=$(mktemp -d)
trap 'kill $portal 2>/dev/null || true; rm -rf "$home"' EXIT
sleep 0.5
mkdir -p "$home/config/Velora" "$home/data" "$home/run"
chmod 700 "$home/run"
sed -e "s/^statePAN = .*/statePAN = $tab/" -e "s/^mode = .*/mode = 1/" \
    -e "s/^AutoLogoCheck = .*/AutoLogoCheck = 0/" -e "s/^AutoUpdateCheck = .*/AutoUpdateCheck = 0/" \
    resources/first_run.prefs > "$home/config/Velora/Velora.prefs"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run

"$program" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name "Velora" | head -1)
sleep 1  # the first paint after mapping
prefix=docs/velora
[ "$look" = dark ] && prefix=docs/velora-dark
import -window "$window" "$prefix-${names[$tab]}.png"
echo "$prefix-${names[$tab]}.png"
if [ "$tab" = 2 ]; then
  # Utility → Preferences, chosen by its mnemonic letter.
  xdotool mousemove --window "$window" 25 10 click 1
  sleep 0.5
  xdotool key r
  dialog=$(timeout 30 xdotool search --sync --onlyvisible --name "^Preferences$" | head -1)
  sleep 1
  import -window "$dialog" "$prefix-preferences.png"
  echo "$prefix-preferences.png"
  xdotool key Escape
fi
kill "$pid"
wait "$pid" || true
