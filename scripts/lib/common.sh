# Shared by scripts/test and scripts/run: the one list of Debian packages the
# project needs, and the steps both commands take before doing their own work.

NORVANTA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Build and test tools, the libraries we link, the fonts the Korean interface needs,
# the X server scripts/run uses on a machine without a display, and what the
# benchmarks compare against.
NORVANTA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-translations-l10n fonts-nanum fonts-liberation
  xvfb xauth
  curl libpugixml-dev
  libsystemd-dev dbus python3-dbusmock
)

log() { printf '\n== %s\n' "$*"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=()
  for pkg in "${NORVANTA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$pkg")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  log "installing: ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
}

# build_preset <preset>: configure (once) and build one CMake preset.
build_preset() {
  local preset=$1
  log "building the '$preset' configuration"
  cmake --preset "$preset" -S "$NORVANTA_ROOT" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}
