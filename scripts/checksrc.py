#!/usr/bin/env python3
"""Source rules for the C and C++ code of the project, in the spirit of curl's checksrc:
no unbounded C string functions, no SQL text built by formatting or concatenation (SQL
values are bound to prepared statements), and no include that reaches across the layers
docs/layout.md describes. Prints every violation and exits 1 when any."""
import os
import re
import sys

SOURCE_DIRS = ["platform", "app", "device", "downloads", "pages", "webservices", "ui",
               "resources", "engine", "tools", "tests", "benchmarks", "fuzz"]
EXTENSIONS = (".c", ".cc", ".cpp", ".h", ".hpp")
BANNED_CALLS = ["sprintf", "vsprintf", "strcpy", "strcat", "sscanf", "atoi", "atol", "strtok",
                "gets"]
BANNED_RE = re.compile(r"(?<![\w:.>])(?:std::)?(" + "|".join(BANNED_CALLS) + r")\s*\(")
SQL_WORDS = r"(SELECT|INSERT|UPDATE|DELETE|CREATE|DROP|ALTER|REPLACE)\b"
SQL_LITERAL = r'"[^"\n]*\b' + SQL_WORDS + r'[^"\n]*"'
# SQL literal glued to something with + (before or after), or fed to a formatter.
SQL_BUILT_RES = [
    re.compile(SQL_LITERAL + r"\s*\+(?!\+)"),
    re.compile(r"\+\s*" + SQL_LITERAL),
    re.compile(r"(snprintf|format|asprintf|QString::asprintf)\s*\([^;]*" + SQL_LITERAL,
               re.IGNORECASE),
    re.compile(SQL_LITERAL + r"\s*\)\s*\.arg\s*\("),
    re.compile(r"sqlite3_mprintf\s*\("),
]


# The layers, lowest first. A folder belongs to the component of its longest listed prefix; a
# file may include headers of its own component and of components in lower layers, nothing
# else. Components of one layer are independent of each other: what one needs from another
# is handed to it as a function object or small interface where the program is put together
# (app/). Folders not listed here (tools/, tests/, benchmarks/, fuzz/) may include everything.
LAYERS = [
    # (layer, component, folders)
    (0, "platform", ["platform", "platform/config"]),
    (1, "device", ["device"]),
    (1, "downloads", ["downloads"]),
    (1, "engine", ["engine"]),
    (1, "webservices", ["webservices"]),
    (1, "resources", ["resources"]),
    (2, "ui", ["ui/toolkit", "ui/browser"]),
    (3, "pages/device", ["pages/device"]),
    (3, "pages/store", ["pages/store"]),
    (3, "pages/downloads", ["pages/downloads"]),
    (4, "app", ["app"]),
    (5, "tour", ["app/tour"]),
]
# Pages and the UI get their collaborators through constructors from where the program is put
# together (app/ProgramServices); a global setter there, with a default standing in when the
# program forgets to call it, hid a fault once. The process-wide ScriptRequestHook, which
# InitBrowserSupport sets, is the one hook of those layers.
WIRING_SETTER_RE = re.compile(
    r"^\s*(?:static\s+)?void\s+(Set\w*(?:Hook|Services|Factory|Lookup|Setup))\s*\(")
WIRING_SETTER_ALLOWED = {"SetScriptRequestHook"}
WIRING_SETTER_DIRS = ("pages/", "ui/")

LAYER_NAMES = {0: "platform", 1: "subsystem", 2: "UI toolkit", 3: "page", 4: "application",
               5: "tour"}
INCLUDE_RE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def component_of(path):
    """(layer, component) of a path relative to the root, or None when it is in no layer."""
    best = None
    for layer, name, folders in LAYERS:
        for folder in folders:
            if path == folder or path.startswith(folder + "/"):
                if best is None or len(folder) > best[0]:
                    best = (len(folder), layer, name)
    return None if best is None else (best[1], best[2])


def include_problem(source, included):
    """Why `source` (relative path) may not include `included` (as written), or None."""
    here = component_of(source)
    there = component_of(included)
    if here is None or there is None or here[1] == there[1]:
        return None
    if there[0] < here[0]:
        return None
    if there[0] == here[0]:
        return "%s may not include %s (same layer: pass it in from app/)" % (here[1], included)
    return "%s (%s layer) may not include %s (%s layer)" % (
        here[1], LAYER_NAMES[here[0]], included, LAYER_NAMES[there[0]])


def strip_comments_and_chars(line, in_block):
    out = []
    i = 0
    while i < len(line):
        if in_block:
            end = line.find("*/", i)
            if end < 0:
                return "".join(out), True
            i = end + 2
            in_block = False
            continue
        if line.startswith("//", i):
            break
        if line.startswith("/*", i):
            in_block = True
            i += 2
            continue
        out.append(line[i])
        i += 1
    return "".join(out), in_block


def check_file(path, relative):
    problems = []
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, raw in enumerate(f, 1):
            include = None if in_block else INCLUDE_RE.match(raw)
            if include:
                reason = include_problem(relative, include.group(1))
                if reason:
                    problems.append((number, "layer: " + reason))
            line, in_block = strip_comments_and_chars(raw.rstrip("\n"), in_block)
            code = re.sub(r'"(\\.|[^"\\])*"', '""', line)
            setter = WIRING_SETTER_RE.match(code)
            if (setter and relative.startswith(WIRING_SETTER_DIRS)
                    and setter.group(1) not in WIRING_SETTER_ALLOWED):
                problems.append((number, "wiring setter %s(): pass it through a constructor"
                                 % setter.group(1)))
            match = BANNED_RE.search(code)
            if match:
                problems.append((number, "banned function %s()" % match.group(1)))
            for rule in SQL_BUILT_RES:
                if rule.search(line):
                    problems.append((number, "SQL text built by formatting; bind values"))
                    break
    return problems


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    failures = 0
    for top in SOURCE_DIRS:
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith(EXTENSIONS):
                    continue
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, root).replace(os.sep, "/")
                for number, message in check_file(path, relative):
                    print("%s:%d: %s" % (relative, number, message))
                    failures += 1
    print("checksrc: %d problem(s)" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
