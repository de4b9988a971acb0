# Shared by the Windows scripts: where the cached Qt for Windows lives, the Debian
# packages the cross build, Wine and the installer need, and how to get them.
# Sourced after scripts/lib/common.sh.

NORVANTA_CACHE=${NORVANTA_CACHE:-/var/cache/norvanta}
QT_WIN32_VERSION=6.4.2

# qt_windows_name <i686|x86_64>: the cache folder of Qt for that Windows; the
# toolchain files (cmake/<arch>-w64-mingw32.cmake) look for the same name.
qt_windows_name() {
  case $1 in
    i686) echo "qt6-win-i686-$QT_WIN32_VERSION" ;;
    x86_64) echo "qt6-win64-$QT_WIN32_VERSION" ;;
    *) echo "unknown Windows architecture '$1' (i686 or x86_64)" >&2; return 1 ;;
  esac
}

# The -posix compilers: the -win32 ones have no std::mutex or std::thread. The 64-bit
# build needs only wine64; the 32-bit one needs wine32 from the i386 architecture.
NORVANTA_WIN32_PACKAGES=(
  mingw-w64-tools nsis python3
  wine wine64
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  fonts-nanum fonts-liberation
  dpkg-dev xz-utils
  xvfb xauth xdotool
)

# install_win32_packages <i686|x86_64>
install_win32_packages() {
  case $1 in
    x86_64) install_package_list "${NORVANTA_WIN32_PACKAGES[@]}" g++-mingw-w64-x86-64-posix ;;
    i686)
      # Wine's 32-bit half comes from the i386 architecture; dpkg must know it first.
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        log "adding the i386 architecture for wine32"
        as_root dpkg --add-architecture i386
        as_root apt-get update -q
      fi
      install_package_list "${NORVANTA_WIN32_PACKAGES[@]}" g++-mingw-w64-i686-posix wine32:i386 ;;
  esac
}

# private_apt <args>: apt-get with a sources list and state of our own under the
# cache, so fetching a source package leaves the machine's apt configuration alone.
private_apt() {
  local root=$NORVANTA_CACHE/apt
  mkdir -p "$root/lists/partial" "$root/archives/partial"
  if [ ! -f "$root/sources.list" ]; then
    cat >"$root/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
LIST
  fi
  apt-get \
    -o Dir::Etc::SourceList="$root/sources.list" \
    -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State="$root" \
    -o Dir::State::Lists="$root/lists" \
    -o Dir::State::Status=/var/lib/dpkg/status \
    -o Dir::Cache="$root" \
    -o Dir::Cache::Archives="$root/archives" \
    -o APT::Sandbox::User=root \
    "$@"
}

# fetch_qt_source <dir>: Debian's qt6-base source, unpacked into <dir>/qtbase.
fetch_qt_source() {
  local dir=$1
  if [ -f "$dir/qtbase/CMakeLists.txt" ]; then
    return 0
  fi
  mkdir -p "$dir"
  log "fetching Debian's qt6-base $QT_WIN32_VERSION source"
  private_apt update -q
  (cd "$dir" && private_apt source -q --only-source qt6-base)
  local unpacked
  unpacked=$(find "$dir" -maxdepth 1 -type d -name "qt6-base-$QT_WIN32_VERSION*" | head -n1)
  [ -n "$unpacked" ] || { echo "qt6-base source did not unpack" >&2; return 1; }
  mv "$unpacked" "$dir/qtbase"
}

# True when this kernel runs 32-bit x86 programs (some virtual machines' kernels are
# built without that, and then wine32 cannot start at all).
can_run_32bit_programs() {
  [ -x /usr/lib/wine/wineserver32 ] && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}
