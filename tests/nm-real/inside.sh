#!/usr/bin/env bash
# One scenario of the NetworkManager stand, run as PID 1 of new PID, network, mount, UTS
# and IPC namespaces (run.sh starts it through unshare). Everything it changes lives in
# those namespaces: tmpfs and overlays with tmpfs upper layers, a veth pair, a private
# system bus. When it ends the kernel takes all of it away.
#   inside.sh <scenario> <unpacked packages> <driver> <logs folder>
set -euo pipefail
scenario=$1 packages=$2 driver=$3 logs=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
stand=/run/stand
# Passwords the driver dials with (its own constants); no file may hold them afterwards.
passwords=(stand-secret-7f3a $'\xba\xf1\xb9\xd0\xb9\xf8\xc8\xa3-7f3a' 비밀번호-7f3a)

fail() { echo "STAND FAILURE [$scenario]: $*" >&2; exit 1; }

# The namespace must start empty: anything but lo means we are not where we think we are.
links=$(ip -o link show | awk -F': ' '{print $2}' | tr '\n' ' ')
[ "$links" = "lo " ] || fail "refusing to start: the network namespace shows '$links', not only lo"

# --- private file system ------------------------------------------------------------
# mount -n everywhere: libmount would otherwise keep its state in the host's /run/mount.
mount -n -t tmpfs -o mode=0755 stand-run /run
# What the stand needs from the host (its tools, the unpacked packages, the driver, the
# logs folder) is reached through /run/stand-host from here on: the folders it lives in
# (a clone under /tmp, say) are about to be covered.
host=/run/stand-host
mkdir -p $host/tools $host/packages $host/logs && touch $host/driver
mount -n --bind "$here" $host/tools
mount -n --bind "$packages" $host/packages
mount -n --bind "$logs" $host/logs
mount -n --bind "$driver" $host/driver
here=$host/tools packages=$host/packages logs=$host/logs driver=$host/driver
mkdir -p $stand/etc/up $stand/etc/work $stand/var/up $stand/var/work
# The unpacked packages over /usr, read-only; /etc and /var/lib copy-on-write into tmpfs.
mount -n -t overlay stand-usr -o "lowerdir=$packages/usr:/usr" /usr
mount -n -t overlay stand-etc -o lowerdir=/etc,upperdir=$stand/etc/up,workdir=$stand/etc/work /etc
mount -n -t overlay stand-var -o lowerdir=/var/lib,upperdir=$stand/var/up,workdir=$stand/var/work /var/lib
mkdir -p /etc/NetworkManager /var/lib/NetworkManager
for dir in /etc/NetworkManager /var/lib/NetworkManager; do mount -n -t tmpfs -o mode=0755 stand "$dir"; done
mount -n -t tmpfs -o mode=1777 stand-tmp /tmp
mount -n -t tmpfs -o mode=0755 stand-dev /dev
mknod -m 666 /dev/null c 1 3; mknod -m 666 /dev/zero c 1 5; mknod -m 666 /dev/tty c 5 0
mknod -m 666 /dev/random c 1 8; mknod -m 666 /dev/urandom c 1 9
mkdir -p /dev/net /dev/pts /dev/shm; mknod -m 666 /dev/net/tun c 10 200
mount -n -t devpts -o newinstance,ptmxmode=0666 devpts /dev/pts; ln -s pts/ptmx /dev/ptmx
# The namespace's own sysfs (its links only), read-only so nothing waits for udev.
mount -n -t sysfs -o ro sysfs /sys
printf 'nameserver 127.0.0.1\n' > /etc/resolv.conf
ldconfig

# The kernel the dialer checks. The stand-in pppd needs no PPP in the kernel, so the
# scenarios that go on to NetworkManager see a kernel configuration with PPP and MPPE, a
# /dev/ppp and a "ppp" character device; "no-ppp-kernel" sees a kernel built without PPP
# (as this machine's own kernel may well be), whatever the machine's kernel really has.
release=$(uname -r)
if [ "$scenario" = no-ppp-kernel ]; then
  kernel_config='# CONFIG_PPP is not set\n'
  grep -v ' ppp$' /proc/devices > $stand/devices
  mount -n -t tmpfs stand /sys/module
  [ -d /lib/modules ] && mount -n -t tmpfs stand /lib/modules
else
  kernel_config='CONFIG_PPP=y\nCONFIG_PPP_MPPE=y\n'
  { cat /proc/devices; printf '108 ppp\n'; } > $stand/devices
  [ "$scenario" = plugin-fail ] || mknod -m 600 /dev/ppp c 108 0
fi
mount -n --bind $stand/devices /proc/devices
printf "$kernel_config" | gzip > $stand/config.gz
[ -e /proc/config.gz ] && mount -n --bind $stand/config.gz /proc/config.gz
mkdir -p $stand/boot && printf "$kernel_config" > "$stand/boot/config-$release"
[ -d /boot ] && mount -n --bind $stand/boot /boot

# --- network --------------------------------------------------------------------------
hostname nm-stand
ip link set lo up
ip link add veth0 type veth peer name veth1
ip addr add 10.99.0.1/24 dev veth1
ip addr add 10.99.0.3/24 dev veth1
ip link set veth1 up
# The PPTP server's control port; the stand-in pppd never needs more than the accept.
/usr/bin/python3 -c '
import socket
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("0.0.0.0", 1723)); s.listen(16)
while True: s.accept()[0].close()' &

# --- bus and NetworkManager -------------------------------------------------------------
mkdir -p /run/dbus
dbus-daemon --system --nofork --nopidfile > $stand/dbus.log 2>&1 &
for _ in $(seq 100); do [ -S /run/dbus/system_bus_socket ] && break; sleep 0.05; done
[ -S /run/dbus/system_bus_socket ] || fail "the private system bus did not start"
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/dbus/system_bus_socket
dbus-monitor --system "type='signal',sender='org.freedesktop.NetworkManager'" "type='method_call'" \
  "type='method_return'" "type='error'" 2>/dev/null | /usr/bin/python3 "$here/bus-trace.py" > $stand/signals.log &

mkdir -p /etc/NetworkManager/system-connections /etc/NetworkManager/conf.d
cat > /etc/NetworkManager/NetworkManager.conf <<CONF
[main]
plugins=keyfile
dns=none
rc-manager=unmanaged
hostname-mode=none
auth-polkit=false
no-auto-default=*
[keyfile]
unmanaged-devices=*,except:interface-name:veth0
[connectivity]
enabled=false
[logging]
level=TRACE
domains=VPN,CORE,AGENTS,SETTINGS
CONF
if [ "$scenario" != no-primary ]; then
  cat > /etc/NetworkManager/system-connections/uplink.nmconnection <<CONF
[connection]
id=uplink
type=ethernet
interface-name=veth0
[ipv4]
method=manual
address1=10.99.0.2/24,10.99.0.1
[ipv6]
method=disabled
CONF
  chmod 600 /etc/NetworkManager/system-connections/uplink.nmconnection
fi
case "$scenario" in
  plugin-missing) mount -n -t tmpfs stand /usr/lib/NetworkManager/VPN ;;
  plugin-fail|no-ppp-kernel) ;;  # the real pppd, which finds no /dev/ppp
  *) mount -n --bind "$here/stand-in-pppd.py" /usr/sbin/pppd ;;
esac

NetworkManager --no-daemon > $stand/nm.log 2>&1 &
nm_pid=$!
want=connected; [ "$scenario" = no-primary ] && want=disconnected
for _ in $(seq 200); do
  [ "$(nmcli -t -f STATE general 2>/dev/null)" = "$want" ] && break
  sleep 0.05
done
[ "$(nmcli -t -f STATE general 2>/dev/null)" = "$want" ] || fail "NetworkManager did not reach '$want'"

# --- the scenario --------------------------------------------------------------------------
printf 'connect\n' > $stand/pppd-mode
chmod 666 $stand/pppd-mode  # the hook runs as the driver's user
# The stand-in pppd accepts only this user and password (hash of the UTF-8 form).
expect_user=norvanta; expect_password=${passwords[0]}
printf '%s\n%s\n' "$(printf '%s' "$expect_password" | sha256sum | cut -d' ' -f1)" "$expect_user" > $stand/pppd-expect

# The driver calls this for what happens outside the client: a mode for the stand-in pppd,
# NetworkManager told to take the VPN down, the uplink's cable pulled (carrier lost at the
# far end of the veth pair), the link dropped.
cat > $stand/hook <<HOOK
#!/bin/bash
case "\$1" in
  mode) printf '%s\n' "\$2" > $stand/pppd-mode ;;
  nm-down) nmcli connection down id "\$2" ;;
  uplink-down) ip link set veth1 down ;;
  drop) kill -USR1 "\$(cat $stand/pppd.pid)" ;;
  profiles) grep -l '^service-type=org.freedesktop.NetworkManager.pptp' /etc/NetworkManager/system-connections/* | wc -l ;;
  profile) grep -h "^\$2=" /etc/NetworkManager/system-connections/* ;;
  pppd-log) cat $stand/pppd.log 2>/dev/null ;;
  calls) grep -c "call \$2\$\|call \$2 " $stand/signals.log || true ;;
  nm-asked) grep -c 'call ActivateConnection' $stand/signals.log || true ;;
  wait-pppd) for _ in \$(seq 200); do grep -q NeedSecrets $stand/pppd.log 2>/dev/null && break; sleep 0.05; done ;;
esac
HOOK
chmod 755 $stand/hook
export NM_STAND_HOOK=$stand/hook

run_driver() {
  if [ "$scenario" = unprivileged ]; then
    # A local user with a login session NetworkManager believes in (logind's files).
    useradd -M -u 4242 -s /bin/sh nmstand
    mkdir -p /run/systemd/seats /run/systemd/sessions /run/systemd/users
    printf 'NAME=nmstand\nSTATE=active\nSESSIONS=1\nACTIVE_SESSIONS=1\nONLINE_SESSIONS=1\n' > /run/systemd/users/4242
    printf 'UID=4242\nUSER=nmstand\nACTIVE=1\nSTATE=active\nREMOTE=0\nTYPE=tty\nCLASS=user\nSEAT=seat0\n' > /run/systemd/sessions/1
    printf 'IS_SEAT0=1\nACTIVE=1\nSESSIONS=1\nUIDS=4242\n' > /run/systemd/seats/seat0
    mkdir -p /tmp/home && chown 4242 /tmp/home
    setpriv --reuid=4242 --regid=4242 --clear-groups env HOME=/tmp/home XDG_RUNTIME_DIR= "$driver" "$scenario"
  else
    HOME=/tmp "$driver" "$scenario"
  fi
}
status=0
run_driver || status=$?
sleep 0.3
if [ "$scenario" = unprivileged ] && ! grep -q '^permissions=user:nmstand:\?;' /etc/NetworkManager/system-connections/*; then
  echo "STAND FAILURE [$scenario]: the profile is not private to the user who made it" >&2; status=1
fi

# --- after the scenario: no secret anywhere on disk or in a log ---------------------------------
kill "$nm_pid" 2>/dev/null || true
for _ in $(seq 100); do kill -0 "$nm_pid" 2>/dev/null || break; sleep 0.05; done
for password in "${passwords[@]}"; do
  if found=$(find /etc/NetworkManager /var/lib/NetworkManager /run $stand/etc/up $stand/var/up \
                 -path $host -prune -o -type f -print0 2>/dev/null | xargs -0 -r grep -laF -e "$password"); then
    fail "a password was found in: $found"
  fi
done
mkdir -p "$logs"
cp $stand/*.log "$logs/" 2>/dev/null || true
cp -r /etc/NetworkManager/system-connections "$logs/" 2>/dev/null || true
exit $status
