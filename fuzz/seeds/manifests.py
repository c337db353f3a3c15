#!/usr/bin/env python3
"""Writes compiled AndroidManifest.xml files, as the Android build tools write them, for the
AndroidManifest fuzz target's seeds: UTF-8 and UTF-16 string pools, a plain label and a label
reference, attribute names stripped (ids only).

    fuzz/seeds/manifests.py OUTDIR
"""
import os
import struct
import sys

ANDROID = "http://schemas.android.com/apk/res/android"


def pool_string(text, utf8):
    if utf8:
        data = text.encode("utf-8")
        units = len(text.encode("utf-16-le")) // 2

        def length(n):
            return bytes([0x80 | (n >> 8), n & 0xFF]) if n > 0x7F else bytes([n])
        return length(units) + length(len(data)) + data + b"\0"
    data = text.encode("utf-16-le")
    return struct.pack("<H", len(data) // 2) + data + b"\0\0"


def compile_manifest(package, label, label_ref, utf8, strip_names):
    # Strings with attribute ids first: the resource map covers them.
    ids = [("versionCode", 0x0101021B), ("versionName", 0x0101021C), ("label", 0x01010001)]
    strings = [("" if strip_names else n) for n, _ in ids]
    strings += ["android", ANDROID, "manifest", "package", "application", "1.0", package, label]
    index = {s: i for i, s in reversed(list(enumerate(strings)))}

    def ref(s):
        return index[s]
    offsets, data = b"", b""
    for s in strings:
        offsets += struct.pack("<I", len(data))
        data += pool_string(s, utf8)
    data += b"\0" * (-len(data) % 4)
    pool = struct.pack("<HHIIIIII", 1, 28, 28 + len(offsets) + len(data), len(strings), 0,
                       0x100 if utf8 else 0, 28 + len(offsets), 0) + offsets + data
    resmap = struct.pack("<HHI", 0x180, 8, 8 + 4 * len(ids)) + b"".join(
        struct.pack("<I", i) for _, i in ids)
    ns = ref(ANDROID)

    def attr(namespace, name_index, kind, data_value, raw=0xFFFFFFFF):
        return struct.pack("<IIIHBBI", namespace, name_index, raw, 8, 0, kind, data_value)

    def start(name, attrs):
        return struct.pack("<HHIIIIIHHHHHH", 0x102, 16, 36 + 20 * len(attrs), 1, 0xFFFFFFFF,
                           0xFFFFFFFF, ref(name), 20, 20, len(attrs), 0, 0, 0) + b"".join(attrs)

    def end(name):
        return struct.pack("<HHIIIII", 0x103, 16, 24, 1, 0xFFFFFFFF, 0xFFFFFFFF, ref(name))

    def namespace(kind):
        return struct.pack("<HHIIIII", kind, 16, 24, 1, 0xFFFFFFFF, ref("android"), ns)
    label_attr = (attr(ns, 2, 0x01, 0x7F0A0001) if label_ref
                  else attr(ns, 2, 0x03, ref(label), ref(label)))
    body = (namespace(0x100) +
            start("manifest", [attr(ns, 0, 0x10, 7), attr(ns, 1, 0x03, ref("1.0"), ref("1.0")),
                               attr(0xFFFFFFFF, ref("package"), 0x03, ref(package), ref(package))]) +
            start("application", [label_attr]) + end("application") + end("manifest") +
            namespace(0x101))
    return struct.pack("<HHI", 3, 8, 8 + len(pool) + len(resmap) + len(body)) + pool + resmap + body


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    cases = {
        "utf8": ("com.example.hello", "Hello", False, True, False),
        "utf16": ("com.example.hello", "天气 🌦", False, False, False),
        "reference": ("org.example.app", "x", True, True, False),
        "stripped": ("com.example.shrunk", "Shrunk", False, False, True),
    }
    for name, args in cases.items():
        with open(os.path.join(outdir, "manifest-" + name), "wb") as seed:
            seed.write(compile_manifest(*args))


if __name__ == "__main__":
    main()
