#!/bin/bash
# The guest's init (PID 1, handed over by /sbin/pptp-stand-init once the shares are
# mounted): sets up a server network namespace with pptpd and a client one with
# NetworkManager and its PPTP plugin, joined by a veth pair, and runs the scenarios
# listed in /stand/in/scenarios with the client's driver, one NetworkManager (and system
# bus) per scenario so that none inherits another's profiles or links. Results and logs
# go to /stand/out; then the guest powers off. No systemd, no udev: only what a scenario
# needs runs, which keeps a boot under TCG short.
set -u
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
export LANG=C.UTF-8
in=/stand/in out=/stand/out stand=/run/stand
scale=$(cat $in/timeout-scale 2>/dev/null || echo 1)
export NORVANTA_TIMEOUT_SCALE=$scale

say() { echo "guest: $*" > /dev/console; echo "$(cut -d' ' -f1 /proc/uptime) $*" >> $out/guest.log; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
scaled_ms() { awk -v s="$scale" -v t="$1" 'BEGIN { printf "%d", s * t * 1000 }'; }

# wait_until <seconds> <command...>: true once the command succeeds, false when the
# (scaled) time is up first.
wait_until() {
  local deadline=$(( $(now_ms) + $(scaled_ms "$1") )); shift
  until "$@"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# stop_pid <pid>: TERM, then KILL if it is still there after a few seconds.
stop_pid() {
  local pid=$1
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null
  wait_until 5 eval "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null || true
}

# pids_in <netns> [comm]: the processes in that network namespace (of that name).
pids_in() {
  local pid
  for pid in $(ip netns pids "$1" 2>/dev/null); do
    if [ -z "${2:-}" ] || [ "$(cat /proc/$pid/comm 2>/dev/null)" = "$2" ]; then echo "$pid"; fi
  done
}

# --- the machine ------------------------------------------------------------------------
booted=$(cut -d' ' -f1 /proc/uptime)
mkdir -p $out
: > $out/guest.log
say "init started ${booted} s after the kernel"
mount -t tmpfs -o mode=0755 run /run
mount -t tmpfs -o mode=1777 tmp /tmp
mkdir -p /dev/pts /dev/shm $stand /run/dbus /run/netns
mount -t devpts -o ptmxmode=0666,gid=5,mode=620 devpts /dev/pts
mount -t tmpfs -o mode=1777 shm /dev/shm
# Nodes a kernel module makes only once loaded (/dev/ppp): without udev, what
# "kmod static-nodes" lists must be made by hand, so that opening them loads the module.
kmod static-nodes --format=tmpfiles --output=$stand/static-nodes
while read -r type path mode _ _ _ devno; do
  [ -e "$path" ] && continue
  if [ "${type:0:1}" = d ]; then mkdir -p -m "$mode" "$path"; continue; fi
  mkdir -p "$(dirname "$path")"
  mknod -m "$mode" "$path" "${type:0:1}" "${devno%%:*}" "${devno##*:}"
done < $stand/static-nodes
[ -c /dev/ppp ] || say "no /dev/ppp after kmod static-nodes"
hostname pptp-guest
ip link set lo up
dbus-uuidgen --ensure
# pppd logs only to syslog.
busybox syslogd -n -O $stand/syslog &
wait_until 10 test -S /dev/log || say "syslogd did not start"

# --- the two ends -------------------------------------------------------------------------
ip netns add srv
ip netns add cli
ip link add veth-c type veth peer name veth-s
ip link set veth-c netns cli
ip link set veth-s netns srv
ip -n srv link set lo up
ip -n srv addr add 10.99.0.1/24 dev veth-s
ip -n srv link set veth-s up
ip -n cli link set lo up

# The server's account (pppd reads only /etc/ppp/chap-secrets; the root disk is a
# snapshot, so this never outlives the boot). The UTF-8 Korean name is there so that the
# server's log shows whether such a name, if it reached the server, would match.
cat > /etc/ppp/chap-secrets <<'SECRETS'
norvanta * stand-secret-7f3a *
홍길동 * 비밀번호-7f3a *
SECRETS
chmod 600 /etc/ppp/chap-secrets
server_options() {  # <mppe|nomppe>
  cat <<OPTIONS
name pptpd
refuse-pap
refuse-chap
refuse-mschap
require-mschap-v2
nodefaultroute
nobsdcomp
nodeflate
debug
OPTIONS
  if [ "$1" = mppe ]; then echo require-mppe-128; else echo nomppe; fi
}
for kind in mppe nomppe; do
  server_options $kind > $stand/pptpd-options-$kind
  printf 'option %s\nlocalip 192.168.77.1\nremoteip 192.168.77.10-19\n' $stand/pptpd-options-$kind \
    > $stand/pptpd-$kind.conf
done

listening_1723() { ip netns exec srv ss -ltnH | grep -q ':1723 '; }
start_pptpd() {  # <mppe|nomppe>
  ip netns exec srv pptpd --fg -c $stand/pptpd-$1.conf >> $stand/pptpd.out 2>&1 &
  pptpd_pid=$!
  wait_until 15 listening_1723 || { say "pptpd does not listen on 1723"; return 1; }
}

# The server's firewall for "gre-blocked". nft refuses the whole table on one line; and a
# ruleset that did not load would let the tunnel come up, so it is checked.
block_gre() {
  ip netns exec srv nft -f - <<'RULES'
table ip stand_gre {
	chain input {
		type filter hook input priority 0; policy accept;
		ip protocol gre counter drop
	}
}
RULES
  ip netns exec srv nft list ruleset | grep -q 'ip protocol gre counter packets' \
    || { say "the GRE rule did not load"; return 1; }
}

# --- NetworkManager ----------------------------------------------------------------------------
cat > /etc/NetworkManager/NetworkManager.conf <<'CONF'
[main]
plugins=keyfile
dns=none
rc-manager=unmanaged
hostname-mode=none
auth-polkit=false
no-auto-default=*
[keyfile]
unmanaged-devices=*,except:interface-name:veth-c,except:interface-name:ppp*
[connectivity]
enabled=false
[logging]
backend=syslog
level=INFO
domains=CORE,DEVICE,VPN:DEBUG,VPN_PLUGIN:DEBUG,AGENTS,SETTINGS,AUDIT,PPP:DEBUG
CONF

# ifupdown's dispatcher script fails on every event here and only costs time.
rm -f /etc/NetworkManager/dispatcher.d/01-ifupdown

start_nm() {
  rm -rf /etc/NetworkManager/system-connections /var/lib/NetworkManager
  mkdir -p /etc/NetworkManager/system-connections /var/lib/NetworkManager
  cat > /etc/NetworkManager/system-connections/uplink.nmconnection <<'CONF'
[connection]
id=uplink
type=ethernet
interface-name=veth-c
[ipv4]
method=manual
address1=10.99.0.2/24,10.99.0.1
[ipv6]
method=disabled
CONF
  chmod 600 /etc/NetworkManager/system-connections/uplink.nmconnection
  # A socket left by the last scenario's bus would make this one refuse to start.
  rm -f /run/dbus/system_bus_socket /run/dbus/pid
  dbus-daemon --system --nofork --nopidfile > $stand/dbus.log 2>&1 &
  dbus_pid=$!
  wait_until 10 test -S /run/dbus/system_bus_socket || { say "the system bus did not start"; return 1; }
  # The (state, reason) pairs NetworkManager and the plugin report, for the record.
  dbus-monitor --system \
    "type='signal',interface='org.freedesktop.NetworkManager.VPN.Connection',member='VpnStateChanged'" \
    "type='signal',interface='org.freedesktop.NetworkManager.Connection.Active',member='StateChanged'" \
    "type='signal',interface='org.freedesktop.NetworkManager.VPN.Plugin',member='Failure'" \
    "type='signal',interface='org.freedesktop.NetworkManager.VPN.Plugin',member='StateChanged'" \
    > $stand/signals.raw 2>/dev/null &
  monitor_pid=$!
  # A read-only sysfs tells NetworkManager there is no udev to wait for.
  ip netns exec cli sh -c 'mount -o remount,ro /sys && exec NetworkManager --no-daemon' > $stand/nm.log 2>&1 &
  nm_pid=$!
  # About 7 s on an idle host; an emulated CPU on a loaded host took 35-67 s.
  wait_until 150 eval '[ "$(nmcli -t -f STATE general 2>/dev/null)" = connected ]' \
    || { say "NetworkManager did not reach 'connected'"; return 1; }
}

stop_all() {
  [ -n "${nm_pid:-}" ] && stop_pid "$nm_pid"
  local pid
  for pid in $(pids_in cli) $(pids_in srv); do stop_pid "$pid"; done
  [ -n "${monitor_pid:-}" ] && stop_pid "$monitor_pid"
  [ -n "${dbus_pid:-}" ] && stop_pid "$dbus_pid"
  [ -n "${pptpd_pid:-}" ] && stop_pid "$pptpd_pid"
  ip netns exec srv nft flush ruleset
  nm_pid= dbus_pid= pptpd_pid= monitor_pid=
}

# What the driver asks of the guest. It runs in the client's namespace as the driver's
# child; what it reads of the system log is the part since the scenario began.
cat > $stand/hook <<'HOOK'
#!/bin/bash
stand=/run/stand
slice() { tail -n +"$(( $(cat $stand/syslog-start) + 1 ))" $stand/syslog; }
# A hook that cannot look must say so, not answer "none".
pids_in() {
  local all
  all=$(ip netns pids "$1") || { echo "error: no namespace $1"; return 1; }
  for pid in $all; do
    [ "$(cat /proc/$pid/comm 2>/dev/null)" = "$2" ] && echo "$pid"
  done
  return 0
}
case "$1" in
  profile) grep -h "^$2=" /etc/NetworkManager/system-connections/* ;;
  ping)
    # Bound to ppp0: the uplink's default route leads to the server too, tunnel or not.
    if ping -q -c 1 -W "$(awk -v s="${NORVANTA_TIMEOUT_SCALE:-1}" 'BEGIN { printf "%d", 5 * s + 0.5 }')" -I ppp0 192.168.77.1 > /dev/null 2>&1; then echo answered; else echo "no answer"; fi ;;
  client-mppe)
    for pid in $(pids_in cli pppd); do
      slice | grep "pppd\[$pid\]: MPPE" | grep -o 'MPPE [0-9]*' | head -n1 | cut -d' ' -f2
    done ;;
  log-count) slice | grep -cF -- "$2" ;;
  pppd-started) slice | grep -cE 'pppd\[[0-9]+\]: pppd [0-9.]+ started' ;;
  nm-asked) { cat $stand/nm.log; slice | grep NetworkManager; } | grep -cE 'op="connection-activate"|: starting pptp' ;;
  nm-vpns)
    active=$(nmcli -t -f TYPE connection show --active) || { echo "error: nmcli"; exit 1; }
    grep -c '^vpn$' <<< "$active" ;;
  client-pppd) pids=$(pids_in cli pppd) || { echo "$pids"; exit 1; }; grep -c . <<< "$pids" ;;
  kill-server-pppd)
    pids=$(pids_in srv pppd) || exit 1
    [ -n "$pids" ] && kill -TERM $pids && echo killed ;;
  nm-down) nmcli --wait 30 connection down id "$2" > /dev/null ;;
  gre-dropped)
    ip netns exec srv nft list ruleset | grep -o 'gre counter packets [0-9]*' | awk '{ print $4 }' ;;
esac
HOOK
chmod 755 $stand/hook

# A record, not a test: what the server sees of a Korean ID sent as NetworkManager and
# pppd send it (UTF-8) when no dialer stands in the way: the profile is made with nmcli,
# the password saved in it.
korean_bypass() {
  local logs=$1
  nmcli connection add type vpn con-name korean-bypass vpn-type pptp autoconnect no ipv4.never-default yes \
    vpn.data 'gateway=10.99.0.1, user=홍길동, require-mppe=yes, refuse-eap=yes, refuse-pap=yes, refuse-chap=yes, refuse-mschap=yes, password-flags=0' \
    vpn.secrets 'password=비밀번호-7f3a' > "$logs/nmcli.out" 2>&1
  timeout "$(( $(scaled_ms 60) / 1000 ))" nmcli --wait "$(( $(scaled_ms 45) / 1000 ))" connection up korean-bypass \
    >> "$logs/nmcli.out" 2>&1
  echo "nmcli up: exit $?" >> "$logs/nmcli.out"
  nmcli connection down korean-bypass >> "$logs/nmcli.out" 2>&1
  wait_until 20 eval '[ -z "$(pids_in cli pppd)" ]'
  slice | grep -E 'pppd\[[0-9]+\]:.*(CHAP|secret|name|authentic|MPPE)' > "$logs/record.txt"
  grep -E 'CHAP (Response|Challenge|Success|Failure)' $stand/nm.log >> "$logs/record.txt"
}
slice() { tail -n +"$(( $(cat $stand/syslog-start) + 1 ))" $stand/syslog; }

# --- the scenarios ---------------------------------------------------------------------------
mkdir -p $out/logs
: > $out/results
for scenario in $(cat $in/scenarios); do
  logs=$out/logs/$scenario
  mkdir -p "$logs"
  say "scenario $scenario"
  started=$(now_ms)
  wc -l < $stand/syslog > $stand/syslog-start
  busybox logger -t stand "scenario $scenario begins"
  ok=1
  case "$scenario" in
    port-closed) ! listening_1723 || { say "something listens on 1723"; ok=0; } ;;
    no-mppe) start_pptpd nomppe || ok=0 ;;
    gre-blocked) { start_pptpd mppe && block_gre; } || ok=0 ;;
    *) start_pptpd mppe || ok=0 ;;
  esac
  [ $ok = 1 ] && { start_nm || ok=0; }
  ready=$(now_ms)
  if [ $ok = 1 ] && [ "$scenario" = korean-bypass ]; then
    korean_bypass "$logs"
  elif [ $ok = 1 ]; then
    # The driver's own waits are bounded; this bounds the driver as a whole.
    ip netns exec cli env HOME=/tmp PPTP_STAND_HOOK=$stand/hook NORVANTA_TIMEOUT_SCALE="$scale" \
      timeout -k 5 "$(( $(scaled_ms 240) / 1000 ))" $in/pptp_real_driver "$scenario" > "$logs/driver.out" 2>&1 || ok=0
  fi
  finished=$(now_ms)
  stop_all
  slice_start=$(cat $stand/syslog-start)
  tail -n +"$((slice_start + 1))" $stand/syslog > "$logs/syslog"
  cp $stand/nm.log $stand/dbus.log "$logs/" 2>/dev/null
  # One line per signal: "<time> <member> <numbers...>".
  awk '/^signal/ { if (line) print line; match($0, /time=[0-9.]+/); t = substr($0, RSTART + 5, RLENGTH - 5)
                   match($0, /member=[A-Za-z]+/); line = t " " substr($0, RSTART + 7, RLENGTH - 7); next }
       /^ *uint32/ { line = line " " $2 }
       END { if (line) print line }' $stand/signals.raw > "$logs/signals.log" 2>/dev/null
  rm -f $stand/signals.raw
  grep -E 'NetworkManager\[|nm-pptp' "$logs/syslog" > "$logs/nm-syslog.log"
  cp -r /etc/NetworkManager/system-connections "$logs/" 2>/dev/null
  verdict=passed; [ $ok = 1 ] || verdict=FAILED
  [ "$scenario" = korean-bypass ] && verdict=recorded
  echo "$scenario $verdict $((finished - ready)) $((ready - started))" >> $out/results
  say "scenario $scenario $verdict"
done
cp $stand/syslog $out/syslog 2>/dev/null
cp $stand/pptpd.out $out/ 2>/dev/null
echo "$(cut -d' ' -f1 /proc/uptime)" > $out/uptime-at-end
say "done"
echo done > $out/finished
sync
echo o > /proc/sysrq-trigger
# Should the power-off not have taken effect yet, PID 1's exit does the same: the kernel
# panics, panic=-1 asks for a reboot and QEMU's -no-reboot turns that into its exit.
