#!/usr/bin/env bash
# The README's pictures of the window, one per page of the output panel, taken from the real
# program under Xvfb in a fresh home folder (first-run preferences with the splash and the update
# check off). Needs xvfb, xdotool and ImageMagick's import.
#   scripts/screenshots.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
program="$top/${1:-build}/app/velora"

if [ "${VELORA_SHOT_INNER:-}" != 1 ]; then
  for tab in 0 1 2; do
    VELORA_SHOT_INNER=1 VELORA_SHOT_TAB=$tab xvfb-run -a -s "-screen 0 1280x800x24" "$0" "${1:-build}"
  done
  exit 0
fi

names=(table plot confidence)
tab=$VELORA_SHOT_TAB
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/config/Velora" "$home/data" "$home/run"
chmod 700 "$home/run"
sed -e "s/^statePAN = .*/statePAN = $tab/" -e "s/^mode = .*/mode = 1/" \
    -e "s/^AutoLogoCheck = .*/AutoLogoCheck = 0/" -e "s/^AutoUpdateCheck = .*/AutoUpdateCheck = 0/" \
    resources/first_run.prefs > "$home/config/Velora/Velora.prefs"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run

"$program" &
pid=$!
window=$(xdotool search --sync --onlyvisible --name "Velora" | head -1)
sleep 1  # the first paint after mapping
import -window "$window" "docs/velora-${names[$tab]}.png"
kill "$pid"
wait "$pid" || true
echo "docs/velora-${names[$tab]}.png"
