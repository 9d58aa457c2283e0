# Shared by the end-to-end scripts: a private X server, a private home, and
# waits on conditions instead of fixed sleeps. Source it; it sets no options.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

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

# e2e_wait_until SECONDS COMMAND...: runs COMMAND every 50 ms (every
# E2E_POLL_S seconds when set) until it succeeds (returns 0) or SECONDS have
# passed (returns 1).
e2e_wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  while ! "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep "${E2E_POLL_S:-0.05}"
  done
}

# e2e_require_locale NAME: fails with a clear message when the locale NAME
# (cs_CZ.UTF-8) is not installed; scripts/common.sh generates the ones the
# tests need.
e2e_require_locale() {
  local wanted
  wanted=$(tr 'A-Z' 'a-z' <<<"$1" | sed 's/utf-8$/utf8/')
  if ! locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -x "$wanted" >/dev/null; then
    echo "FAIL: the locale $1 is not installed; generate it (scripts/common.sh, install_locales)"
    return 1
  fi
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
  e2e_kill_processes_with "HOME=$E2E_HOME"
}

# e2e_kill_processes_with NAME=VALUE: ends, by process id, every process
# started with that variable in its environment, the script itself excepted.
# A stopped process is continued, so that it ends.
e2e_kill_processes_with() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] && continue
    grep -qsxzF -- "$1" "$environ" 2>/dev/null || continue
    kill -9 "$pid" 2>/dev/null || true
    kill -CONT "$pid" 2>/dev/null || true
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

# e2e_speechd_config DIR: a private speech-dispatcher set-up in DIR: a copy
# of the system's configuration that plays through libao (conf/), the home
# the server runs in, whose .libao picks libao's null driver (home/), and a
# log folder (log/). The null driver takes the samples as fast as they come,
# so a text ends as soon as it has been synthesized. The C++ adapter tests
# call this too: it is the one place that knows the configuration.
e2e_speechd_config() {
  local dir=$1
  mkdir -p "$dir/home" "$dir/log"
  rm -rf "$dir/conf"
  cp -r /etc/speech-dispatcher "$dir/conf"
  {
    echo 'AudioOutputMethod "libao"'
    echo 'DefaultModule espeak-ng'
    echo "LogDir \"$dir/log\""
  } >>"$dir/conf/speechd.conf"
  echo 'default_driver=null' >"$dir/home/.libao"
}

# e2e_start_speechd SOCKET: a speech-dispatcher of our own, listening on
# SOCKET, with the configuration above in a folder of its own; it ends with
# the script (and on its own after a minute without clients, should the
# script be killed). Sets E2E_SPEECHD_PID. Returns 1 when it does not answer.
e2e_start_speechd() {
  local socket=$1
  local dir
  dir=$(mktemp -d)
  e2e_on_exit "rm -rf '$dir'"
  e2e_speechd_config "$dir"
  mkdir -p "$(dirname "$socket")"
  HOME=$dir/home speech-dispatcher -s -t 60 -C "$dir/conf" -S "$socket" \
    >"$dir/log/stdout" 2>&1 &
  E2E_SPEECHD_PID=$!
  e2e_on_exit "kill $E2E_SPEECHD_PID 2>/dev/null; wait $E2E_SPEECHD_PID 2>/dev/null"
  e2e_wait_until 20 test -S "$socket" || {
    echo "FAIL: speech-dispatcher did not open $socket"
    cat "$dir/log/"* 2>/dev/null
    return 1
  }
}

# e2e_window PID SECONDS [NAME]: prints the id of a visible window of process
# PID (whose title matches NAME, when given) once there is one; returns 1
# when the process ends or SECONDS pass first.
e2e_window() {
  local pid=$1 seconds=$2 name=${3:-}
  local deadline=$((SECONDS + seconds)) found
  while [ "$SECONDS" -le "$deadline" ]; do
    kill -0 "$pid" 2>/dev/null || return 1
    if [ -n "$name" ]; then
      found=$(xdotool search --onlyvisible --pid "$pid" --name "$name" 2>/dev/null | head -1 || true)
    else
      found=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1 || true)
    fi
    if [ -n "$found" ]; then
      echo "$found"
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# e2e_window_count PID: how many visible windows process PID shows (a menu
# that drops down is one more).
e2e_window_count() {
  xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l
}

