#!/usr/bin/env bash
# Installs the Debian packages of scripts/debian_packages.txt (or of the list given) that are not
# installed yet.
# Asks the package index only when something is missing, so a ready machine needs no network.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=${1:-$here/debian_packages.txt}

missing=()
while read -r package; do
  package=${package%%#*}
  package=${package//[[:space:]]/}
  [ -n "$package" ] || continue
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done < "$list"

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
