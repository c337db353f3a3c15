#!/usr/bin/env python3
"""Runs checksrc.py over scripts/checksrc-fixture and compares what it reports, line by line,
with the violations the fixture files contain: every one must be found, and nothing else (the
allowed includes, comments, strings and the tools/ folder must stay quiet)."""
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
EXPECTED = {
    ("platform/bad.cpp", 3): "banned function sprintf",
    ("platform/bad.cpp", 4): "banned function strcpy",
    ("platform/bad.cpp", 5): "banned function atoi",
    ("platform/bad.cpp", 6): "SQL text built",
    ("platform/bad.cpp", 7): "SQL text built",
    ("platform/bad.cpp", 8): "banned function sscanf",
    ("platform/config/ReachesUp.cpp", 3): "layer: platform .* device/bridge/AdbCommands.h",
    ("device/connection/ReachesAcross.cpp", 6): "layer: device .* webservices/SoapCalls.h",
    ("device/connection/ReachesAcross.cpp", 7): "layer: device .* downloads/CKivDownQueue.h",
    ("device/connection/ReachesAcross.cpp", 8): "layer: device .* ui/toolkit/KivMessaging.h",
    ("device/connection/ReachesAcross.cpp", 9): "layer: device .* app/CKivOrviaApp.h",
    ("pages/store/ReachesOtherPages.cpp", 5): "layer: pages/store .* pages/device/CKivSbxxDlg.h",
    ("pages/store/ReachesOtherPages.cpp", 6):
        "layer: pages/store .* pages/downloads/CKivXzglDlg.h",
    ("pages/store/ReachesOtherPages.cpp", 9): "wiring setter SetStartDownloadHook",
    ("app/ReachesTheTour.cpp", 3): "layer: app .* app/tour/PenlowTour.h",
}


def main():
    run = subprocess.run([sys.executable, os.path.join(HERE, "checksrc.py"),
                          os.path.join(HERE, "checksrc-fixture")],
                         capture_output=True, text=True)
    failures = []
    if run.returncode != 1:
        failures.append("checksrc exited %d, expected 1" % run.returncode)
    reported = {}
    for line in run.stdout.splitlines():
        match = re.match(r"^(.+?):(\d+): (.*)$", line)
        if match:
            reported[(match.group(1), int(match.group(2)))] = match.group(3)
    for where, pattern in EXPECTED.items():
        message = reported.pop(where, None)
        if message is None or not re.search(pattern, message):
            failures.append("%s:%d: expected /%s/, got %r" % (where + (pattern, message)))
    for where, message in reported.items():
        failures.append("%s:%d: unexpected %r" % (where + (message,)))
    for failure in failures:
        print(failure)
    print("checksrc fixture: %s" % ("FAILED" if failures else "all violations found"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
