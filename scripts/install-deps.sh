#!/usr/bin/env bash
# Installs the Debian packages a job needs, only those that are missing.
# Usage: scripts/install-deps.sh build|test|bench
set -euo pipefail

build=(cmake make g++ pkg-config libsndfile1-dev python3)
test=("${build[@]}" libgtest-dev googletest)
bench=("${build[@]}" libbenchmark-dev libstk-dev)

case "${1:-build}" in
    build) wanted=("${build[@]}") ;;
    test) wanted=("${test[@]}") ;;
    bench) wanted=("${bench[@]}") ;;
    *) echo "install-deps: unknown job '$1' (build, test or bench)" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
