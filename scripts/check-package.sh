#!/usr/bin/env bash
# Builds the Debian package, checks it (lintian, desktop entry, AppStream), installs it, starts
# the installed program the way the desktop menu does, headless, against the module simulator on
# port 1, has it log rows through the accessibility bus, checks the file, and removes the package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
cmake --preset default
cmake --build --preset default
(cd build && rm -f dgh-gui_*.deb && cpack -G DEB)
deb=$(ls "$PWD"/build/dgh-gui_*.deb)

echo "== checking $deb"
desktop-file-validate packaging/com.halvane.DghGui.desktop
appstreamcli validate --no-net packaging/com.halvane.DghGui.metainfo.xml
lintian --fail-on error --allow-root "$deb"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -q "$deb"

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A screen, a session bus and the accessibility bus, as a desktop session has.
source scripts/virtual-display.sh
start_virtual_display "$work"
pids+=("$xvfb_pid")
eval "$(dbus-launch --sh-syntax)"
pids+=("$DBUS_SESSION_BUS_PID")
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

dgh-sim --link "$work/ttyDGH" </dev/null >"$work/sim.out" &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/ttyDGH" ] && break; sleep 0.1; done
mkdir -p "$work/config"
printf '[Ports]\n1=%s\n' "$work/ttyDGH" >"$work/config/Halvane Science DGH Driver.ini"

# The menu runs the desktop entry's command, from the home folder rather than the program's.
command=$(sed -n 's/^Exec=//p' /usr/share/applications/com.halvane.DghGui.desktop)
(cd / && XDG_CONFIG_HOME="$work/config" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  $command >"$work/program.out" 2>&1) &
pids+=($!)
/usr/bin/python3 scripts/log-through-accessibility.py "$work/rows.csv" 10 || {
  cat "$work/program.out"
  kill -0 "$xvfb_pid" 2>/dev/null || echo "the virtual display $DISPLAY had ended:"
  cat "$work/xvfb.log"
  exit 1
}
# Through the link, the program still finds its lamps beside its real self.
exe=$(readlink "/proc/$(pgrep -n -x dgh-gui)/exe")
[ "$exe" = /usr/lib/dgh-gui/dgh-gui ] && [ -f /usr/lib/dgh-gui/icons/greenlight.bmp ]

kill "${pids[@]}" 2>/dev/null || true
$sudo apt-get remove -y -q --purge dgh-gui
if [ -e /usr/lib/dgh-gui ] || [ -e /usr/bin/dgh-gui ]; then
  echo "the package left files behind" >&2
  exit 1
fi
echo "== the installed package logged rows and was removed cleanly"
