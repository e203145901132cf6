#!/usr/bin/env bash
# Installs the Debian packages that building, testing or running needs, only
# those that are missing. Usage: install-deps.sh build|test|run
set -euo pipefail

build=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev)
test=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth openbox fonts-wqy-microhei clang libclang-rt-14-dev
      python3 desktop-file-utils appstream dpkg-dev xdotool x11-utils)
run=(fonts-wqy-microhei)

want=("${build[@]}")
case "${1:-build}" in
  test) want+=("${test[@]}") ;;
  run) want+=("${run[@]}") ;;
  build) ;;
  *) echo "usage: $0 build|test|run" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
