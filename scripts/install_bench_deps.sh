#!/bin/sh
# Installs the optional yardsticks of the benchmarks: OpenCV, whose remap the panorama benchmark
# measures beside the renderer. Nothing else needs it; configure the build again afterwards.
set -e
exec "$(dirname "$0")/install_packages.sh" libopencv-dev