# e2e_focus WINDOW: gives WINDOW the keyboard focus (there is no window
# manager to do it) and waits until it has it. A window only just mapped may
# refuse it, so it is asked again until it takes it.
e2e_focus() {
  e2e_wait_until 10 e2e_take_focus "$1"
}
e2e_take_focus() {
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
  xdotool windowfocus "$1" 2>/dev/null
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# e2e_screen_text WINDOW: the text of the shell's screen control as the user
# sees it, selected with the mouse, which hands it to the X primary
# selection: from its lower right up past its top, which takes the first
# line whole. Empty when nothing could be selected.
e2e_screen_text() {
  local window=$1 WIDTH HEIGHT X Y SCREEN
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # A click first clears the last selection: a press on selected text would
  # start dragging it instead, and a drag holds the keyboard until it ends.
  # It lies far enough from the press that follows not to make a double click.
  xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT / 2)) click 1 \
    mousemove --window "$window" $((WIDTH - 30)) $((HEIGHT - 40)) mousedown 1 \
    mousemove --window "$window" 2 2 mouseup 1
  xclip -o -selection primary 2>/dev/null || true
}

# e2e_screen_shows WINDOW PATTERN: the screen holds PATTERN (grep -E).
e2e_screen_shows() {
  e2e_screen_text "$1" | grep -E "$2" >/dev/null
}

# e2e_stacks PID: the stacks of every thread of PID (without gdb, where each
# waits in the kernel): what a process that does not end is waiting for.
e2e_stacks() {
  if ! command -v gdb >/dev/null; then
    echo "--- threads of $1 (name, state, kernel wait)"
    local task
    for task in /proc/"$1"/task/*; do
      echo "$(cat "$task/comm" 2>/dev/null) $(awk '{print $3}' "$task/stat" 2>/dev/null) $(cat "$task/wchan" 2>/dev/null)"
    done
    return 0
  fi
  echo "--- stacks of $1"
  timeout 60 gdb -p "$1" -batch -ex "thread apply all bt 30" 2>/dev/null | grep -E '^(#|Thread)' || true
}

# e2e_require_accessibility_tools [TOOL...]: exits 77 (skipped) unless the X
# server, xdotool, D-Bus, the AT-SPI bus, python3-pyatspi and each TOOL
# given are installed.
e2e_require_accessibility_tools() {
  local tool
  for tool in Xvfb xdotool dbus-daemon dbus-send /usr/libexec/at-spi-bus-launcher "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  /usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }
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

# e2e_start_accessible_desktop GEOMETRY: a private home, an X server of
# GEOMETRY whose frame buffer can be read in the folder E2E_FRAMES
# (tests/e2e/xwd.py), and the AT-SPI bus (e2e_start_accessibility).
e2e_start_accessible_desktop() {
  e2e_private_home
  E2E_FRAMES=$(mktemp -d)
  e2e_on_exit "rm -rf '$E2E_FRAMES'"
  e2e_start_xvfb "$1" -fbdir "$E2E_FRAMES"
  e2e_start_accessibility
}

# e2e_caret_colour: the colour (RRGGBB) that Xvfb's frame buffer
# (e2e_start_accessible_desktop) shows in the shell's caret cell, where AT-SPI
# puts the caret. The block caret has the text's colour once the screen is
# painted with the last print. Fails while the screen cannot be read.
e2e_caret_colour() {
  local x y w h
  read -r x y w h < <(/usr/bin/python3 "$E2E_LIB_DIR/atspi_screen.py" caret) && [ -n "$h" ] || return 1
  /usr/bin/python3 "$E2E_LIB_DIR/xwd.py" pixel "$E2E_FRAMES/Xvfb_screen0" $((x + 2)) $((y + h / 2))
}

e2e_accessibility_bus_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep "boolean true" >/dev/null
}
