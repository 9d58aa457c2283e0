# Shared by the end-to-end scripts: a private X server, a private home, and
# waits on conditions instead of fixed sleeps. Source it; it sets no options.

# Commands run when the script ends, last registered first.
E2E_CLEANUP=()
e2e_on_exit() {
  E2E_CLEANUP=("$*" "${E2E_CLEANUP[@]}")
}
e2e_cleanup() {
  local command
  for command in "${E2E_CLEANUP[@]}"; do
    eval "$command" || true
  done
  E2E_CLEANUP=()
}
trap e2e_cleanup EXIT

# e2e_wait_until SECONDS COMMAND...: runs COMMAND every 50 ms until it
# succeeds (returns 0) or SECONDS have passed (returns 1).
e2e_wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  while ! "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# e2e_private_home: a fresh HOME and XDG folders, so that servers which the
# libraries start on their own (speech-dispatcher) and every per-user file
# belong to this script alone. Sets E2E_HOME.
e2e_private_home() {
  E2E_HOME=$(mktemp -d)
  mkdir -p "$E2E_HOME/runtime" "$E2E_HOME/config" "$E2E_HOME/data" "$E2E_HOME/cache"
  chmod 700 "$E2E_HOME/runtime"
  export HOME=$E2E_HOME XDG_RUNTIME_DIR=$E2E_HOME/runtime XDG_CONFIG_HOME=$E2E_HOME/config \
    XDG_DATA_HOME=$E2E_HOME/data XDG_CACHE_HOME=$E2E_HOME/cache
  e2e_on_exit "rm -rf '$E2E_HOME'"
  e2e_on_exit e2e_kill_home_processes
}

# e2e_kill_home_processes: ends, by process id, every process that was
# started with this script's private home (a speech-dispatcher or a D-Bus
# daemon that a library started on its own), the script itself excepted.
e2e_kill_home_processes() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] && continue
    grep -qsxz "HOME=$E2E_HOME" "$environ" 2>/dev/null || continue
    kill -9 "$pid" 2>/dev/null || true
  done
}

# e2e_start_xvfb [SCREEN [XVFB ARGUMENTS...]]: an X server of our own on a
# free display number, which it picks itself (-displayfd), so scripts
# running side by side never meet. -noreset: without it the server resets
# whenever its last client goes, and a shell started right after one ended
# (a SIGKILL) can meet it in the middle of that reset. Exports DISPLAY; the
# server ends with the script.
e2e_start_xvfb() {
  local screen=${1:-1024x768x24}
  shift || true
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$screen" "$@" 3>"$fifo" 2>/dev/null &
  local server=$!
  e2e_on_exit "kill $server 2>/dev/null; wait $server 2>/dev/null"
  local number
  if ! read -r -t 20 number <"$fifo"; then
    rm -f "$fifo"
    echo "FAIL: Xvfb did not start"
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=:$number
  unset XAUTHORITY
  e2e_wait_until 10 xdpyinfo_ok || { echo "FAIL: Xvfb on $DISPLAY does not answer"; return 1; }
}

xdpyinfo_ok() {
  xdotool getdisplaygeometry >/dev/null 2>&1
}

# e2e_start_accessibility: a D-Bus session bus of our own with the AT-SPI bus
# on it, as a desktop session has them, so that the shell shows its windows
# to screen readers (QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1) and a script reads
# them through python3-pyatspi (tests/e2e/atspi_screen.py). Call it after
# e2e_private_home. Exports DBUS_SESSION_BUS_ADDRESS; both end with the
# script.
e2e_start_accessibility() {
  local output bus
  output=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) ||
    { echo "FAIL: no D-Bus session bus"; return 1; }
  DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$output")
  bus=$(sed -n 2p <<<"$output")
  export DBUS_SESSION_BUS_ADDRESS
  e2e_on_exit "kill $bus 2>/dev/null"
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  local launcher=$!
  e2e_on_exit "kill $launcher 2>/dev/null; wait $launcher 2>/dev/null"
  # Qt joins the AT-SPI bus only when it is there before the window.
  e2e_wait_until 10 e2e_accessibility_bus_up || { echo "FAIL: the AT-SPI bus did not start"; return 1; }
}

e2e_accessibility_bus_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q "boolean true"
}
