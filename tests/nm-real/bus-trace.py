#!/usr/bin/python3
# Turns `dbus-monitor --system` output into one line per event the dialer cares about:
# NetworkManager's state signals, the calls of the dial, the PPTP plugin's pppd-side calls,
# and the replies (or errors) to those calls. Message bodies that may carry a secret
# (GetSecrets and NeedSecrets replies, the plugin's Connect) are never written out.
import re
import sys

CALLS = {"ActivateConnection", "DeactivateConnection", "AddConnection2", "Update2", "GetSecrets",
         "RegisterWithCapabilities", "Connect", "NeedSecrets", "SetState", "SetIp4Config", "Disconnect"}
SHOWN_REPLIES = {"ActivateConnection", "AddConnection2"}
KINDS = re.compile(r"^(signal|method call|method return|error) time=([0-9.]+) ")


def field(line, name):
    found = re.search(r"(?:^| )" + name + r"=([^ ;]*)", line)
    return found.group(1) if found else None


def parse(line):
    kind = KINDS.match(line)
    if not kind:
        return None
    return (kind.group(1), kind.group(2), field(line, "sender"), field(line, "destination"), field(line, "serial"),
            field(line, "reply_serial"), field(line, "error_name"), field(line, "path"), field(line, "interface"),
            field(line, "member"))


pending = {}
start = None


def emit(stamp, text):
    global start
    start = stamp if start is None else start
    print("%7.3f %s" % (stamp - start, text), flush=True)


def flush(header, body):
    if header is None:
        return
    kind, stamp, sender, dest, serial, reply, error, path, interface, member = header
    stamp = float(stamp)
    numbers = [int(x) for x in re.findall(r"^\s*uint32 (\d+)", "\n".join(body), re.M)]
    strings = re.findall(r'^\s*(?:string|object path) "([^"]*)"', "\n".join(body), re.M)
    tail = (path or "").rsplit("/", 1)[-1]
    if kind == "signal":
        if member == "VpnStateChanged":
            emit(stamp, "signal VpnStateChanged %s state=%d reason=%d" % (tail, numbers[0], numbers[1]))
        elif member == "StateChanged" and interface.endswith("Connection.Active"):
            emit(stamp, "signal Active.StateChanged %s state=%d reason=%d" % (tail, numbers[0], numbers[1]))
        return
    if kind == "method call":
        if member not in CALLS:
            return
        pending[(sender, serial)] = member
        detail = ""
        if member == "GetSecrets":
            asked = re.search(r'object path "[^"]*"\n\s*string "([^"]*)"\n\s*array \[(.*?)\]\n\s*uint32 (\d+)',
                              "\n".join(body), re.S)
            if asked:
                hints = re.findall(r'string "([^"]*)"', asked.group(2))
                detail = " setting=%s hints=%s flags=%s" % (asked.group(1), hints, asked.group(3))
        elif member == "SetState":
            detail = " %d" % numbers[0]
        elif member in ("ActivateConnection", "DeactivateConnection"):
            detail = " " + " ".join(s.rsplit("/", 1)[-1] for s in strings)
        elif member == "AddConnection2":
            detail = " flags=0x%x" % numbers[-1] if numbers else ""
        emit(stamp, "call %s%s" % (member, detail))
        return
    member = pending.pop((dest, reply), None)
    if member is None:
        return
    if kind == "error":
        emit(stamp, "error %s %s %s" % (member, error, strings[0] if strings else ""))
    elif member in SHOWN_REPLIES:
        emit(stamp, "reply %s %s" % (member, " ".join(s.rsplit("/", 1)[-1] for s in strings)))
    else:
        emit(stamp, "reply %s" % member)


header, body = None, []
for line in sys.stdin:
    line = line.rstrip("\n")
    parsed = parse(line)
    if parsed:
        flush(header, body)
        header, body = parsed, []
    elif header is not None:
        body.append(line)
flush(header, body)
