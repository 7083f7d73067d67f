#!/usr/bin/env bash
# The window as a screen reader meets it: starts the built program under Xvfb on a private session
# bus with the accessibility bus (at-spi2-core) and Qt's bridge switched on, in a fresh home folder
# with the first-run preferences (splash and update check off), and lets
# scripts/check_accessibility.py walk its tree through python3-pyatspi. Fails when a field, option
# button, list or other focusable control of the main, preferences or Fit from Shots window has no
# name, when a unit chosen from the keyboard does not show in the field's description, or when
# the zero switch pressed through the bus leaves the zero field's name as it was.
# Installs what it needs (scripts/accessibility_packages.txt) when it is missing.
#   scripts/check_accessibility.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=${1:-build}
program="$top/$build/app/velora"

if [ "${VELORA_ACCESS_INNER:-}" != 1 ]; then
  bash scripts/install_deps.sh scripts/accessibility_packages.txt
  [ -x "$program" ] || { echo "No program at $program: build it first" >&2; exit 2; }
  VELORA_ACCESS_INNER=1 exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build"
fi

home=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }; rm -rf "$home"' EXIT
mkdir -p "$home/config/Velora" "$home/data" "$home/run"
chmod 700 "$home/run"
sed -e "s/^AutoLogoCheck = .*/AutoLogoCheck = 0/" -e "s/^AutoUpdateCheck = .*/AutoUpdateCheck = 0/" \
    resources/first_run.prefs > "$home/config/Velora/Velora.prefs"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME
# The accessibility bus is started first: the program's bridge joins it once it is there.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null

"$program" 2>"$home/stderr" &
pid=$!
xdotool search --sync --onlyvisible --name "^Velora" >/dev/null
status=0
/usr/bin/python3 "$top/scripts/check_accessibility.py" "$pid" || status=$?
exit $status
