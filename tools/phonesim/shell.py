"""The scripted phone's shell: runs one command line the way an Android toolbox shell of the
time would answer it, as the shell user or as root. Only the commands the program uses are
known (getprop, su, mkdir, rmdir, cat, find, df, pm, svc, dumpsys, chmod, rm, ls, echo, id and a
pushed busybox); anything else is "not found"."""
import fnmatch
import posixpath
import re
import shlex
import time

import dftext
import packages
from vfs import FsError, normalize

REDIRECT = re.compile(r"\s*(\d?>>?|<)\s*(&\d|[^\s;&|]+)")
SEPARATORS = {";", "&&", "||", "|", "&"}
BUSYBOX_APPLETS = {"df", "find", "cat", "ls", "rm", "chmod", "mkdir", "rmdir", "echo"}


class Context:
    """Who runs the line: the phone, root or not, and the recorder."""

    def __init__(self, phone, root, record):
        self.phone = phone
        self.root = root
        self.record = record


def split_commands(line):
    """Words of each command in `line` (separated by ; && || |), redirections dropped."""
    line = REDIRECT.sub(" ", line)
    try:
        lexer = shlex.shlex(line, posix=True, punctuation_chars=";&|")
        lexer.whitespace_split = True
        words = list(lexer)
    except ValueError:
        words = line.split()
    commands, current = [], []
    for word in words:
        if word in SEPARATORS:
            if current:
                commands.append(current)
            current = []
        else:
            current.append(word)
    if current:
        commands.append(current)
    return commands


def run_line(ctx, line):
    """Runs one command line. Returns (output, action) where action is None, "su" (start a
    root shell reading stdin) or "exit"."""
    ctx.record("command", ("# " if ctx.root else "$ ") + line.strip())
    output = []
    for words in split_commands(line):
        text, action = run_words(ctx, words)
        output.append(text)
        if action:
            return "".join(output), action
    return "".join(output), None


def run_words(ctx, words):
    name = posixpath.basename(words[0])
    args = words[1:]
    delay = ctx.phone.delay(name)
    if delay > 0:
        time.sleep(delay)
    if name == "exit":
        return "", "exit"
    if name == "su":
        return run_su(ctx, args)
    if words[0].endswith("busybox"):
        return run_busybox(ctx, words[0], args), None
    handler = COMMANDS.get(name)
    if handler is None or ctx.phone.setting(name) == "missing":
        return "/system/bin/sh: %s: not found\n" % words[0], None
    with ctx.phone.lock:
        return handler(ctx, args), None


def run_su(ctx, args):
    mode = ctx.phone.setting("su", "works")
    if mode == "missing":
        return "/system/bin/sh: su: not found\n", None
    if mode == "refused":
        return "su: permission denied\n", None
    if not args:
        return "", "su"
    rest = args[1:] if args[0] in ("-c", "0", "root") else args
    if rest and rest[0] == "-c":
        rest = rest[1:]
    root_ctx = Context(ctx.phone, True, ctx.record)
    return run_line(root_ctx, " ".join(rest))


def expand(ctx, words):
    result = []
    for word in words:
        matches = ctx.phone.fs.glob(word)
        result.extend(matches if matches else [word])
    return result


def cmd_getprop(ctx, args):
    props = ctx.phone.props()
    if args:
        return props.get(args[0], "") + "\n"
    text = ctx.phone.setting("getprop_text")
    if text is not None:
        return text
    return "".join("[%s]: [%s]\n" % (k, props[k]) for k in sorted(props))


def cmd_id(ctx, args):
    if ctx.root:
        return "uid=0(root) gid=0(root)\n"
    return "uid=2000(shell) gid=2000(shell) groups=1003(graphics),1004(input),1007(log)\n"


def cmd_echo(ctx, args):
    return " ".join(args) + "\n"


def cmd_mkdir(ctx, args):
    out = []
    for path in [a for a in args if not a.startswith("-")]:
        try:
            if "-p" in args:
                if ctx.phone.fs.get(path) is None:
                    ctx.phone.fs.mkdir(path, ctx.root)
            else:
                ctx.phone.fs.mkdir(path, ctx.root)
        except FsError as error:
            out.append("mkdir failed for %s, %s\n" % (path, error))
    return "".join(out)


def cmd_rmdir(ctx, args):
    out = []
    for path in args:
        try:
            ctx.phone.fs.rmdir(path, ctx.root)
        except FsError as error:
            out.append("rmdir failed for %s, %s\n" % (path, error))
    return "".join(out)


def cmd_cat(ctx, args):
    out = []
    for path in expand(ctx, args):
        try:
            out.append(ctx.phone.fs.read(path, ctx.root).decode("utf-8", "replace"))
        except FsError as error:
            out.append("cat: %s: %s\n" % (path, error))
    return "".join(out)


