#!/usr/bin/env python3
"""Runs Penlow against a simulated phone and the development servers on free loopback ports.

    demo.py [--build DIR] [--check] [--screens DIR] [--phone-mode device|host]

With a display (DISPLAY set, no --check) the window opens for the user, who logs in as
demo / demo and plugs the phone in with the command printed here. Without a display the program
runs under its own Xvfb and takes the scripted tour: it saves a screenshot at each stop in the
screens folder (default BUILD/screens, files demo-NN-*.png). --check takes the same tour without
screenshots, asserting what a user would see at each stop, then checks what happened outside the
window: the package on disk, the package on the phone, the reports the web service received.

The phone: by default (--phone-mode device) phonesim plays the phone's side of adb and the
system's real adb server sits between it and the program: a server of this run's own on a free
port (never 5037), its HOME and log in the run's folder, told about the phone by phonesim
(--announce-to) also after the program restarts it; the phone is emulator-N there. With
--phone-mode host phonesim stands in for the adb server itself, as the fault tests use it.

Everything started here is ended by process id (an adb server by `adb -P PORT kill-server` on
its port) when the script leaves, also on Ctrl-C.
"""
import argparse
import hashlib
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import homescreen  # noqa: E402

PHONE_SERIAL = "PSIM0001"
ACCOUNT = ("demo", "demo")
READY_SECONDS = 30
PHONE_MODES = ("device", "host")
# Packages come at about 300 KB/s when someone watches (the window or the pictures), so the
# downloading tab shows a download under way; the checked journey takes them at full speed.
WATCHABLE_RATE = 300 * 1024


class Processes:
    """The processes this run started, ended in reverse order by their ids."""

    def __init__(self):
        self.started = []

    def start(self, args, log_path, **kwargs):
        log = open(log_path, "wb")
        proc = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT,
                                start_new_session=True, **kwargs)
        self.started.append(proc)
        return proc

    def end_all(self):
        for proc in reversed(self.started):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for proc in reversed(self.started):
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()


