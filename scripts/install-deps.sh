#!/usr/bin/env bash
# Installs every Debian package needed to build, test and demo the program; with --package also
# what building, checking and trying out the Debian package needs.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential clang cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6serialport6 qt6-svg-dev
  libqcustomplot-dev libqcustomplot2.1-qt6
  libmosquitto-dev mosquitto mosquitto-clients poppler-utils
  qtkeychain-qt6-dev openssl
  libgl-dev libxkbcommon-dev
  qt6-qpa-plugins
  xvfb xauth x11-apps x11-utils imagemagick x11vnc
  fonts-dejavu-core fonts-dejavu-extra
  locales
)
if [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev lintian desktop-file-utils appstream gzip
             dbus-x11 at-spi2-core python3-pyatspi xdotool procps systemd man-db)
fi

# The suite runs under these regions, as lab machines do: comma decimals, native digits, servers.
locales=(en_US de_DE fr_FR ar_EG)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

generate=0
for l in "${locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "$l.utf8" && continue
  $sudo sed -i "s/^# *\($l.UTF-8 UTF-8\)/\1/" /etc/locale.gen
  grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  generate=1
done
[ $generate -eq 0 ] || $sudo locale-gen
