#!/bin/sh
# Installs what the benchmark scripts in bench/ compare against beyond the build's own needs:
# libjpeg-turbo's command-line djpeg and cjpeg.
set -e
packages="libjpeg-turbo-progs"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -q --no-install-recommends $missing ||
  { $SUDO apt-get update -q && $SUDO apt-get install -y -q --no-install-recommends $missing; }
