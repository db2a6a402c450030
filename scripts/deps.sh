#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root; a no-op when all is there).
set -euo pipefail
pkgs=(cmake g++ clang libclang-rt-14-dev clang-format googletest libgtest-dev libbenchmark-dev
      qt6-base-dev python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32 wine64 qemu-user-static xvfb xdotool xclip openbox x11-utils xauth imagemagick
      dpkg-dev appstream desktop-file-utils man-db groff-base weston xwayland qt6-wayland gdb)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
