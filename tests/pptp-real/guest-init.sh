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
  ppp0-address) ip -4 -o address show dev ppp0 2>/dev/null | awk '{ split($4, a, "/"); print a[1]; exit }' ;;
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

# The installed package's client, driven as a user drives it on a display of its own: the
# ID and password typed, 접속 pressed; the time counting; the server ending the session and
# the client dialing again by itself; then 접속종료. What the window says is read from its
# status log (norvanta.status), the tunnel from the system. Writes what it saw to driver.out.
client_step() { echo "$(cut -d' ' -f1 /proc/uptime) $*" >> "$client_logs/driver.out"; }
client_failed() { client_step "FAILED: $*"; grep 'norvanta.status' "$client_logs/client.log" | tail -n 20 >> "$client_logs/driver.out"; return 1; }
# Only what the log says since the last client_mark counts.
client_mark() { client_seen=$(wc -l < "$client_logs/client.log"); }
client_says() { tail -n +"$((client_seen + 1))" "$client_logs/client.log" | grep -qF "status: $1"; }
client_counted_two_seconds() { grep -qE 'time: +0 시간 : +0 분 : +([2-9]|[1-5][0-9]) 초' "$client_logs/client.log"; }
in_client() { ip netns exec cli "$@"; }
# client_waits <seconds> <status>: the status line shows it in time; a dial error ends the
# wait at once.
client_waits() {
  awaited_status=$2
  wait_until "$1" client_says_awaited_or_error && client_says "$2" || client_failed "the status never said '$2'"
}
client_says_awaited_or_error() { client_says "$awaited_status" || client_says "서비스 접속 오류"; }
# click_at <x> <y>: a click at that point of the window, in its own coordinates (the
# skinned frame included, as on the host's display of the same size).
click_at() { in_client env DISPLAY=:1 xdotool mousemove --window "$client_window" "$1" "$2" click 1; }
type_text() { in_client env DISPLAY=:1 xdotool type --delay 40 "$1"; }
client_window_id() { in_client env DISPLAY=:1 xdotool search --onlyvisible --name '^Norvanta VPN$' 2>/dev/null | head -n 1; }

client_scenario() {
  client_logs=$1
  local home=/tmp/client-home port
  : > "$client_logs/driver.out"
  dpkg -i $in/norvanta-vpn.deb > "$client_logs/dpkg.out" 2>&1 || client_failed "the package did not install" || return 1
  client_step "installed $(dpkg-query -W -f '${Package} ${Version}' norvanta-vpn)"
  mkdir -p "$home/.config/Norvanta VPN" /tmp/client-runtime
  chmod 700 /tmp/client-runtime
  # The settings know the service's version already: no new-version notice over the window.
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\r\n"Ver"="1.0.0"\r\n' \
    > "$home/.config/Norvanta VPN/settings.reg"
  printf '1.0.0' > $stand/Update_Ver.txt
  printf '<?xml version="1.0" encoding="euc-kr"?>\n<NewDataSet>\n  <datarow>\n    <server_name>T1-1 stand</server_name>\n    <server_addr>10.99.0.1</server_addr>\n  </datarow>\n</NewDataSet>\n' \
    > $stand/serverlist.xml
  rm -f $stand/devservice-port
  in_client $in/norvanta-devservice --serverlist $stand/serverlist.xml --version $stand/Update_Ver.txt \
    --port-file $stand/devservice-port > "$client_logs/devservice.out" 2>&1 &
  wait_until 20 test -s $stand/devservice-port || client_failed "the development service did not start" || return 1
  port=$(cat $stand/devservice-port)
  in_client Xvfb :1 -screen 0 520x540x24 -nolisten tcp > "$client_logs/xvfb.out" 2>&1 &
  wait_until 30 test -e /tmp/.X11-unix/X1 || client_failed "Xvfb did not start" || return 1
  in_client env -i PATH=/usr/bin:/bin HOME=$home LANG=C.UTF-8 DISPLAY=:1 XDG_RUNTIME_DIR=/tmp/client-runtime \
    DBUS_SESSION_BUS_ADDRESS=disabled: NORVANTA_VPN_SERVICE_HOST=127.0.0.1:$port \
    QT_LOGGING_RULES='norvanta.status.info=true;norvanta.status.debug=true' \
    norvanta-vpn > "$client_logs/client.log" 2>&1 &
  wait_until 60 eval '[ -n "$(client_window_id)" ]' || client_failed "no window appeared" || return 1
  client_window=$(client_window_id)
  client_seen=0
  client_waits 60 "서비스 미접속" || return 1
  client_step "the window is up and the server list is in"

  click_at 276 193; type_text norvanta
  click_at 276 226; type_text stand-secret-7f3a
  client_mark
  click_at 142 412
  client_step "typed the ID and password and pressed 접속"
  client_waits 90 "서비스 접속 완료" || return 1
  wait_until 20 client_counted_two_seconds || client_failed "the time line did not count" || return 1
  client_step "connected; the time line counts: $(grep -E 'time: +0 시간' "$client_logs/client.log" | tail -n 1)"
  [ "$(in_client $stand/hook ping)" = answered ] || client_failed "no answer through ppp0" || return 1
  [ "$(in_client $stand/hook client-mppe)" = 128 ] || client_failed "pppd did not report MPPE 128" || return 1
  client_step "the server answers through ppp0; MPPE 128"
  local address; address=$(in_client $stand/hook ppp0-address)
  wait_until 20 grep -qF "link: 주소 $address | 암호화 MPPE | 보냄 " "$client_logs/client.log" \
    || client_failed "the window never told the link's address ($address), MPPE and traffic" || return 1
  client_step "the tooltip tells the link: $(grep -F 'link: 주소' "$client_logs/client.log" | tail -n 1)"

  client_mark
  [ "$(in_client $stand/hook kill-server-pppd)" = killed ] || client_failed "no server pppd to end" || return 1
  client_step "the server ended the session"
  client_waits 30 "서비스 재접속 대기 중" || return 1
  client_step "the client waits to dial again: $(grep -F 'status: 서비스 재접속 대기 중' "$client_logs/client.log" | head -n 1)"
  # The status line says what it says after any dial; "reconnected" is the notification's.
  client_mark
  client_waits 120 "서비스 접속 완료" || return 1
  wait_until 30 eval '[ "$(in_client $stand/hook ping)" = answered ]' \
    || client_failed "no answer through ppp0 after the reconnect" || return 1
  client_step "reconnected by itself; the server answers through ppp0 again"

  client_mark
  click_at 303 412
  client_waits 30 "서비스 접속 종료" || return 1
  wait_until 30 eval '[ "$(in_client $stand/hook nm-vpns)" = 0 ]' || client_failed "a VPN is still active after 접속종료" || return 1
  client_step "접속종료 ended the link; NetworkManager has no VPN left"
}

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
  elif [ $ok = 1 ] && [ "$scenario" = client ]; then
    client_scenario "$logs" || ok=0
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
