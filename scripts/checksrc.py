#!/usr/bin/env python3
"""Source rules for the C and C++ code of the project, in the spirit of curl's checksrc:
no unbounded C string functions, and no SQL text built by formatting or concatenation (SQL
values are bound to prepared statements). Prints every violation and exits 1 when any."""
import os
import re
import sys

SOURCE_DIRS = ["platform", "app", "device", "downloads", "store", "webservices", "ui",
               "resources", "engine", "tools", "tests", "benchmarks"]
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


def check_file(path):
    problems = []
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, raw in enumerate(f, 1):
            line, in_block = strip_comments_and_chars(raw.rstrip("\n"), in_block)
            code = re.sub(r'"(\\.|[^"\\])*"', '""', line)
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
                for number, message in check_file(path):
                    print("%s:%d: %s" % (os.path.relpath(path, root), number, message))
                    failures += 1
    print("checksrc: %d problem(s)" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
