#!/usr/bin/env bash
# Installs the Debian 12 packages Quedral needs to build, run and test. Idempotent.
set -euo pipefail
pkgs=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-httpserver-dev qt6-websockets-dev libqcustomplot-dev libhidapi-dev
  gstreamer1.0-plugins-good
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth poppler-utils sox mawk
  umockdev libumockdev-dev
  clang-14 libfuzzer-14-dev
  libmosquitto-dev mosquitto mosquitto-clients prometheus curl python3
  help2man desktop-file-utils appstream lintian librsvg2-bin debootstrap
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  # scripts/prometheus_check.sh runs a Prometheus of its own on loopback; the service the package
  # just enabled would listen on every interface (port 9090), so it is stopped and disabled.
  if [[ " ${missing[*]} " == *" prometheus "* ]] && [ -d /run/systemd/system ]; then
    $SUDO systemctl disable --now prometheus.service || true
  fi
fi
