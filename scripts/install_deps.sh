#!/bin/sh
# Installs what building, running and testing need on a fresh Debian 12 machine; given package
# names, installs those instead (the ones missing).
set -e
exec "$(dirname "$0")/install_packages.sh" g++ cmake ninja-build qt6-base-dev libjpeg62-turbo-dev \
  libgtest-dev libgmock-dev libbenchmark-dev libexpat1-dev clang-14 libclang-rt-14-dev llvm-14
