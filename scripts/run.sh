#!/usr/bin/env bash
# Builds the program and starts it with the module simulator standing in for the six modules.
# Port 1 is pointed at the simulator in a throwaway settings store, so the user's own settings
# are never touched. With --hardware the program starts on the user's own settings and ports.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
bin=build/bin

if [ "${1:-}" = "--hardware" ]; then
  exec "$bin/dgh-gui"
fi

work=$(mktemp -d)
cleanup() {
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The simulator takes commands from a FIFO, so the operator can put a probe into a buffer.
mkfifo "$work/simulator-commands"
exec 3<>"$work/simulator-commands"
"$bin/dgh-sim" --link "$work/ttyDGH" <&3 >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/ttyDGH" ] && break; sleep 0.1; done

mkdir -p "$work/config"
printf '[Ports]\n1=%s\n' "$work/ttyDGH" >"$work/config/Halvane Science DGH Driver.ini"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No screen: run on a virtual one, on the first free display number.
  source scripts/virtual-display.sh
  start_virtual_display "$work"
  cat <<TEXT
No display found: the program runs on the virtual display $DISPLAY. To see it, from another
terminal on this machine:
  a picture:  DISPLAY=$DISPLAY import -window root window.png
  live:       x11vnc -display $DISPLAY -localhost -nopw -forever
              then on your own computer: ssh -L 5900:localhost:5900 $(id -un)@$(hostname)
              and: vncviewer localhost:0
Stop with Ctrl+C.
TEXT
fi
cat <<TEXT
Modules simulated on $(head -n 1 "$work/sim.out"); switch the groups on to see readings.
To calibrate from buffers, put pH probe 1 (module 6) into a buffer from another terminal:
  echo "buffer 6 7.00" > $work/simulator-commands
TEXT
XDG_CONFIG_HOME="$work/config" "$bin/dgh-gui"
