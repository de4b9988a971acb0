#!/usr/bin/env bash
# tests/pptp-real/build-image.sh
# Builds, once, the guest the real PPTP tunnel runs in: Debian 12 from Debian's own
# packages (mmdebstrap), with a kernel that has PPP, MPPE and GRE, NetworkManager with the
# PPTP plugin on the client's side and pptpd on the server's. The result is cached under
# ${NORVANTA_CACHE:-/var/cache/norvanta}/pptp-guest-<hash>: the hash covers the package
# list and this script, so changing either builds a new guest and an old one is never
# used by mistake. Prints the folder (root.ext4, vmlinuz, initrd.img) on its last line.
#
# mmdebstrap fetches every package again each time (about 3 minutes here): hence the cache.
# Two runs at once take turns on a lock; the second finds the first one's result.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/lib/common.sh"

NORVANTA_CACHE=${NORVANTA_CACHE:-/var/cache/norvanta}
MIRROR=${NORVANTA_DEBIAN_MIRROR:-http://deb.debian.org/debian}

# The guest's packages. No systemd: the guest's own init script (guest-init.sh, reached
# over 9p) starts just what a scenario needs, which keeps a TCG boot short.
GUEST_PACKAGES=(
  linux-image-amd64 initramfs-tools kmod
  network-manager network-manager-pptp ppp pptp-linux pptpd
  dbus iproute2 nftables iputils-ping busybox procps
  libsystemd0 libstdc++6 ca-certificates
  # What the installed client needs (the package's own dependencies and the X platform
  # plugin apt would recommend) and a display of its own to be driven on.
  libqt6widgets6 libqt6dbus6 qt6-qpa-plugins fonts-nanum xvfb xdotool
)

hash=$( { printf '%s\n' "${GUEST_PACKAGES[@]}"; cat "${BASH_SOURCE[0]}"; } | sha256sum | cut -c1-16)
name=pptp-guest-$hash
out=$NORVANTA_CACHE/$name
stamp=$out/.norvanta-complete

mkdir -p "$NORVANTA_CACHE"
exec 9>"$NORVANTA_CACHE/$name.lock"
take_lock 9 "the PPTP guest's build"
if [ -f "$stamp" ]; then
  echo "the PPTP guest is in $out" >&2
  echo "$out"
  exit 0
fi

[ "${NORVANTA_SKIP_INSTALL:-0}" = 1 ] || install_packages guest >&2

started=$(date +%s)
rm -rf "$out"
mkdir -p "$out"
tree=$out/tree
log "building the PPTP guest with mmdebstrap (${#GUEST_PACKAGES[@]} packages and their dependencies)" >&2
include=$(IFS=,; echo "${GUEST_PACKAGES[*]}")
# MODULES=most: the root disk is virtio, and its driver is a module the initrd must carry.
nice -n 10 mmdebstrap --variant=minbase --include="$include" \
  --aptopt='APT::Install-Recommends "false"' \
  --customize-hook='echo "MODULES=most" > "$1/etc/initramfs-tools/conf.d/norvanta-modules"' \
  --customize-hook='chroot "$1" update-initramfs -u -k all' \
  bookworm "$tree" "deb $MIRROR bookworm main" >&2

# The first thing the guest runs (init=): it mounts the share the stand's files come in
# by and hands over to the stand's own script there. It lives in the image because the
# share is not there yet when the kernel starts init.
cat > "$tree/sbin/pptp-stand-init" <<'INIT'
#!/bin/sh
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev 2>/dev/null
modprobe -q 9pnet_virtio; modprobe -q 9p
mkdir -p /stand/in /stand/out
mount -t 9p -o trans=virtio,version=9p2000.L,ro stand-in /stand/in
mount -t 9p -o trans=virtio,version=9p2000.L stand-out /stand/out
if [ -x /stand/in/guest-init.sh ]; then
  exec /stand/in/guest-init.sh
fi
echo "pptp-stand-init: no /stand/in/guest-init.sh; halting" > /dev/console
echo o > /proc/sysrq-trigger
INIT
chmod 755 "$tree/sbin/pptp-stand-init"
# Nothing in the guest may start pptpd or pppd on its own.
rm -f "$tree/etc/ppp/peers/"* 2>/dev/null || true

cp "$(readlink -f "$tree/vmlinuz")" "$out/vmlinuz"
cp "$(readlink -f "$tree/initrd.img")" "$out/initrd.img"
# A sparse image with room for the scenarios' logs and pppd's runtime files; every boot
# runs it with snapshot=on, so it never changes after this.
mkfs.ext4 -q -F -L pptp-guest -d "$tree" "$out/root.ext4" 1536M >&2
du_tree=$(du -sm "$tree" | cut -f1)
rm -rf "$tree"
touch "$stamp"
echo "the PPTP guest (tree ${du_tree} MiB) was built into $out in $(( $(date +%s) - started )) s" >&2
echo "$out"
