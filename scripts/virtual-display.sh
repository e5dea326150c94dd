# Sourced by the scripts that need a screen where there is none.
#
# start_virtual_display DIR: starts Xvfb on the first free display number, waits until the server
# answers a client, exports DISPLAY and sets xvfb_pid. The server's output goes to DIR/xvfb.log.
# -noreset: by default the server resets each time its last client leaves, and a client that
# connects during the reset is refused; short-lived clients (dbus-launch, the accessibility bus
# launcher) come and go just before the program connects.
start_virtual_display() {
  local dir=$1 attempt
  for attempt in 1 2 3; do
    rm -f "$dir/display"
    Xvfb -displayfd 3 -noreset -screen 0 1280x900x24 3>"$dir/display" >>"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [ -s "$dir/display" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$dir/display" ] && xdpyinfo -display ":$(cat "$dir/display")" >/dev/null 2>&1; then
      export DISPLAY=":$(cat "$dir/display")"
      return 0
    fi
    echo "virtual display, attempt $attempt: the server did not answer" >>"$dir/xvfb.log"
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  done
  cat "$dir/xvfb.log" >&2
  echo "no virtual display could be started" >&2
  return 1
}