def wait_listening(proc, log_path):
    """Waits for a server's "ready" line and returns its {name: port} listeners."""
    deadline = time.monotonic() + READY_SECONDS
    while time.monotonic() < deadline:
        with open(log_path, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        if "ready" in lines:
            ports = {}
            for line in lines:
                parts = line.split()
                if len(parts) == 3 and parts[0] == "listening":
                    ports[parts[1]] = int(parts[2])
            return ports
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    with open(log_path, encoding="utf-8", errors="replace") as f:
        raise SystemExit("demo: a server did not start:\n" + f.read())


def free_port():
    """A loopback port free now, never adb's 5037."""
    while True:
        with socket.socket() as sock:
            sock.bind(("127.0.0.1", 0))
            port = sock.getsockname()[1]
        if port != 5037:
            return port


def adb_environment(work):
    """What every adb process of the run sees: the run's HOME (its key pair lands there) and
    server log; the program gets the same, so a server it starts again does too."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("ANDROID_SERIAL", "ADB_VENDOR_KEYS", "ADB_TRACE")}
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    env.update(HOME=home, ANDROID_ADB_LOG_PATH=os.path.join(work, "adb-server.log"))
    return env


class AdbServer:
    """The system's adb server on a port of the run's own; end() stops whatever server runs
    on that port then (the program may have started it again) and waits for the port to
    close."""

    def __init__(self, work, port=None):
        """Starts a server, or with `port` only takes charge of that port (phonesim's host
        mode: once phonesim is gone, the next adb client starts a real server there)."""
        self.env = adb_environment(work)
        self.port = port
        if port:
            return
        for _ in range(5):
            port = free_port()
            started = subprocess.run(["adb", "-P", str(port), "start-server"],
                                     capture_output=True, timeout=60, env=self.env)
            self.port = port
            if started.returncode == 0:
                return
        raise SystemExit("demo: the adb server did not start:\n%s" % started.stderr.decode())

    def end(self):
        subprocess.run(["adb", "-P", str(self.port), "kill-server"], capture_output=True,
                       timeout=20, env=self.env)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
            except OSError:
                return
            time.sleep(0.05)


def start_phone(procs, work, mode):
    """phonesim playing the demo's phone; {"adb": the port the program's adb uses, "control":
    phonesim's control port, "serial": the phone's serial there, "server": the AdbServer in
    charge of that port}."""
    args = [sys.executable, "-u", os.path.join(REPO, "tools", "phonesim", "phonesim.py"),
            "--sysfs-root", os.path.join(work, "sysfs")]
    server = AdbServer(work) if mode == "device" else None
    if server is not None:
        args += ["--device-port", "0", "--announce-to", str(server.port)]
    else:
        args += ["--port", "0"]
    log_path = os.path.join(work, "phonesim.out")
    proc = procs.start(args + [os.path.join(work, "phone.json")], log_path)
    phone = {"server": server, "serial": PHONE_SERIAL}
    try:
        ports = wait_listening(proc, log_path)
    except SystemExit:
        if server is not None:
            server.end()
        raise
    phone["control"] = ports["control"]
    phone["adb"] = server.port if server is not None else ports["adb"]
    phone["server"] = server or AdbServer(work, port=ports["adb"])
    with open(log_path, encoding="utf-8") as f:
        for line in f:
            words = line.split()
            if words[:1] == ["serial"] and words[2:] == [PHONE_SERIAL]:
                phone["serial"] = words[1]
    return phone


def write_json(path, value):
    with open(path, "w", encoding="utf-8") as f:
        json.dump(value, f, ensure_ascii=False, indent=1)


def make_data(work):
    """The phone script, the web service's answers and the login account."""
    screen = os.path.join(work, "homescreen.ppm")
    with open(screen, "wb") as f:
        f.write(homescreen.draw(480, 800))
    write_json(os.path.join(work, "phone.json"), {
        "serial": PHONE_SERIAL,
        "plugged": False,
        "usb": {"vid": "18D1", "pid": "4EE2"},
        "props": {"ro.product.model": "Penlow P1", "ro.product.manufacturer": "Penlow",
                  "ro.product.device": "p1", "ro.build.version.release": "4.4.2"},
        "su": "works",
        "battery": {"path": "/sys/class/power_supply/battery/capacity", "value": "85"},
        "df": {"toolbox": "4096", "data": {"size_mb": 12288, "used_mb": 5120, "free_mb": 7168},
               "sdcard": {"size_mb": 30436, "used_mb": 9216, "free_mb": 21220}},
        "imei": "860000000000001",
        "wifi": {"supplicant": "running", "mac": "02:1a:11:f0:3c:5e", "usb_mac": "02:1a:11:f0:3c:5f"},
        "screen": {"width": 480, "height": 800, "format": "rgba8888", "image": screen},
        # An install takes a moment on a real phone; the tour photographs it.
        "delays": {"pm": 2.0},
    })
    write_json(os.path.join(work, "soap.json"), {
        "devices": [{"vid": "18d1", "pid": "4ee2", "devicetype": "INI"}],
        "models": [{"model": "Penlow P1", "device": "p1", "showname": "Penlow P1",
                    "machineid": "1"}],
    })
    write_json(os.path.join(work, "accounts.json"), {
        "accounts": [{"user": ACCOUNT[0], "password": ACCOUNT[1], "uid": "1001", "name": "Demo"}]})


