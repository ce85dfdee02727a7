#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt (or the list given as the argument) that are
# not installed yet.
# Does nothing (and needs no network) when every package is present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=${1:-$here/packages.txt}
missing=()
while read -r pkg; do
  case "$pkg" in ''|'#'*) continue ;; esac
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$pkg")
  fi
done < "$list"
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
