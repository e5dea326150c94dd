#!/usr/bin/env bash
# Builds the Debian package, checks it (lintian, desktop entry, AppStream), installs it, starts
# the installed program the way the desktop menu does, headless, against the module simulator on
# port 1, has it log rows through the accessibility bus, checks the file, opens a recorded log for
# review through the same bus in two regions, and removes the package.
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
# Reviewing a recorded run from the menu: a file that is no log, then a night log, in this
# region and again in German.
review_in() {
  local region=$1
  /usr/bin/python3 scripts/review-through-accessibility.py "$work/night-$region.csv" || {
    cat "$work/program.out"
    exit 1
  }
}
review_in here
pkill -x dgh-gui || true
(cd / && LANG=de_DE.UTF-8 XDG_CONFIG_HOME="$work/config" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  $command >"$work/program.out" 2>&1) &
pids+=($!)
review_in de

kill "${pids[@]}" 2>/dev/null || true

echo "== the installed logger and its unit"
ldd /usr/lib/dgh-gui/dgh-logger | grep -E 'libQt6(Gui|Widgets)' && {
  echo "dgh-logger links Qt Gui or Widgets" >&2
  exit 1
}
systemd-analyze verify /lib/systemd/system/dgh-logger@.service
# The unit's lockdown, as systemd scores an instance of it: 2.0 or lower ("OK").
mkdir -p "$work/unit"
cp /lib/systemd/system/dgh-logger@.service "$work/unit/dgh-logger@rig.service"
(cd "$work/unit" && systemd-analyze security --offline=true --threshold=20 dgh-logger@rig.service |
  tail -1) || {
  echo "the unit's exposure is above 2.0" >&2
  exit 1
}
dgh-sim --link "$work/ttyLogger" </dev/null >"$work/sim-logger.out" &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/ttyLogger" ] && break; sleep 0.1; done
sed -e "s|^port=1|device=$work/ttyLogger|" -e "s|^log=.*|log=$work/logger.csv|" \
  -e "s|^settings=.*|settings=$work/calibration.ini|" -e "s|^interval=1|interval=0.1|" \
  -e "s|^rate=1000|rate=100|" /usr/share/doc/dgh-gui/examples/rig.conf.example >"$work/rig.conf"
(cd / && dgh-logger --config "$work/rig.conf" --duration 10 2>"$work/logger.err")
rows=$(($(wc -l <"$work/logger.csv") - 16))
bad=$(tail -n +17 "$work/logger.csv" | grep -cv '^"[0-9:]*",[-0-9.]*,[-0-9.]*,[-0-9.]*,[-0-9.]*,[-0-9.]*,[-0-9.]*,[-0-9.]*,[-0-9.]*,[-0-9.]*,"[0-9.,]*"'$'\r''$' || true)
# Standard error holds the seal's anchors and nothing else.
grep -v ' Seal anchor {' "$work/logger.err" >"$work/logger.problems" || true
if [ "$rows" -lt 90 ] || [ "$bad" -ne 0 ] || [ -s "$work/logger.problems" ]; then
  echo "dgh-logger wrote $rows rows in 10 s at 0.1 s, $bad of them malformed:" >&2
  cat "$work/logger.problems" >&2
  exit 1
fi
echo "dgh-logger logged $rows rows in 10 s at 0.1 s, every one well formed"
# The log against its seal and the anchors told; the audit trail holds the run's start and stop.
(cd / && dgh-report --verify --anchors "$work/logger.err" "$work/logger.csv" "$work/audit.csv") || {
  echo "the log or the audit trail is not intact against its seal" >&2
  exit 1
}
grep -q '"Program started"' "$work/audit.csv" && grep -q '"Program stopped"' "$work/audit.csv" || {
  echo "the audit trail does not hold the run's start and stop" >&2
  exit 1
}
# The installed report of that run, with no display at all, as on a rig without a screen.
(cd / && env -u DISPLAY -u WAYLAND_DISPLAY dgh-report "$work/logger.csv" --out "$work/logger.pdf" \
  >/dev/null 2>"$work/report.err")
pdftotext -layout "$work/logger.pdf" "$work/logger.txt" 2>>"$work/report.err" || true
grep -q "Page 1 of" "$work/logger.txt" 2>/dev/null || {
  echo "dgh-report wrote no readable report:" >&2
  cat "$work/report.err" >&2
  exit 1
}
echo "dgh-report wrote a report of that run without a display"

$sudo apt-get remove -y -q --purge dgh-gui
if [ -e /usr/lib/dgh-gui ] || [ -e /usr/bin/dgh-gui ] || [ -e /usr/bin/dgh-logger ] ||
  [ -e /usr/bin/dgh-report ]; then
  echo "the package left files behind" >&2
  exit 1
fi
echo "== the installed package logged rows and was removed cleanly"
