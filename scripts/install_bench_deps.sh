#!/bin/sh
# Installs what the benchmark scripts in bench/ compare against beyond the build's own needs:
# libjpeg-turbo's command-line djpeg and cjpeg.
exec "$(dirname "$0")/install_deps.sh" libjpeg-turbo-progs
