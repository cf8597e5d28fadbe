#!/bin/sh
# Installs what building, running and testing need on a fresh Debian 12 machine; given package
# names, installs those instead (the ones missing).
set -e
packages="g++ cmake ninja-build qt6-base-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev llvm-14"
[ $# -gt 0 ] && packages="$*"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing
