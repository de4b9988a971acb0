#!/usr/bin/env bash
# The NetworkManager stand: the real NetworkManager and PPTP plugin from Debian's packages,
# unpacked (never installed) and run in private namespaces, with the client's dialer
# driven against them scenario by scenario (inside.sh, nm_real_driver).
#   tests/nm-real/run.sh <nm_real_driver> [scenario...]
# Prints one line per scenario and a summary; "SKIPPED" with the reason when this machine
# does not permit the namespaces. Exit status 0 when every scenario passed or the stand
# was skipped, 1 otherwise. Logs and recorded bus sequences: build/nm-stand/logs/.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
driver=$(realpath "$1"); shift
stand=$root/build/nm-stand
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(success auth-fail connect-fail plugin-fail plugin-missing no-ppp-kernel
  no-primary down-connecting down-connected dropped uplink-lost hangup-connecting profile-reuse korean unprivileged)

# Debian's packages, fetched by apt and unpacked with dpkg -x: no maintainer script runs,
# so nothing on this machine is started, enabled or changed by them.
packages=(network-manager network-manager-pptp ppp pptp-linux libnm0 libndp0 libteamdctl0 libmm-glib0
  libnewt0.52 libpcap0.8 libbluetooth3)

skip() {
  echo "== NetworkManager stand: SKIPPED: $*"
  exit 0
}

if ! unshare --pid --net --mount --uts --ipc --fork --mount-proc --propagation private true 2>/dev/null; then
  skip "this machine does not permit new PID/network/mount/UTS/IPC namespaces (unshare refused)"
fi

unpack() {
  if [ -f "$stand/root/.complete" ]; then return 0; fi
  rm -rf "$stand/root" "$stand/debs"
  mkdir -p "$stand/debs" "$stand/root"
  (cd "$stand/debs" && apt-get download -q "${packages[@]}" >/dev/null 2>&1) \
    || { apt-get update -q >/dev/null && (cd "$stand/debs" && apt-get download -q "${packages[@]}" >/dev/null 2>&1); } \
    || skip "Debian's packages for the stand could not be fetched"
  for deb in "$stand"/debs/*.deb; do dpkg -x "$deb" "$stand/root"; done
  touch "$stand/root/.complete"
}

# What the stand must leave as it found it on this machine.
host_state() {
  ip -o link show | sed 's/ state [A-Z]*//'
  ip -o addr show; ip route show table all
  sha256sum /etc/resolv.conf
  for dir in /etc/NetworkManager /var/lib/NetworkManager /run/NetworkManager /run/mount /run/dbus \
             /etc/systemd/system /usr/lib/NetworkManager /usr/sbin/pppd /etc/ppp; do
    [ -e "$dir" ] && find "$dir" -printf '%p %m %s %T@\n' 2>/dev/null | sort || echo "$dir absent"
  done
  # Device nodes and their modes; terminals and shared memory come and go with any session.
  find /dev -maxdepth 2 -not -path '/dev/pts/*' -not -path '/dev/shm/*' -printf '%p %m %U:%G %Y\n' 2>/dev/null | sort
  ps -eo comm= | grep -E '^(NetworkManager|nm-pptp-servic|nm-dispatcher|pppd|stand-in-pppd|pptp)$' | sort || true
  dpkg-query -W -f='${Package} ${Status}\n' network-manager network-manager-pptp ppp 2>/dev/null || true
}

unpack
before=$(host_state)
mkdir -p "$stand/logs"
passed=() failed=()
for scenario in "${scenarios[@]}"; do
  logs=$stand/logs/$scenario
  rm -rf "$logs"; mkdir -p "$logs"
  started=$(date +%s%N)
  if timeout 120 unshare --pid --net --mount --uts --ipc --fork --mount-proc --propagation private --kill-child \
       "$here/inside.sh" "$scenario" "$stand/root" "$driver" "$logs" > "$logs/driver.out" 2>&1; then
    passed+=("$scenario"); verdict=passed
  else
    failed+=("$scenario"); verdict=FAILED
  fi
  printf '== nm-stand %-18s %s (%d ms)\n' "$scenario" "$verdict" $(( ($(date +%s%N) - started) / 1000000 ))
  [ "$verdict" = passed ] || sed 's/^/   | /' "$logs/driver.out"
done
after=$(host_state)
if [ "$before" != "$after" ]; then
  echo "== nm-stand: the host changed:"; diff <(echo "$before") <(echo "$after") || true
  failed+=("host-unchanged")
fi
echo "== NetworkManager stand: ${#passed[@]} passed, ${#failed[@]} failed${failed:+: ${failed[*]}}"
[ ${#failed[@]} -eq 0 ]
