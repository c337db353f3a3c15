"""One scripted phone: the settings from its phone script, and the state that changes while it
runs (adb state, plugged, file system, installed packages, Wi-Fi, install location).

A phone script is a JSON object; every key is optional except "serial". See README.md in this
folder for the full list. Settings are read live from the script, so the control channel can
change any of them while the phone is attached.
"""
import copy
import os
import threading
import time

import vfs

ADB_STATES = ("device", "offline", "recovery", "unauthorized", "bootloader", "sideload", "none")
USABLE_STATES = ("device", "recovery")

DEFAULT_PROPS = {
    "ro.product.model": "Penlow Phone",
    "ro.product.manufacturer": "Penlow",
    "ro.product.brand": "penlow",
    "ro.product.name": "penlow_phone",
    "ro.product.device": "penlow",
    "ro.build.version.release": "4.4.2",
    "ro.build.version.sdk": "19",
    "ro.bootloader": "PL100",
    "gsm.version.baseband": "BB-1.0",
    "init.svc.wpa_supplicant": "running",
}


class Phone:
    def __init__(self, script, base_dir="."):
        if not isinstance(script, dict) or not script.get("serial"):
            raise ValueError("a phone script needs a \"serial\"")
        self.lock = threading.RLock()
        self.script = copy.deepcopy(script)
        self.base_dir = base_dir
        self.serial = str(script["serial"])
        self.state = script.get("state", "device")
        if self.state not in ADB_STATES:
            raise ValueError("unknown state %r" % self.state)
        self.plugged = bool(script.get("plugged", True))
        self.transport_id = 0
        self.usb_port = ""
        self.device_port = None  # device mode: the phone's own adb port
        self.adb_serial = None  # device mode: the serial the adb server gives it
        self.started = time.monotonic()
        self.install_outcomes = list(self.setting("pm", {}).get("install", ["success"]))
        self.install_location = None
        self.packages = set(self.setting("packages", []))
        self.wifi_on = self.setting("wifi", {}).get("supplicant", "running") != "stopped"
        self.tmp_full = self.setting("push_space", "ok") in ("full", "full_until_rm")
        self.active = set()  # open device-service sockets, shut down on unplug
        self.fs = self._build_fs()
        self.wifi_mac_file()

    # -- settings -------------------------------------------------------------------------
    def setting(self, key, default=None):
        value = self.script.get(key, default)
        return default if value is None else value

    def props(self):
        props = dict(DEFAULT_PROPS)
        props.update({k: str(v) for k, v in self.setting("props", {}).items()})
        props["ro.serialno"] = self.serial
        props["init.svc.wpa_supplicant"] = "running" if self.wifi_on else "stopped"
        return props

    def delay(self, key):
        return float(self.setting("delays", {}).get(key, 0) or 0)

    def fault(self, key):
        return self.setting("faults", {}).get(key)

    def vid_pid(self):
        usb = self.setting("usb", {})
        return str(usb.get("vid", "18D1")).upper(), str(usb.get("pid", "4EE2")).upper()

    def listed(self):
        return self.plugged and self.state != "none"

    def usable(self):
        return self.listed() and self.state in USABLE_STATES

    def unusable_reason(self):
        if not self.listed():
            return "device '%s' not found" % self.serial
        if self.state == "unauthorized":
            return ("device unauthorized.\nThis adb server's $ADB_VENDOR_KEYS is not set\n"
                    "Try 'adb kill-server' if that seems wrong.\n"
                    "Otherwise check for a confirmation dialog on your device.")
        return "device %s" % self.state

    def update(self, changes):
        """Merges `changes` into the script (nested objects merge key by key)."""
        with self.lock:
            merge(self.script, changes)
            if "state" in changes:
                if changes["state"] not in ADB_STATES:
                    raise ValueError("unknown state %r" % changes["state"])
                self.state = changes["state"]
            if "plugged" in changes:
                self.plugged = bool(changes["plugged"])
            if "pm" in changes and "install" in changes["pm"]:
                self.install_outcomes = list(changes["pm"]["install"])
            if "packages" in changes:
                self.packages = set(changes["packages"])
            if "wifi" in changes and "supplicant" in changes["wifi"]:
                self.wifi_on = changes["wifi"]["supplicant"] != "stopped"
            if "push_space" in changes:
                self.tmp_full = changes["push_space"] in ("full", "full_until_rm")
            if any(k in changes for k in ("files", "battery", "wifi", "busybox", "push_space")):
                self._add_script_files(self.fs)

    # -- file system ----------------------------------------------------------------------
    def _build_fs(self):
        fs = vfs.PhoneFs(self.setting("data_writable", False), self.script.get("shell_writable"))
        self._add_script_files(fs)
        return fs

    def _add_script_files(self, fs):
        battery = self.script.get("battery", {"value": "85"})
        if battery:
            path = battery.get("path", "/sys/class/power_supply/battery/capacity")
            fs.put_file(path, str(battery.get("value", "85")) + "\n",
                        root_only=bool(battery.get("root_only", False)))
        wifi = self.setting("wifi", {})
        for kind, default in (("usb", "02:00:00:00:00:01"), ("eth", None)):
            mac = wifi.get(kind + "_mac", default)
            if mac:
                fs.put_file("/sys/class/net/%s0/address" % kind, mac + "\n",
                            root_only=bool(wifi.get("root_only", False)))
        if self.setting("push_space", "ok") in ("full", "full_until_rm"):
            # Something has to occupy /data/local/tmp for "rm /data/local/tmp/*" to free it.
            fs.put_file("/data/local/tmp/leftover.bin", b"\0" * 64)
        if self.setting("busybox", "pushed") == "preinstalled":
            fs.put_file("/system/xbin/busybox", b"busybox", mode=0o755)
        for path, entry in self.setting("files", {}).items():
            if entry is None:
                continue
            if isinstance(entry, dict):
                if entry.get("dir"):
                    fs.make_dirs(path)
                    continue
                fs.put_file(path, entry.get("content", ""), int(str(entry.get("mode", "644")), 8),
                            bool(entry.get("root_only", False)))
            else:
                fs.put_file(path, entry)

    def wifi_mac_file(self):
        """The wlan address file exists only while Wi-Fi is switched on."""
        mac = self.setting("wifi", {}).get("mac", "02:00:00:00:00:02")
        path = "/sys/class/net/wlan0/address"
        if self.wifi_on and mac:
            self.fs.put_file(path, mac + "\n",
                             root_only=bool(self.setting("wifi", {}).get("root_only", False)))
        elif self.fs.get(path) is not None:
            del self.fs.nodes[path]
            if not self.fs.children("/sys/class/net/wlan0"):
                self.fs.nodes.pop("/sys/class/net/wlan0", None)

    def next_install_outcome(self, consume=True):
        with self.lock:
            if not self.install_outcomes:
                return "success"
            outcome = self.install_outcomes[0]
            if consume and len(self.install_outcomes) > 1:
                self.install_outcomes.pop(0)
            return outcome

    def summary(self):
        vid, pid = self.vid_pid()
        summary = {"serial": self.serial, "state": self.state, "plugged": self.plugged,
                   "vid": vid, "pid": pid, "transport_id": self.transport_id,
                   "usb_port": self.usb_port, "install_location": self.install_location,
                   "packages": sorted(self.packages), "wifi_on": self.wifi_on}
        if self.device_port is not None:
            summary.update(device_port=self.device_port, adb_serial=self.adb_serial)
        return summary

    def resolve(self, relative):
        return relative if os.path.isabs(relative) else os.path.join(self.base_dir, relative)


def merge(target, changes):
    for key, value in changes.items():
        if isinstance(value, dict) and isinstance(target.get(key), dict):
            merge(target[key], value)
        else:
            target[key] = copy.deepcopy(value)
