# Shared by scripts/test and scripts/run: the one list of Debian packages the
# project needs, and the steps both commands take before doing their own work.

NORVANTA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Build and test tools, the libraries we link, the fonts the Korean interface needs,
# the X server (and its window finder) scripts/run and the package check use on a
# machine without a display, a tray host for the tray's check, the Debian package tools and validators, what the
# benchmarks compare against, and the tools of the NetworkManager stand (tests/nm-real:
# namespaces, links, the private bus and its monitor, the stand-in pppd's D-Bus binding).
# The stand's NetworkManager packages are not in this list: it unpacks them without
# installing.
NORVANTA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-translations-l10n fonts-nanum fonts-liberation
  xvfb xauth xdotool x11-utils trayer procps
  lintian desktop-file-utils appstream dpkg-dev
  curl libpugixml-dev
  libsystemd-dev dbus python3-dbusmock zlib1g-dev
  util-linux iproute2 passwd dbus-bin python3-dbus gzip
)

log() { printf '\n== %s\n' "$*"; }

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

install_packages() {
  install_package_list "${NORVANTA_PACKAGES[@]}"
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
  for _ in $(seq 50); do [ -s "$folder/port" ] && break; sleep 0.1; done
  [ -s "$folder/port" ] || { echo "the development service did not start" >&2; return 1; }
  DEVSERVICE_HOST="127.0.0.1:$(cat "$folder/port")"
}

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
  for _ in $(seq 300); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
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

# wait_for_window <title> [seconds]: waits until the X server on $DISPLAY shows a window
# of exactly that title; fails when none appears in time.
wait_for_window() {
  local title=$1 limit=${2:-30}
  for _ in $(seq $((limit * 10))); do
    [ -n "$(window_with_title "$title")" ] && return 0
    sleep 0.1
  done
  echo "no window titled '$title' appeared on $DISPLAY within ${limit}s" >&2
  return 1
}
