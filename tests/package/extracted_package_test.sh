#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root with dpkg-deb -x and runs
# the unpacked programs there: qvnbdrv emulates board M4430 from the installed board
# file, and qorvmon-sensors, started through its /usr/bin link, reads every sensor.
# Usage: extracted_package_test.sh CPACK CPACK_CONFIG VERSION BOARDS_FOLDER
set -euo pipefail
cpack=$1 config=$2 version=$3 boards=$4

scratch=$(mktemp -d)
service=
cleanup() {
  if [ -n "$service" ]; then kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$config" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
debs=("$scratch"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then fail "expected one package, found: ${debs[*]}"; fi
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root"

# Every file a user, an administrator or the desktop looks for.
board=$root/usr/lib/qorvmon/M4430.txt
expected=(
  usr/bin/Qorvmon usr/bin/qorvmon-sensors usr/sbin/qvnbdrv
  usr/lib/qorvmon/Qorvmon usr/lib/qorvmon/qorvmon-sensors usr/lib/qorvmon/libqvnhwm.so usr/lib/qorvmon/libqvnmail.so
  usr/lib/systemd/system/qvnbdrv.service usr/lib/sysusers.d/qorvmon.conf usr/lib/modules-load.d/qorvmon.conf
  etc/default/qvnbdrv usr/share/applications/qorvmon.desktop
  usr/share/man/man1/Qorvmon.1.gz usr/share/man/man1/qorvmon-sensors.1.gz usr/share/man/man8/qvnbdrv.8.gz
  usr/share/doc/qorvmon/copyright usr/share/doc/qorvmon/changelog.Debian.gz
)
for size in 16 22 24 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x$size/apps/qorvmon.png"); done
for source in "$boards"/*.txt "$boards"/*.jpg; do
  expected+=("usr/lib/qorvmon/$(basename "$source")")
done
for file in "${expected[@]}"; do [ -e "$root/$file" ] || fail "the package lacks /$file"; done

# Links that stay inside the tree wherever it lies; root owns every file.
for program in Qorvmon qorvmon-sensors; do
  [ "$(readlink "$root/usr/bin/$program")" = "../lib/qorvmon/$program" ] || fail "/usr/bin/$program is not a relative link"
done
if dpkg-deb -c "$deb" | awk '$2 != "root/root"' | grep .; then fail "files not owned by root"; fi
# Dependencies come from the shared libraries; the program folder's own are not among them.
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libc6* && $depends == *libcurl* && $depends == *libqt6widgets6* ]] || fail "Depends: $depends"
[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/default/qvnbdrv ] || fail "/etc/default/qvnbdrv is not a conffile"
# The unit's program and the board the environment file names are in the package.
grep -q '^ExecStart=/usr/sbin/qvnbdrv ' "$root/usr/lib/systemd/system/qvnbdrv.service" || fail "the unit does not run /usr/sbin/qvnbdrv"
named=$(sed -n 's/^QVNBDRV_BOARD=//p' "$root/etc/default/qvnbdrv")
[ -f "$root$named" ] || fail "/etc/default/qvnbdrv names $named, which the package lacks"

# No display: --version answers without one. The timeout only stops a program that
# would start instead of answering.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_RUNTIME_DIR=$scratch/run
mkdir -m 0700 "$scratch/run"
mkdir "$HOME"
for program in usr/bin/Qorvmon usr/bin/qorvmon-sensors usr/sbin/qvnbdrv; do
  answer=$(timeout 60 "$root/$program" --version 2>"$scratch/version.log") ||
    { cat "$scratch/version.log"; fail "$program --version failed"; }
  [ "$answer" = "$(basename "$program") $version" ] || fail "$program --version says \"$answer\""
done

socket=$scratch/run/s.sock
"$root/usr/sbin/qvnbdrv" --simulate --board "$board" --socket "$socket" 2>"$scratch/qvnbdrv.log" &
service=$!
for _ in $(seq 600); do
  [ -S "$socket" ] && break
  kill -0 "$service" 2>/dev/null || { cat "$scratch/qvnbdrv.log"; fail "qvnbdrv stopped"; }
  sleep 0.1
done
[ -S "$socket" ] || { cat "$scratch/qvnbdrv.log"; fail "qvnbdrv made no socket"; }

output=$(QVNBDRV_SOCKET=$socket "$root/usr/bin/qorvmon-sensors" --board M4430 2>"$scratch/sensors.log") ||
  { echo "$output"; cat "$scratch/sensors.log"; fail "qorvmon-sensors failed"; }
echo "$output"
cat "$scratch/sensors.log"
sensors=$(sed -n '/^<NUMBER>/{n;p;q}' "$board" | tr -d '\r')
[ "$(grep -c . <<<"$output")" -eq "$sensors" ] || fail "expected $sensors sensor lines"
if grep -q "Read Failed" <<<"$output"; then fail "a sensor could not be read"; fi
echo "package $(basename "$deb"): $(du -k "$deb" | cut -f1) KiB, every sensor read from the unpacked tree"
