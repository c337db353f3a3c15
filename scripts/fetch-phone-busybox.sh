#!/bin/sh
# Fetches the busybox the program pushes to phones that lack a working one: Debian's
# busybox-static for armhf (a static ARM EABI5 binary that runs on 32-bit ARM phones and on
# arm64 phones with 32-bit support). The package index for armhf goes to a private apt state
# folder, so the system's own architectures and package lists stay as they are.
# Usage: fetch-phone-busybox.sh [DESTINATION]   (default /usr/local/lib/penlow/armhf/busybox)
set -eu
destination=${1:-/usr/local/lib/penlow/armhf/busybox}
if [ -x "$destination" ]; then
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/unpacked"
: > "$work/status"
# Only Debian 12's main suite: the package is there, and the system's other sources (whose
# mirrors may be mid-sync) do not matter for it.
echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] ${PENLOW_DEBIAN_MIRROR:-http://deb.debian.org/debian} bookworm main" \
    > "$work/sources.list"
apt_private() {
    apt-get -qq \
        -o APT::Architecture=armhf -o APT::Architectures=armhf \
        -o Dir::State::Lists="$work/lists" -o Dir::State::status="$work/status" \
        -o Dir::Cache="$work/cache" -o Acquire::Languages=none \
        -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
        -o APT::Sandbox::User=root \
        -o Debug::NoLocking=1 "$@"
}
apt_private update
(cd "$work" && apt_private download busybox-static:armhf)
dpkg -x "$work"/busybox-static_*_armhf.deb "$work/unpacked"
mkdir -p "$(dirname "$destination")"
install -m 0755 "$work/unpacked/bin/busybox" "$destination"
