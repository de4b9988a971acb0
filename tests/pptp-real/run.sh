#!/usr/bin/env bash
# The real PPTP tunnel: the client's dialer (pptp_real_driver) against the real
# NetworkManager, PPTP plugin, pppd, kernel PPP, GRE and MPPE, and a real pptpd, all
# inside a QEMU guest built from Debian 12's packages (build-image.sh, cached).
#   tests/pptp-real/run.sh <pptp_real_driver> [scenario...]
# Scenarios: success auth-fail no-mppe port-closed gre-blocked server-ends hangup nm-down
# korean client (the default: all of them); "korean-bypass" adds a record, not a test, of
# what the server's pppd makes of a Korean ID that NetworkManager sends with no dialer in
# the way. "client" is the installed Debian package's client on a display in the guest (the
# newest build/norvanta-vpn_*.deb, made by scripts/package; the development service from
# the driver's build folder): connect, the server ends the session, it reconnects.
# Prints one line per scenario and a summary; exit status 0 only when every scenario
# passed. Logs (the guest's syslog with pppd's lines, NetworkManager's log with its
# VPN_PLUGIN domain, each driver's output, the guest's console): build/pptp-real/logs/.
# NORVANTA_TIMEOUT_SCALE (default 1) stretches every time limit, the guest's too.
#
# The guest has no network device at all (-nic none): files go in and results come out
# through two 9p shares, so no packet of the tunnel can leave the guest.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
driver=$(realpath "${1:?usage: tests/pptp-real/run.sh <pptp_real_driver> [scenario...]}"); shift
scale=${NORVANTA_TIMEOUT_SCALE:-1}
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(success auth-fail no-mppe port-closed gre-blocked server-ends hangup nm-down korean client)

work=$root/build/pptp-real
logs=$work/logs
share_in=$work/in share_out=$work/out
scaled() { awk -v s="$scale" -v t="$1" 'BEGIN { printf "%d", s * t }'; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

[ -x "$driver" ] || { echo "no driver at $driver" >&2; exit 1; }
source "$root/scripts/lib/common.sh"
[ "${NORVANTA_SKIP_INSTALL:-0}" = 1 ] || install_package_list qemu-system-x86 >&2

image_started=$(now_ms)
guest=$("$here/build-image.sh" | tail -n 1)
image_ms=$(( $(now_ms) - image_started ))
for file in root.ext4 vmlinuz initrd.img .norvanta-complete; do
  [ -e "$guest/$file" ] || { echo "the guest image in '$guest' lacks $file" >&2; exit 1; }
done

rm -rf "$share_in" "$share_out" "$logs"
mkdir -p "$share_in" "$share_out" "$logs"
cp "$driver" "$share_in/pptp_real_driver"
cp "$here/guest-init.sh" "$share_in/guest-init.sh"
chmod 755 "$share_in/pptp_real_driver" "$share_in/guest-init.sh"
if [[ " ${scenarios[*]} " == *" client "* ]]; then
  package=$(ls -t "$root"/build/norvanta-vpn_*.deb 2>/dev/null | head -n 1)
  devservice=$(dirname "$driver")/../../tools/devservice/norvanta-devservice
  [ -n "$package" ] || { echo "the client scenario needs the package: run scripts/package first" >&2; exit 1; }
  [ -x "$devservice" ] || { echo "no development service at $devservice" >&2; exit 1; }
  cp "$package" "$share_in/norvanta-vpn.deb"
  cp "$devservice" "$share_in/norvanta-devservice"
fi
printf '%s\n' "${scenarios[@]}" > "$share_in/scenarios"
printf '%s\n' "$scale" > "$share_in/timeout-scale"

# The whole guest is bounded: a boot of 20-40 s under TCG, and per scenario NetworkManager's
# start, the driver's own limit and the clean-up.
limit=$(scaled $(( 120 + 150 * ${#scenarios[@]} )))
started=$(now_ms)
status=0
timeout -k 10 "$limit" nice -n 10 qemu-system-x86_64 -nodefaults -nic none -accel tcg -cpu max -m 1024 \
  -display none -monitor none -no-reboot \
  -serial "file:$logs/console.log" \
  -kernel "$guest/vmlinuz" -initrd "$guest/initrd.img" \
  -append "root=/dev/vda rw console=ttyS0 quiet panic=-1 init=/sbin/pptp-stand-init" \
  -drive "file=$guest/root.ext4,if=virtio,format=raw,snapshot=on" \
  -virtfs "local,path=$share_in,mount_tag=stand-in,security_model=none,readonly=on" \
  -virtfs "local,path=$share_out,mount_tag=stand-out,security_model=none" \
  > "$logs/qemu.out" 2>&1 || status=$?
total_ms=$(( $(now_ms) - started ))
[ -d "$share_out/logs" ] && cp -r "$share_out/logs/." "$logs/"
for file in guest.log syslog pptpd.out results; do
  [ -f "$share_out/$file" ] && cp "$share_out/$file" "$logs/"
done

passed=() failed=()
for scenario in "${scenarios[@]}"; do
  line=$(awk -v s="$scenario" '$1 == s' "$share_out/results" 2>/dev/null | tail -n 1)
  if [ -z "$line" ]; then
    failed+=("$scenario")
    printf '== pptp-real %-14s FAILED (never ran: the guest ended first)\n' "$scenario"
    continue
  fi
  read -r _ verdict driver_ms setup_ms <<< "$line"
  printf '== pptp-real %-14s %s (%d ms; NetworkManager start %d ms)\n' "$scenario" "$verdict" "$driver_ms" "$setup_ms"
  if [ "$verdict" = recorded ]; then
    sed 's/^/   | /' "$logs/$scenario/record.txt" 2>/dev/null || true
  elif [ "$verdict" = passed ]; then
    passed+=("$scenario")
  else
    failed+=("$scenario")
    sed 's/^/   | /' "$logs/$scenario/driver.out" 2>/dev/null || true
  fi
done
boot=$(awk '/init started/ { print $4; exit }' "$share_out/guest.log" 2>/dev/null || true)
echo "== pptp-real: image ${image_ms} ms, guest up to init ${boot:-?} s, QEMU run ${total_ms} ms (exit ${status})"
if [ ! -f "$share_out/finished" ]; then
  echo "== pptp-real: the guest did not finish (QEMU exit $status; see $logs/console.log)"
  failed+=("guest-finished")
fi
echo "== PPTP real tunnel: ${#passed[@]} passed, ${#failed[@]} failed${failed:+: ${failed[*]}}"
[ ${#failed[@]} -eq 0 ]
