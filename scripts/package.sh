#!/bin/sh
# Builds the Debian package from a configured and built folder (default: build):
# BUILD/penlow_<version>_amd64.deb. Needs dpkg-dev (dpkg-shlibdeps), which install-deps.sh
# installs.
set -eu
build=${1:-build}
cmake --build "$build"
cd "$build"
cpack -G DEB
ls penlow_*_amd64.deb
