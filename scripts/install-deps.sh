#!/bin/sh
# Installs everything Penlow needs to build, run and test on Debian 12 (run as root).
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    cmake ninja-build g++ pkg-config git python3 ca-certificates \
    qt6-base-dev qt6-base-dev-tools libgl-dev \
    qt6-webengine-dev qt6-webchannel-dev libqt6webenginecore6-bin \
    adb \
    libsqlite3-dev zlib1g-dev libminizip-dev libcurl4-openssl-dev libssl-dev \
    fonts-noto-cjk fonts-noto-color-emoji clang-format \
    libgtest-dev libgmock-dev \
    xvfb xauth curl imagemagick dpkg-dev file >/dev/null
# The fuzz targets (scripts/fuzz.sh) need clang and its libFuzzer runtime.
apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null

# The ARM busybox the program pushes to phones (see the script).
sh "$(dirname "$0")/fetch-phone-busybox.sh"
