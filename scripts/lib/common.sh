# Shared by the scripts and the shell tests: the Debian packages by what needs them, the
# waits (every one bounded, every limit scaled) and the steps several commands take.

NORVANTA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# The Debian packages, by what needs them. Each command and each leg of scripts/test
# installs only its own lists (install_packages <list...>), so scripts/run pulls in no
# package validator and the unit tests no QEMU.
# build: the compiler and tools, the libraries we link, the fonts the Korean interface
# needs and Qt's Korean standard buttons.
NORVANTA_PACKAGES_build=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-translations-l10n fonts-nanum fonts-liberation
  libsystemd-dev zlib1g-dev
)
# unit: what the unit tests start beside the client's code (a private session bus, the
# fake NetworkManager in Python).
NORVANTA_PACKAGES_unit=(dbus dbus-bin python3-dbus python3-dbusmock)
# display: an X server of our own and its window finder, for scripts/run, the package's
# installed client and the tray check.
NORVANTA_PACKAGES_display=(xvfb xauth xdotool x11-utils procps)
NORVANTA_PACKAGES_tray=(trayer)
NORVANTA_PACKAGES_sanitize=(clang libclang-rt-14-dev)
# The format check of the quick and unit legs (.clang-format is written for version 14).
NORVANTA_PACKAGES_format=(clang-format)
NORVANTA_PACKAGES_package=(lintian desktop-file-utils appstream dpkg-dev)
# What the benchmarks compare against.
NORVANTA_PACKAGES_bench=(curl libpugixml-dev)
# The NetworkManager stand's namespaces, links, private bus and its monitor, and the
# stand-in pppd's D-Bus binding. The stand's NetworkManager packages are not here: it
# unpacks them without installing.
NORVANTA_PACKAGES_nm=(util-linux iproute2 passwd dbus dbus-bin python3-dbus gzip)
# The real tunnel's guest: its builder (tests/pptp-real/build-image.sh) and its machine.
NORVANTA_PACKAGES_guest=(qemu-system-x86 mmdebstrap e2fsprogs)

log() { printf '\n== %s\n' "$*"; }

# NORVANTA_TIMEOUT_SCALE (a positive number, default 1) stretches every time limit of the
# scripts and tests, for a slow or loaded machine.
NORVANTA_TIMEOUT_SCALE=${NORVANTA_TIMEOUT_SCALE:-1}
export NORVANTA_TIMEOUT_SCALE

# scaled_seconds <seconds>: the limit stretched by NORVANTA_TIMEOUT_SCALE, whole seconds.
scaled_seconds() { awk -v s="$NORVANTA_TIMEOUT_SCALE" -v t="$1" 'BEGIN { v = s * t; printf "%d", v < 1 ? 1 : v + 0.5 }'; }

# until_true <seconds> <command...>: runs the command every tenth of a second until it
# succeeds (true) or the scaled limit is over (false).
until_true() {
  local deadline=$(( $(date +%s) + $(scaled_seconds "$1") )); shift
  until "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# take_lock <fd> <what>: waits for the lock open on that descriptor, saying first what it
# waits for when another run holds it (a build in the background takes minutes).
take_lock() {
  flock -n "$1" && return 0
  echo "waiting for $2 (another run holds its lock)" >&2
  flock "$1"
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_package_list <package...>: installs those of the packages that are missing.
install_package_list() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$pkg")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  log "installing: ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends \
    "${missing[@]}"
}

# install_packages <list...>: installs what is missing of the named lists above
# (build, unit, display, ...).
install_packages() {
  local list all=()
  for list in "$@"; do
    local -n packages="NORVANTA_PACKAGES_$list"
    all+=("${packages[@]}")
    unset -n packages
  done
  [ "${NORVANTA_SKIP_INSTALL:-0}" = 1 ] || install_package_list "${all[@]}"
}

# build_preset <preset>: configure (once) and build one CMake preset.
build_preset() {
  local preset=$1
  log "building the '$preset' configuration"
  cmake --preset "$preset" -S "$NORVANTA_ROOT" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}

# start_devservice <folder> [args...]: starts the development service web server with the
# sample server list on a free loopback port; sets DEVSERVICE_PID and DEVSERVICE_HOST.
start_devservice() {
  local folder=$1; shift
  local sample=$NORVANTA_ROOT/tools/devservice/sample
  "$NORVANTA_ROOT/build/default/tools/devservice/norvanta-devservice" \
    --serverlist "$sample/serverlist.xml" --version "$sample/Update_Ver.txt" \
    --port-file "$folder/port" "$@" &
  DEVSERVICE_PID=$!
  until_true 5 test -s "$folder/port" || { echo "the development service did not start" >&2; return 1; }
  DEVSERVICE_HOST="127.0.0.1:$(cat "$folder/port")"
}

# xvfb_ready <display>: its socket is there, or the server has ended (false either way
# only while it is still starting).
xvfb_ready() { [ -e "/tmp/.X11-unix/X$1" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; }

# start_xvfb: an X server of our own on the first free display number; exports DISPLAY
# and sets XVFB_PID.
start_xvfb() {
  local display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  local log_file
  log_file=$(mktemp)
  Xvfb ":$display" -screen 0 520x540x24 -nolisten tcp >"$log_file" 2>&1 &
  XVFB_PID=$!
  # A loaded machine may take seconds to start it; one that cannot start it says why.
  until_true 30 xvfb_ready "$display" || true
  if [ ! -e "/tmp/.X11-unix/X$display" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    echo "Xvfb did not start on :$display:" >&2
    cat "$log_file" >&2
    rm -f "$log_file"
    return 1
  fi
  rm -f "$log_file"
  export DISPLAY=":$display"
}

# window_with_title <title>: the id of a visible window of exactly that title on
# $DISPLAY, or nothing. xdotool exits with 1 when no window matches, which is an answer
# here, not an error.
window_with_title() { { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; } | head -n 1; }

window_shown() { [ -n "$(window_with_title "$1")" ]; }

# wait_for_window <title> [seconds]: waits until the X server on $DISPLAY shows a window
# of exactly that title; fails when none appears in time.
wait_for_window() {
  local title=$1 limit=${2:-30}
  until_true "$limit" window_shown "$title" && return 0
  echo "no window titled '$title' appeared on $DISPLAY within ${limit}s" >&2
  return 1
}
