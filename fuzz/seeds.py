#!/usr/bin/env python3
"""Writes the seed corpus of one fuzz target from the string literals of its parser's tests.

    fuzz/seeds.py TARGET OUTDIR

The tests hold the captured phone outputs, server replies, headers, URLs, archive names, INI
texts and command lines the parsers were written against; each literal (adjacent literals
joined) becomes one seed file, so the corpora follow the fixtures as they change.
"""
import hashlib
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

FIXTURES = {
    "AndroidManifest": ["tests/downloads/apk/ManifestParserTest.cpp"],
    "ArchiveEntry": ["tests/device/connection/DriverArchiveTest.cpp",
                     "tests/device/connection/ZipBuilder.cpp"],
    "CommandLine": ["tests/platform/CommandLineTest.cpp",
                    "tests/device/bridge/PackageInstallTest.cpp"],
    "DeviceListing": ["tests/device/bridge/AdbDeviceListingTest.cpp",
                      "tests/device/bridge/AdbHostProtocolTest.cpp"],
    "FileNameFromUrl": ["tests/downloads/FileNameFromUrlTest.cpp",
                        "tests/downloads/BrowserUrlTest.cpp"],
    "HostProtocol": ["tests/device/bridge/AdbHostProtocolTest.cpp",
                     "tests/device/bridge/AdbHostClientTest.cpp"],
    "HttpReply": ["tests/webservices/HttpReaderTest.cpp", "tests/webservices/HttpTextTest.cpp",
                  "tests/webservices/WireFormatTest.cpp"],
    "IniText": ["tests/platform/PrivateProfileTest.cpp", "tests/platform/config/IniAccessTest.cpp"],
    "PhoneOutput": ["tests/device/bridge/QueryParsersTest.cpp",
                    "tests/device/bridge/BatteryStorageTest.cpp",
                    "tests/device/bridge/PackageInstallTest.cpp",
                    "tests/device/bridge/PhonePropertiesTest.cpp"],
    "ResponseHeaders": ["tests/engine/ResponseHeadersTest.cpp"],
    "ScriptPayload": ["tests/ui/browser/ScriptPayloadTest.cpp"],
    "WriteBitmap": ["tests/device/display/WriteBitmapTest.cpp"],
}

# Targets whose seeds are binary files written by a generator of their own (the generator writes them into OUTDIR).
GENERATED = {
    "AndroidManifest": "fuzz/seeds/manifests.py",
}

LITERAL = re.compile(r'(?:u8|L|u|U)?"((?:[^"\\\n]|\\.)*)"')
ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "0": "\0", "\\": "\\", '"': '"', "'": "'",
           "a": "\a", "b": "\b", "f": "\f", "v": "\v", "?": "?"}


def decode(body):
    """The bytes of one C++ literal's body."""
    out = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\" or i + 1 >= len(body):
            out += c.encode("utf-8")
            i += 1
            continue
        nxt = body[i + 1]
        if nxt == "x":
            j = i + 2
            while j < len(body) and body[j] in "0123456789abcdefABCDEF":
                j += 1
            out.append(int(body[i + 2:j] or "0", 16) & 0xFF)
            i = j
        elif nxt in "01234567":
            j = i + 1
            while j < len(body) and j < i + 4 and body[j] in "01234567":
                j += 1
            out.append(int(body[i + 1:j], 8) & 0xFF)
            i = j
        else:
            out += ESCAPES.get(nxt, nxt).encode("utf-8")
            i += 2
    return bytes(out)


def literals(text):
    """Each run of adjacent literals as one value."""
    values = []
    current = None
    last_end = -1
    for match in LITERAL.finditer(text):
        between = text[last_end:match.start()] if last_end >= 0 else None
        value = decode(match.group(1))
        if current is not None and between is not None and between.strip() == "":
            current += value
        else:
            if current is not None:
                values.append(current)
            current = value
        last_end = match.end()
    if current is not None:
        values.append(current)
    return values


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in FIXTURES:
        sys.exit("usage: seeds.py {%s} OUTDIR" % ",".join(sorted(FIXTURES)))
    target, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    count = 0
    for relative in FIXTURES[target]:
        path = os.path.join(ROOT, relative)
        if not os.path.exists(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as source:
            for value in literals(source.read()):
                if not value or len(value) > 64 * 1024:
                    continue
                name = hashlib.sha1(value).hexdigest()
                with open(os.path.join(outdir, name), "wb") as seed:
                    seed.write(value)
                count += 1
    if target in GENERATED:
        subprocess.run([sys.executable, os.path.join(ROOT, GENERATED[target]), outdir], check=True)
        count = len(os.listdir(outdir))
    print("%s: %d seeds" % (target, count))


if __name__ == "__main__":
    main()
