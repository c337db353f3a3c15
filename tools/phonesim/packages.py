"""`pm` on the scripted phone: install location, uninstall and install with scripted answers.

The install answers come from the script's "pm": {"install": [...]} list, one per install
attempt (the last one repeats): "success", "insufficient_storage", "no_space" (the push of the
package already fails with "No space left on device"), or any other text, printed as given
("Failure [...]" texts get the usual "\tpkg: <path>" line before them).
"""
import io
import posixpath
import re
import zipfile

MANIFEST_PACKAGE = re.compile(rb'<manifest[^>]*\spackage="([A-Za-z0-9_.]{1,255})"')
MAX_MANIFEST = 64 * 1024

USAGE = "usage: pm [list|path|install|uninstall|setInstallLocation|getInstallLocation]\n"


def cmd_pm(ctx, args):
    if not args:
        return USAGE
    if args[0] == "setInstallLocation" and len(args) == 2 and args[1] in ("0", "1", "2"):
        ctx.phone.install_location = int(args[1])
        return ""
    if args[0] == "getInstallLocation":
        location = ctx.phone.install_location or 0
        return "%d[%s]\n" % (location, ("auto", "internal", "external")[location])
    if args[0] == "uninstall" and len(args) >= 2:
        return uninstall(ctx.phone, args[-1])
    if args[0] == "install":
        paths = [a for a in args[1:] if not a.startswith("-")]
        if not paths:
            return "Error: no package specified\n"
        return install(ctx, paths[-1])
    if args[0] == "list" and len(args) >= 2 and args[1] == "packages":
        return "".join("package:%s\n" % p for p in sorted(ctx.phone.packages))
    return USAGE


def uninstall(phone, name):
    mode = phone.setting("pm", {}).get("uninstall", "auto")
    if mode == "success" or (mode == "auto" and name in phone.packages):
        phone.packages.discard(name)
        return "Success\n"
    return "Failure\n"


def install(ctx, path):
    phone = ctx.phone
    if phone.fs.get(path) is None:
        return "\tpkg: %s\nFailure [INSTALL_FAILED_INVALID_URI]\n" % path
    outcome = phone.next_install_outcome()
    if outcome == "success":
        phone.packages.add(manifest_package(phone.fs.get(path).content) or package_name(path))
        return "\tpkg: %s\nSuccess\n" % path
    if outcome == "insufficient_storage":
        return "\tpkg: %s\nFailure [INSTALL_FAILED_INSUFFICIENT_STORAGE]\n" % path
    if outcome == "no_space":
        return "\tpkg: %s\nError: java.io.IOException: No space left on device\n" % path
    if outcome.startswith("Failure"):
        return "\tpkg: %s\n%s\n" % (path, outcome)
    return outcome if outcome.endswith("\n") else outcome + "\n"


def package_name(path):
    name = posixpath.basename(path)
    return name[:-4] if name.endswith(".apk") else name


def manifest_package(content):
    """The package a plain-text AndroidManifest.xml inside the archive names (the test packages
    carry one), or None for anything else."""
    try:
        with zipfile.ZipFile(io.BytesIO(content)) as archive:
            info = archive.getinfo("AndroidManifest.xml")
            if info.file_size > MAX_MANIFEST:
                return None
            match = MANIFEST_PACKAGE.search(archive.read(info))
    except (zipfile.BadZipFile, KeyError, ValueError, OSError):
        return None
    return match.group(1).decode() if match else None
