"""The phones phonesim plays, the recording of everything they received, and the fake sysfs
tree that mirrors which of them are plugged in."""
import json
import os
import shutil
import socket
import threading
import time

from phone import Phone


class Recorder:
    """Every host request, device service and shell command, in arrival order."""

    def __init__(self, path=None):
        self.lock = threading.Lock()
        self.events = []
        self.path = path
        self.started = time.monotonic()

    def record(self, kind, serial, text):
        with self.lock:
            event = {"seq": len(self.events) + 1, "time": round(time.monotonic() - self.started, 3),
                     "kind": kind, "serial": serial, "text": text}
            self.events.append(event)
            if self.path:
                with open(self.path, "a", encoding="utf-8") as f:
                    f.write(json.dumps(event, ensure_ascii=False) + "\n")

    def snapshot(self):
        with self.lock:
            return list(self.events)

    def clear(self):
        with self.lock:
            self.events.clear()


class Registry:
    def __init__(self, sysfs_root=None, old_errors=False):
        self.lock = threading.RLock()
        self.changed = threading.Condition(self.lock)
        self.phones = []
        self.next_transport = 1
        self.next_port = 1
        self.generation = 0
        self.sysfs_root = sysfs_root
        self.old_errors = old_errors
        self.on_add = None  # called with each new phone before it joins; may refuse it

    def add(self, script, base_dir="."):
        phone = Phone(script, base_dir)
        with self.lock:
            if self.find(phone.serial) is not None:
                raise ValueError("serial %s is already attached" % phone.serial)
            if self.on_add is not None:
                self.on_add(phone)
            phone.transport_id = self.next_transport
            phone.usb_port = "1-%d" % self.next_port
            self.next_transport += 1
            self.next_port += 1
            self.phones.append(phone)
            self._changed()
        return phone

    def remove(self, serial):
        with self.lock:
            phone = self.find(serial)
            if phone is None:
                raise ValueError("no phone %s" % serial)
            phone.plugged = False
            self._drop_connections(phone)
            self._changed()
            self.phones.remove(phone)
            self._write_sysfs(phone)

    def find(self, serial):
        with self.lock:
            return next((p for p in self.phones if p.serial == serial), None)

    def update(self, phone, changes):
        with self.lock:
            phone.update(changes)
            if not phone.usable():
                self._drop_connections(phone)
            self._changed()

    def listing(self, long_form=False):
        with self.lock:
            lines = []
            for phone in self.phones:
                if not phone.listed():
                    continue
                if not long_form:
                    lines.append("%s\t%s\n" % (phone.serial, phone.state))
                    continue
                props = phone.props()
                lines.append("%-22s %s usb:%s product:%s model:%s device:%s transport_id:%d\n" % (
                    phone.serial, phone.state, phone.usb_port, props["ro.product.name"],
                    props["ro.product.model"].replace(" ", "_"), props["ro.product.device"],
                    phone.transport_id))
            return "".join(lines)

    def pick(self, serial=None, transport_id=None):
        """(phone, None) for a usable phone, or (None, adb's error text)."""
        with self.lock:
            listed = [p for p in self.phones if p.listed()]
            if transport_id is not None:
                matches = [p for p in listed if p.transport_id == transport_id]
                missing = "no device with transport id '%d'" % transport_id
            elif serial is not None:
                matches = [p for p in listed if p.serial == serial]
                missing = "device '%s' not found" % serial
            else:
                matches = listed
                missing = "no devices/emulators found"
            if not matches:
                return None, "device not found" if self.old_errors else missing
            if len(matches) > 1:
                return None, "more than one device/emulator"
            if not matches[0].usable():
                return None, matches[0].unusable_reason()
            return matches[0], None

    def wait_change(self, generation, timeout):
        with self.lock:
            if self.generation == generation:
                self.changed.wait(timeout)
            return self.generation

    def _changed(self):
        self.generation += 1
        self.changed.notify_all()
        for phone in self.phones:
            self._write_sysfs(phone)

    def _drop_connections(self, phone):
        for sock in list(phone.active):
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def _write_sysfs(self, phone):
        if not self.sysfs_root:
            return
        folder = os.path.join(self.sysfs_root, "bus", "usb", "devices", phone.usb_port)
        if not phone.plugged or phone not in self.phones:
            shutil.rmtree(folder, ignore_errors=True)
            return
        vid, pid = phone.vid_pid()
        props = phone.props()
        # A new device folder appears whole (built in a staging folder outside the device
        # list, then renamed into it), so a scan never sees a device with only some of its
        # ids; an existing folder has each file replaced atomically.
        target = folder
        if not os.path.isdir(folder):
            target = os.path.join(self.sysfs_root, ".phonesim-staging", phone.usb_port)
            shutil.rmtree(target, ignore_errors=True)
            os.makedirs(os.path.dirname(folder), exist_ok=True)
        os.makedirs(target, exist_ok=True)
        # In device mode the serial is the one the adb server gives the phone.
        for name, value in (("idVendor", vid.lower()), ("idProduct", pid.lower()),
                            ("serial", phone.adb_serial or phone.serial),
                            ("product", props["ro.product.model"]),
                            ("manufacturer", props["ro.product.manufacturer"])):
            path = os.path.join(target, name)
            with open(path + ".tmp", "w", encoding="utf-8") as f:
                f.write(value + "\n")
            os.replace(path + ".tmp", path)
        if target != folder:
            os.rename(target, folder)

    def run_timelines(self, stop_event):
        """Applies each phone's "unplug_at" and "timeline" entries when their time comes."""
        done = set()
        while not stop_event.wait(0.05):
            now = time.monotonic()
            with self.lock:
                for phone in list(self.phones):
                    for index, entry in enumerate(timeline(phone)):
                        key = (id(phone), index)
                        if key not in done and now - phone.started >= float(entry["at"]):
                            done.add(key)
                            self.update(phone, {k: v for k, v in entry.items() if k != "at"})


def timeline(phone):
    entries = list(phone.setting("timeline", []))
    if phone.setting("unplug_at") is not None:
        entries.append({"at": phone.setting("unplug_at"), "plugged": False})
    return entries
