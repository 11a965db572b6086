# Sourced: start_private_xvfb FIRST LAST starts an Xvfb on the first free
# display number in that range, exports DISPLAY and sets xvfb_pid.
# stop_private_xvfb ends it again.
xvfb_pid=
start_private_xvfb() {
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; return 0; fi
    xvfb_pid=
  done
  echo "could not start Xvfb" >&2
  return 1
}
stop_private_xvfb() {
  [ -n "$xvfb_pid" ] || return 0
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}
