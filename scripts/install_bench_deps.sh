#!/bin/sh
# Installs the optional yardsticks of the benchmarks: OpenCV, whose remap the panorama benchmark
# measures beside the renderer, and libjpeg-turbo's command-line djpeg and cjpeg, which the
# batch script in bench/ times. Nothing else needs them; configure the build again afterwards.
set -e
exec "$(dirname "$0")/install_packages.sh" libopencv-dev libjpeg-turbo-progs
