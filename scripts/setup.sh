#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run. Safe to run
# again: it only calls apt when something is missing. "setup.sh desktop" adds what the
# scripts that drive the window on a virtual X display need.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git binutils
  clang libclang-rt-14-dev            # libFuzzer targets
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pil fonts-dejavu-core
  libcurl4-openssl-dev python3-aiosmtpd   # mail library and its loopback SMTP tests
  libsystemd-dev systemd             # the driver service's readiness notification; systemd-analyze checks its unit
  qt6-base-dev qt6-qpa-plugins libasound2-dev dbus-daemon python3-dbus python3-gi   # system exit over D-Bus, alert tone; private bus in tests
)

if [ "${1:-}" = desktop ]; then
  packages+=(xvfb xauth xdotool wmctrl openbox trayer x11-utils)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
