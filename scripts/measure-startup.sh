#!/usr/bin/env bash
# Measures how long the desktop program takes from launch until its main window is mapped, with
# the logo splash and the update check switched off, in a home folder of its own under Xvfb.
# Prints each run and the median.
#
#   scripts/measure-startup.sh [BUILD_DIR] [RUNS]
#
# Needs xvfb-run and xev (Debian packages xvfb and x11-utils) and a built `velora`. The window's
# appearance is taken from the X server's own MapNotify event, so no polling delay is added.
set -euo pipefail

build=${1:-build}
runs=${2:-11}
program=$(realpath "$build/app/velora")
[ -x "$program" ] || { echo "no program at $program: build it first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb)" >&2; exit 1; }
command -v xev >/dev/null || { echo "xev is missing (apt-get install x11-utils)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/one-run.sh" <<'RUN'
#!/usr/bin/env bash
# One launch inside the X server: prints the milliseconds until the first window is mapped.
set -u
program=$1 home=$2 events=$3
xev -root -event substructure >"$events" 2>/dev/null &
watcher=$!
sleep 0.3  # xev is listening before the program starts
start=$(date +%s%N)
HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$program" >/dev/null 2>&1 &
pid=$!
until grep -q '^MapNotify' "$events"; do
    kill -0 "$pid" 2>/dev/null || { echo "the program ended before its window was shown" >&2; kill "$watcher"; exit 1; }
    sleep 0.002
done
end=$(date +%s%N)
kill -TERM "$pid"
wait "$pid"
kill "$watcher"
echo $(( (end - start) / 1000000 ))
RUN
chmod +x "$work/one-run.sh"

times=()
for i in $(seq "$runs"); do
    home="$work/home$i"
    mkdir -p "$home/config/Velora"
    # A saved preferences file with the logo splash and the update check switched off.
    printf '\nAutoLogoCheck = 0\nAutoUpdateCheck = 0\n' >"$home/config/Velora/Velora.prefs"
    ms=$(xvfb-run -a -s "-screen 0 1280x800x24" "$work/one-run.sh" "$program" "$home" "$work/events$i")
    echo "run $i: $ms ms"
    times+=("$ms")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "median start-up to window shown: $median ms over $runs runs"
