"""Set-network commands (flag 03) as a device handles them.

A command names its device by MAC: "<vendor>,03,<model>,<proj>,<name>,<ip>,<port>,<netmask>,
<gateway>,<dns>,<mac>,<dev>,<mode>,<digest>", the mode one of "static", "dhcp", "ovnet", the
digest the MD5 (32 lower-case hex digits) of ID + ":" + password.

A device that asks for credentials (its idpw value is "1") compares the digest with its own
"credentials" (default admin / 8629) and answers "ErrorIDPW" when they differ. A command it cannot
carry out (wrong field count, unknown mode, bad addresses, another vendor token) is answered
with "ErrorCmd". Either answer names the device's address and MAC, as a device does:
"<token>,03,ErrorIDPW,<ip>,<mac>". Otherwise the device takes the new settings without a word,
so that the next search shows them.

Per device in the site file:
  "set_network": "apply" (default), "silent" (hears, answers nothing, changes nothing),
                 "ErrorIDPW" or "ErrorCmd" (always refuses so);
  "dhcp_ip":     the address a DHCP server would lease it (default: it keeps its address).
"""

import hashlib
import ipaddress

import control

MODES = ("static", "dhcp", "ovnet")
FIELD_COUNT = 14


def digest_of(credentials):
    text = "%s:%s" % (credentials.get("id", "admin"), credentials.get("password", "8629"))
    return hashlib.md5(text.encode("latin-1")).hexdigest()


def valid_address(text):
    parts = text.split(".")
    if len(parts) != 4 or not all(p.isdigit() and len(p) <= 3 for p in parts):
        return False
    try:
        ipaddress.IPv4Address(".".join(str(int(p)) for p in parts))
    except ValueError:
        return False
    return True


class SetNetwork:
    def __init__(self, sim, port):
        self.sim = sim
        self.port = port
        port.on_flag(3, self.command)

    def command(self, link, src, dst, text):
        fields = text.decode("latin-1").split(",")
        mac = fields[10] if len(fields) > 10 else ""
        for device in self.sim.devices:
            if device.link != link.index or device.values["mac"].lower() != mac.lower() or not mac:
                continue
            if dst not in (None, control.BROADCAST, device.values["ip"]) and \
                    dst not in link.broadcasts:
                continue
            self.handle(device, link, src, fields)

    def handle(self, device, link, src, fields):
        behaviour = device.conf.get("set_network", "apply")
        if behaviour == "silent" or device.silent:
            return
        verdict = behaviour if behaviour in ("ErrorIDPW", "ErrorCmd") else self.verdict(device, fields)
        if verdict:
            self.answer(device, link, src, verdict)
            return
        self.apply(device, link, fields)

    def verdict(self, device, fields):
        if len(fields) != FIELD_COUNT:
            return "ErrorCmd"
        if device.values["idpw"] == "1" and \
                fields[13].strip().lower() != digest_of(device.credentials):
            return "ErrorIDPW"
        if fields[0] != device.token or fields[12] not in MODES:
            return "ErrorCmd"
        ip, netmask, gateway, dns = fields[5], fields[7], fields[8], fields[9]
        if fields[12] != "dhcp" and not all(valid_address(a) for a in (ip, netmask, gateway)):
            return "ErrorCmd"
        if dns and not valid_address(dns):
            return "ErrorCmd"
        return None

    def answer(self, device, link, src, word):
        text = "%s,03,%s,%s,%s" % (device.token, word, device.values["ip"], device.values["mac"])
        if device.reply == "broadcast" or not control.in_networks(device.values["ip"],
                                                                   link.networks):
            dest = (control.BROADCAST, control.REPLY_PORT)
        else:
            dest = (src[0], control.REPLY_PORT)
        self.sim.call_later(device.delay, lambda: self.port.send(
            device.link, device.values["ip"], dest, control.encode_wire(text)))

    def apply(self, device, link, fields):
        mode = fields[12]
        new = {"netmask": fields[7], "gateway": fields[8], "dns": fields[9]}
        new["ip"] = str(device.conf.get("dhcp_ip", fields[5])) if mode == "dhcp" else fields[5]
        old_ip = device.values["ip"]
        device.values.update(new)
        self.sim.log("%s takes %s %s/%s gw %s dns %s" % (device.name, mode, new["ip"],
                                                         new["netmask"], new["gateway"],
                                                         new["dns"]))
        if new["ip"] != old_ip:
            self.sim.claim_address(new["ip"], link.index)
            self.sim.apply_addresses()


def setup(sim):
    if sim.control is None:
        raise RuntimeError("setnetwork needs the control module's port")
    SetNetwork(sim, sim.control)
