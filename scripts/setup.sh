#!/usr/bin/env bash
# Installs the Debian packages a command of this project needs, and no more:
#   setup.sh demo      build the programs and run them (scripts/demo.sh)
#   setup.sh test      also build the test suites and run every test (scripts/test.sh),
#                      the package test, the fuzz targets and the Windows cross build;
#                      the default
#   setup.sh desktop   also what drives the window on a virtual X display
#                      (scripts/desktop-check.sh, which builds the whole tree)
# Safe to run again: it only calls apt when something is missing.
set -euo pipefail

command=${1:-test}

# Building the programs and running them: compiler, build tools, Qt (with its platform
# plugins, and lupdate for the translation template), libcurl for the mail library, ALSA for the alert tone, libsystemd for the
# service's readiness notification, prometheus-cpp for the metrics exporter, nlohmann-json for qorvmon-sensors --json, python3 with PIL to draw the application icon, and
# fonts for the window's pictures.
demo_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-tools-dev qt6-l10n-tools libasound2-dev
  libcurl4-openssl-dev libsystemd-dev nlohmann-json3-dev prometheus-cpp-dev
  python3 python3-pil fonts-dejavu-core
)

# Configuring the whole tree, as test.sh and desktop-check.sh do: the test suites and
# the benchmarks.
suite_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
)

# Running the tests: a loopback SMTP server for the mail library, a JSON Schema validator
# for qorvmon-sensors --json, a private D-Bus with a
# stand-in for logind for the system exit, a real Prometheus and
# Alertmanager for the fleet test, systemd-analyze to check the service's unit,
# the Debian package tools and lintian for the package test, and clang with its runtime
# for the libFuzzer targets.
test_packages=(
  python3-aiosmtpd python3-jsonschema
  prometheus prometheus-alertmanager
  dbus-daemon python3-dbus python3-gi
  systemd
  dpkg-dev fakeroot lintian file desktop-file-utils
  clang libclang-rt-14-dev
)

# The Windows cross build (scripts/cross-windows.sh): the mingw-w64 compilers, GoogleTest's
# sources to build for Windows, and wine to run the 64-bit tests.
cross_packages=(
  mingw-w64 googletest wine64
)

desktop_packages=(
  xvfb xauth xdotool wmctrl openbox trayer x11-utils
)

case $command in
  demo) packages=("${demo_packages[@]}") ;;
  test) packages=("${demo_packages[@]}" "${suite_packages[@]}" "${test_packages[@]}" "${cross_packages[@]}") ;;
  desktop) packages=("${demo_packages[@]}" "${suite_packages[@]}" "${desktop_packages[@]}") ;;
  *)
    echo "usage: setup.sh [demo|test|desktop]" >&2
    exit 2
    ;;
esac

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