def cmd_ls(ctx, args):
    paths = [a for a in args if not a.startswith("-")] or ["/"]
    out = []
    for path in expand(ctx, paths):
        node = ctx.phone.fs.get(path)
        if node is None:
            out.append("%s: No such file or directory\n" % path)
        elif node.is_dir:
            out.extend(posixpath.basename(c) + "\n" for c in ctx.phone.fs.children(path))
        else:
            out.append(path + "\n")
    return "".join(out)


def cmd_find(ctx, args):
    starts, pattern, kind = [], None, None
    i = 0
    while i < len(args):
        if args[i] == "-name" and i + 1 < len(args):
            pattern, i = args[i + 1], i + 2
        elif args[i] == "-type" and i + 1 < len(args):
            kind, i = args[i + 1], i + 2
        else:
            starts.append(args[i])
            i += 1
    out = []
    for start in starts or ["."]:
        top = normalize(start)
        if ctx.phone.fs.get(top) is None:
            out.append("find: %s: No such file or directory\n" % start)
            continue
        for path in ctx.phone.fs.walk(top):
            node = ctx.phone.fs.get(path)
            if pattern and not glob_match(posixpath.basename(path), pattern):
                continue
            if kind and (kind == "d") != node.is_dir:
                continue
            out.append(display_path(start, top, path) + "\n")
    return "".join(out)


def glob_match(name, pattern):
    return fnmatch.fnmatchcase(name, pattern)


def display_path(start, top, path):
    if start.startswith("/"):
        return path
    rest = path[len(top):].lstrip("/") if top != "/" else path.lstrip("/")
    base = start.rstrip("/") or "."
    return base + ("/" + rest if rest else "")


def cmd_df(ctx, args):
    config = ctx.phone.setting("df", {})
    if config.get("toolbox") == "missing":
        return "/system/bin/sh: df: not found\n"
    return dftext.toolbox_df(config)


def cmd_chmod(ctx, args):
    if len(args) < 2:
        return "Usage: chmod [OPTION] <MODE> <FILE>\n"
    try:
        mode = int(args[0], 8)
    except ValueError:
        return "Bad mode\n"
    out = []
    for path in expand(ctx, args[1:]):
        try:
            ctx.phone.fs.chmod(path, mode, ctx.root)
        except FsError as error:
            out.append("Unable to chmod %s: %s\n" % (path, error))
    return "".join(out)


def cmd_rm(ctx, args):
    force = any(a.startswith("-") and "f" in a for a in args)
    recursive = any(a.startswith("-") and "r" in a for a in args)
    out = []
    for path in expand(ctx, [a for a in args if not a.startswith("-")]):
        try:
            ctx.phone.fs.remove(path, ctx.root, recursive)
            if normalize(path).startswith("/data/local/tmp/"):
                ctx.phone.tmp_full = ctx.phone.setting("push_space", "ok") == "full"
        except FsError as error:
            if not (force and str(error) == "No such file or directory"):
                out.append("rm failed for %s, %s\n" % (path, error))
    return "".join(out)


def cmd_svc(ctx, args):
    if len(args) >= 2 and args[0] == "wifi" and args[1] in ("enable", "disable"):
        ctx.phone.wifi_on = args[1] == "enable"
        ctx.phone.wifi_mac_file()
        return ""
    return "Available commands:\n    power\n    data\n    wifi\n    usb\n"


def cmd_dumpsys(ctx, args):
    if not args or args[0] != "iphonesubinfo":
        return "Can't find service: %s\n" % (args[0] if args else "")
    imei = ctx.phone.setting("imei", {"value": "860000000000001"})
    if isinstance(imei, str):
        imei = {"value": imei}
    if imei.get("root_only") and not ctx.root:
        return ("Permission Denial: can't dump iphonesubinfo from from pid=4242, uid=2000 "
                "without permission android.permission.DUMP\n")
    return ("Phone Subscriber Info:\n  Phone Type = GSM\n  Device ID = %s\n"
            % imei.get("value", ""))


def run_busybox(ctx, path, args):
    node = ctx.phone.fs.get(path) if path.startswith("/") else (
        ctx.phone.fs.get("/system/xbin/busybox"))
    if node is None or node.is_dir:
        return "/system/bin/sh: %s: not found\n" % path
    if not node.mode & 0o111:
        return "/system/bin/sh: %s: can't execute: Permission denied\n" % path
    if not args or args[0] not in BUSYBOX_APPLETS:
        return "%s: applet not found\n" % (args[0] if args else "busybox")
    if args[0] == "df":
        return dftext.busybox_df_m(ctx.phone.setting("df", {}))
    with ctx.phone.lock:
        return COMMANDS[args[0]](ctx, args[1:])


COMMANDS = {
    "getprop": cmd_getprop, "id": cmd_id, "echo": cmd_echo, "mkdir": cmd_mkdir,
    "rmdir": cmd_rmdir, "cat": cmd_cat, "ls": cmd_ls, "find": cmd_find, "df": cmd_df,
    "chmod": cmd_chmod, "rm": cmd_rm, "svc": cmd_svc, "dumpsys": cmd_dumpsys,
    "pm": packages.cmd_pm,
}
