#!/usr/bin/python3
# Plays pppd's part towards NetworkManager's PPTP plugin inside the test stand: it is
# bind-mounted over /usr/sbin/pppd in the stand's mount namespace only. It talks to the
# plugin over the plugin's pppd-side D-Bus interface exactly as pppd's nm-pptp plugin does
# (SetState with pppd's phases, NeedSecrets, SetIp4Config). As the real pppd does under the
# plugin, it tells every end by its phases and then waits for the plugin to kill it: no exit
# status of pppd's ever reaches NetworkManager (seen with the real pppd and pptpd).
# What it does is chosen by the stand in /run/stand/pppd-mode:
#   connect      authenticate, bring up a tun link ppp<unit>, report the address, wait;
#                SIGTERM (hang-up, deactivation): link down, exit; SIGUSR1 (the server
#                ended the session): link down, phases 11, 1, then wait to be killed
#   stall        authenticate, then wait without reporting an address (a dial that is
#                still connecting); SIGTERM: exit
#   auth-fail    the server refuses the password: phases 10, 11, 1 (AUTHENTICATE straight
#                to TERMINATE, never NETWORK), then wait to be killed
#   connect-fail the PPTP control connection cannot be made: phases 11, 1 after
#                SERIALCONN, then wait to be killed
# A password that does not match /run/stand/pppd-expect (hex SHA-256 of the UTF-8
# password, followed by the expected user on the second line) is treated as auth-fail.
import dbus
import hashlib
import os
import signal
import socket
import struct
import subprocess
import sys
import time

STAND = "/run/stand"
PATH = "/org/freedesktop/NetworkManager/pptp/ppp"
INTERFACE = "org.freedesktop.NetworkManager.pptp.ppp"

# pppd phases as the plugin's NMPPPStatus numbers them (PHASE_* + 1).
SERIALCONN, ESTABLISH, AUTHENTICATE, NETWORK, RUNNING, TERMINATE, DISCONNECT, DEAD = 3, 5, 6, 8, 9, 10, 11, 1


def log(text):
    with open(os.path.join(STAND, "pppd.log"), "a") as out:
        out.write("%.3f %s\n" % (time.monotonic(), text))


def read(name, default=""):
    try:
        with open(os.path.join(STAND, name)) as source:
            return source.read()
    except OSError:
        return default


def option(args, name, default=None):
    return args[args.index(name) + 1] if name in args and args.index(name) + 1 < len(args) else default


def ipv4(text):
    # The plugin wants IPv4 addresses as a uint32 in network byte order.
    return dbus.UInt32(struct.unpack("=I", socket.inet_aton(text))[0])


def main():
    args = sys.argv[1:]
    log("argv " + " ".join(args))
    mode = read("pppd-mode", "connect").strip()
    link = "ppp" + option(args, "unit", "0")
    helper = dbus.Interface(
        dbus.SystemBus().get_object(os.environ.get("NM_DBUS_SERVICE_PPTP", "org.freedesktop.NetworkManager.pptp"),
                                    PATH, introspect=False), INTERFACE)
    with open(os.path.join(STAND, "pppd.pid"), "w") as out:
        out.write(str(os.getpid()))

    def phase(number):
        log("SetState %d" % number)
        helper.SetState(dbus.UInt32(number))

    ended = {"signal": None}

    def on_signal(number, _frame):
        ended["signal"] = number

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGUSR1, on_signal)

    def wait_to_be_killed():
        # The plugin sends SIGTERM once it has seen the phases; a stand-in that is never
        # killed ends on its own rather than outliving the scenario.
        deadline = time.monotonic() + 10
        while ended["signal"] != signal.SIGTERM and time.monotonic() < deadline:
            signal.alarm(1)
            signal.pause()
        log("killed" if ended["signal"] == signal.SIGTERM else "never killed")
        return 5

    signal.signal(signal.SIGALRM, lambda _number, _frame: None)

    phase(SERIALCONN)
    if mode == "connect-fail":
        phase(DISCONNECT)
        phase(DEAD)
        return wait_to_be_killed()
    phase(ESTABLISH)
    phase(AUTHENTICATE)
    user, password = helper.NeedSecrets()
    expected = read("pppd-expect").split("\n")
    digest = hashlib.sha256(password.encode("utf-8")).hexdigest()
    accepted = len(expected) >= 2 and digest == expected[0] and user == expected[1]
    log("NeedSecrets user=%r password %s" % (str(user), "accepted" if accepted else "refused"))
    if mode == "auth-fail" or not accepted:
        phase(TERMINATE)
        phase(DISCONNECT)
        phase(DEAD)
        return wait_to_be_killed()
    if mode == "connect":
        subprocess.run(["ip", "tuntap", "add", "dev", link, "mode", "tun"], check=True)
        phase(NETWORK)
        phase(RUNNING)
        config = {"tundev": dbus.String(link), "address": ipv4("10.77.0.2"), "ptp": ipv4("10.77.0.1"),
                  "prefix": dbus.UInt32(32), "mtu": dbus.UInt32(1400)}
        log("SetIp4Config %s" % link)
        helper.SetIp4Config(dbus.Dictionary(config, signature="sv"))
    while ended["signal"] is None:
        signal.pause()
    subprocess.run(["ip", "link", "del", link], stderr=subprocess.DEVNULL)
    if ended["signal"] == signal.SIGUSR1:
        phase(DISCONNECT)
        phase(DEAD)
        return wait_to_be_killed()
    log("exit 5")
    return 5


if __name__ == "__main__":
    sys.exit(main())
