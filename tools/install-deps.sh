#!/bin/sh
# Installs what the build and the tests need on a Debian machine.
set -e
PKGS="build-essential cmake libgmp-dev libgtest-dev googletest binutils gzip pkg-config"
missing=""
for p in $PKGS; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $missing