def make_program_folder(build, work, ports, tour):
    """A program folder of the run's own: links to the built program, a configuration that
    points at the servers of this run. A tour runs the tour executable (the program with its
    scripted walk) in the program's place."""
    shipped = os.path.join(build, "Penlow")
    folder = os.path.join(work, "Penlow")
    for sub in ("data", "image", "updata", "bin"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    # The program takes its folder from its own executable's real path: a copy, not a link.
    program = os.path.join(build, "bin", "penlow-tour") if tour else os.path.join(shipped, "Penlow")
    shutil.copy2(program, os.path.join(folder, "Penlow"))
    for item in ("download_engine.so", "skins", "logo.ico", "logo.png"):
        if os.path.exists(os.path.join(shipped, item)):
            os.symlink(os.path.join(shipped, item), os.path.join(folder, item))
    os.symlink(os.path.join(shipped, "bin", "Korvash"), os.path.join(folder, "bin", "Korvash"))
    for name in ("arginfo.dat",):
        src = os.path.join(shipped, "data", name)
        if os.path.exists(src):
            shutil.copy(src, os.path.join(folder, "data", name))
    with open(os.path.join(REPO, "resources", "data", "Config.ini"), encoding="utf-8") as f:
        config = f.read()
    config = config.replace("[WebService]\nhost=localhost\nport=80",
                            "[WebService]\nhost=127.0.0.1\nport=%d" % ports["soap"])
    with open(os.path.join(folder, "data", "Config.ini"), "w", encoding="utf-8") as f:
        f.write(config)
    return folder


def program_environment(work, ports, phone, screens, check):
    env = adb_environment(work)
    home = os.path.join(work, "home")
    for sub in ("Documents", ".config", ".cache", ".local/share"):
        os.makedirs(os.path.join(home, sub), exist_ok=True)
    env.update({
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "XDG_DATA_HOME": os.path.join(home, ".local/share"),
        "XDG_DOCUMENTS_DIR": os.path.join(home, "Documents"),
        "ANDROID_ADB_SERVER_PORT": str(phone["adb"]),
        "PENLOW_SYSFS_ROOT": os.path.join(work, "sysfs"),
        "PENLOW_LOGIN_HOST": "127.0.0.1",
        "PENLOW_LOGIN_PORT": str(ports["login"]),
        "PENLOW_STORE_HOST": "127.0.0.1:%d" % ports["store"],
        "QTWEBENGINE_DISABLE_SANDBOX": "1",
    })
    if screens is not None or check:
        env["PENLOW_TOUR"] = "check" if check else "screens"
        env["PENLOW_TOUR_SCREENS"] = screens or ""
        env["PENLOW_TOUR_PHONE_CONTROL"] = "%s %s ctl %d" % (
            sys.executable, os.path.join(REPO, "tools", "phonesim", "phonesim.py"),
            phone["control"])
        env["PENLOW_TOUR_ACCOUNT"] = "%s %s" % ACCOUNT
    return env


def start_xvfb(procs, work):
    """A display of the run's own; returns its DISPLAY value."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp"], pass_fds=(write_fd,), start_new_session=True,
                            stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "xvfb.log"), "wb"))
    procs.started.append(proc)
    os.close(write_fd)
    number = b""
    with os.fdopen(read_fd, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                raise SystemExit("demo: Xvfb did not start")
            number += chunk
    return ":" + number.decode().strip()


def md5_of(path):
    digest = hashlib.md5()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def check_outside(work, env, phone, tour_report):
    """What the tour cannot see from the window: the package on disk and on the phone, and the
    reports the web service received. Returns a list of failures."""
    failures = []
    package, path = tour_report.get("package"), tour_report.get("file")
    served = os.path.join(work, "store", "%s.apk" % package)
    if not package or not path or not os.path.exists(path):
        failures.append("the downloaded package %r is not on disk" % path)
    elif not os.path.exists(served) or md5_of(path) != md5_of(served):
        failures.append("MD5 of %s differs from the served %s" % (path, served))
    # The tour ends with the phone unplugged: plug it in again to ask it.
    subprocess.run([sys.executable, os.path.join(REPO, "tools", "phonesim", "phonesim.py"), "ctl",
                    str(phone["control"]), "plug", PHONE_SERIAL], capture_output=True, timeout=20)
    for _ in range(40):
        adb = subprocess.run(["adb", "-P", str(phone["adb"]), "-s", phone["serial"], "shell", "pm",
                              "list", "packages"], capture_output=True, text=True, timeout=30, env=env)
        if adb.returncode == 0 and adb.stdout:
            break
        time.sleep(0.25)
    if "package:%s" % package not in adb.stdout:
        failures.append("the phone does not list package %r:\n%s%s" % (package, adb.stdout, adb.stderr))
    reports_path = os.path.join(work, "soap-reports.txt")
    reports = open(reports_path, encoding="utf-8").read() if os.path.exists(reports_path) else ""
    machine = [l for l in reports.splitlines() if l.startswith("SaveVCMachineLog")]
    install = [l for l in reports.splitlines() if l.startswith("SaveVCApkLog")]
    if not machine:
        failures.append("no machine report reached the web service")
    if not any(("=%s" % package) in l for l in install):
        failures.append("no install report for %r reached the web service:\n%s" % (package, reports))
    return failures


def timed(args, env):
    start = time.monotonic()
    subprocess.run(args, capture_output=True, timeout=120, env=env)
    return (time.monotonic() - start) * 1000.0


# Waits the program keeps on purpose within each stage, at most, in milliseconds: the USB
# watcher's 300 ms period, the connecting page's 2 s before its first adb check and the adb
# server's two 100 ms answer pauses (device listing, screenshot); the download queue's 100 ms
# scheduler and the running download's 1 s progress poll (the flying icon's flight is measured
# by the tour); the install thread's 100 ms poll.
PRESCRIBED_PAUSES_MS = {
    "plug_to_connected_ms": 300 + 2000 + 100 + 100,
    "click_to_download_start_ms": 100 + 1000,
    "download_end_to_install_result_ms": 100,
}


def print_stage_ratios(report, work, env, ports, phone):
    """The tour's stage times against the raw operations they are made of, measured in the same
    run, after taking off the pauses the program keeps on purpose. Raw operations: adb devices;
    fetching the package with curl; adb install of it, and also the whole install sequence the
    program runs (install location, uninstall of an older copy, install)."""
    package = report.get("package")
    served = os.path.join(work, "store", "%s.apk" % package)
    adb = ["adb", "-P", str(phone["adb"]), "-s", phone["serial"]]
    install = timed(adb + ["install", "-r", served], env)
    sequence = (timed(adb + ["shell", "pm", "setInstallLocation", "2"], env) +
                timed(adb + ["shell", "pm", "uninstall", package], env) +
                timed(adb + ["install", "-r", served], env))
    raw = {
        "plug_to_connected_ms": [("adb devices", timed(adb[:3] + ["devices"], env))],
        "click_to_download_start_ms": [("curl of the package", timed(
            ["curl", "-s", "-o", os.devnull, "http://127.0.0.1:%d/files/%s.apk" % (ports["store"], package)],
            env))],
        "download_end_to_install_result_ms": [("adb install", install), ("install sequence", sequence)],
    }
    stages = report.get("stages", {})
    for stage, bases in sorted(raw.items()):
        ms = stages.get(stage, -1)
        if ms < 0:
            continue
        pauses = PRESCRIBED_PAUSES_MS[stage]
        if stage == "click_to_download_start_ms":
            pauses += max(0, stages.get("click_to_flight_end_ms", 0))
        work_ms = max(0.0, ms - pauses)
        for name, base in bases:
            print("demo: stage %-34s %6.0f ms = pauses up to %5.0f + work %6.0f ms; %s %6.0f ms; "
                  "work / raw %.2f" % (stage, ms, pauses, work_ms, name, base, work_ms / max(base, 1.0)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(REPO, "build"))
    parser.add_argument("--check", action="store_true", help="tour with assertions, no screenshots")
    parser.add_argument("--screens", help="folder of the tour's screenshots (default BUILD/screens)")
    parser.add_argument("--phone-mode", choices=PHONE_MODES, default=PHONE_MODES[0],
                        help="device: phonesim behind the real adb server (default); host: "
                             "phonesim as the adb server")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    for program in (os.path.join(build, "Penlow", "Penlow"), os.path.join(build, "bin", "penlow-tour")):
        if not os.access(program, os.X_OK):
            raise SystemExit("demo: no %s (build first)" % program)

    interactive = bool(os.environ.get("DISPLAY")) and not args.check
    screens = None
    if not interactive and not args.check:
        screens = os.path.abspath(args.screens or os.path.join(build, "screens"))
        os.makedirs(screens, exist_ok=True)
        for name in os.listdir(screens):
            if name.startswith("demo-") and name.endswith(".png"):
                os.remove(os.path.join(screens, name))

    work = tempfile.mkdtemp(prefix="penlow-demo.")
    procs = Processes()
    phone = None
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        make_data(work)
        services = procs.start([sys.executable, "-u", os.path.join(REPO, "tools", "devservices", "devservices.py"),
                                "--soap-data", os.path.join(work, "soap.json"),
                                "--soap-reports", os.path.join(work, "soap-reports.txt"),
                                "--login-accounts", os.path.join(work, "accounts.json"),
                                "--store-files", os.path.join(work, "store"),
                                "--store-files-rate", str(0 if args.check else WATCHABLE_RATE),
                                "--log", os.path.join(work, "requests.jsonl")],
                               os.path.join(work, "devservices.out"))
        ports = wait_listening(services, os.path.join(work, "devservices.out"))
        phone = start_phone(procs, work, args.phone_mode)
        print("demo: the phone is %s behind %s on port %d" % (
            phone["serial"], "the real adb server" if args.phone_mode == "device" else "phonesim",
            phone["adb"]))
        folder = make_program_folder(build, work, ports, tour=not interactive)
        env = program_environment(work, ports, phone, screens, args.check)
        report_path = os.path.join(work, "tour.json")
        env["PENLOW_TOUR_REPORT"] = report_path

        ctl = "%s %s ctl %d" % (sys.executable, os.path.join(REPO, "tools", "phonesim", "phonesim.py"),
                                phone["control"])
        if interactive:
            print("Penlow demo: log in as %s / %s" % ACCOUNT)
            print("  plug the phone in:  %s plug %s" % (ctl, PHONE_SERIAL))
            print("  unplug it:          %s unplug %s" % (ctl, PHONE_SERIAL))
        else:
            env["DISPLAY"] = start_xvfb(procs, work)
        program = procs.start(["./Penlow"], os.path.join(work, "penlow.log"), cwd=folder, env=env)
        status = program.wait()
        if interactive:
            return 0
        with open(os.path.join(work, "penlow.log"), encoding="utf-8", errors="replace") as f:
            log = f.read()
        tour_lines = [l for l in log.splitlines() if l.startswith("tour:")]
        print("\n".join(tour_lines))
        if status != 0:
            print("demo: the tour failed (program status %d); the program said:\n%s" % (status, log[-4000:]),
                  file=sys.stderr)
            return 1
        report = json.load(open(report_path, encoding="utf-8")) if os.path.exists(report_path) else {}
        if args.check:
            failures = check_outside(work, env, phone, report)
            for failure in failures:
                print("demo: " + failure, file=sys.stderr)
            if failures:
                return 1
            print("demo: the whole journey held")
            print_stage_ratios(report, work, env, ports, phone)
        else:
            shots = sorted(n for n in os.listdir(screens) if n.startswith("demo-"))
            print("demo: %d screenshots in %s:" % (len(shots), screens))
            for name in shots:
                print("  " + name)
        return 0
    finally:
        procs.end_all()
        if phone:
            # Whatever adb server runs on the run's port now (ours, one the program started
            # again, or one the real client started where phonesim was) is this run's alone.
            phone["server"].end()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
