"""The scripted phone's file system: a flat table of absolute paths, with just enough of a
permission model for the probes the program makes (the shell user may write below a few
folders only; root may write anywhere; some files are readable by root only)."""
import fnmatch
import posixpath

SHELL_WRITABLE_DEFAULT = ["/data/local/tmp", "/sdcard", "/mnt/sdcard", "/storage/sdcard0"]
BASE_DIRS = ["/", "/data", "/data/local", "/data/local/tmp", "/sdcard", "/mnt", "/mnt/sdcard",
             "/system", "/system/bin", "/system/xbin", "/sys", "/sys/class", "/proc", "/dev"]


class Node:
    def __init__(self, is_dir, content=b"", mode=0o644, root_only=False, shell_writable=False):
        self.is_dir = is_dir
        self.content = content
        self.mode = mode
        self.root_only = root_only
        self.shell_writable = shell_writable


class FsError(Exception):
    """An operation failed; the text is the errno wording ("Permission denied", ...)."""


class PhoneFs:
    def __init__(self, data_writable=False, shell_writable=None):
        self.nodes = {}
        writable = set(shell_writable if shell_writable is not None else SHELL_WRITABLE_DEFAULT)
        if data_writable:
            writable.add("/data")
        for path in BASE_DIRS + sorted(writable):
            self.make_dirs(path)
        for path in writable:
            self.nodes[path].shell_writable = True
            self.nodes[path].mode = 0o771

    # -- building -------------------------------------------------------------------------
    def make_dirs(self, path):
        path = normalize(path)
        parts = [p for p in path.split("/") if p]
        current = "/"
        self.nodes.setdefault("/", Node(True, mode=0o755))
        for part in parts:
            current = posixpath.join(current, part)
            self.nodes.setdefault(current, Node(True, mode=0o755))

    def put_file(self, path, content, mode=0o644, root_only=False):
        path = normalize(path)
        self.make_dirs(posixpath.dirname(path))
        if isinstance(content, str):
            content = content.encode("utf-8")
        self.nodes[path] = Node(False, content, mode, root_only)

    # -- queries --------------------------------------------------------------------------
    def get(self, path):
        return self.nodes.get(normalize(path))

    def children(self, path):
        path = normalize(path)
        prefix = path.rstrip("/") + "/"
        return sorted(p for p in self.nodes if p != path and p.startswith(prefix)
                      and "/" not in p[len(prefix):])

    def walk(self, top):
        top = normalize(top)
        prefix = top.rstrip("/") + "/"
        return sorted(p for p in self.nodes if p == top or p.startswith(prefix))

    def glob(self, pattern):
        """Shell expansion of one word: matches sorted, or [] when nothing matches."""
        pattern = normalize(pattern)
        if not any(c in pattern for c in "*?["):
            return []
        return sorted(p for p in self.nodes
                      if p.count("/") == pattern.count("/") and fnmatch.fnmatchcase(p, pattern))

    def can_write_in(self, folder, root):
        node = self.get(folder)
        return node is not None and node.is_dir and (root or node.shell_writable)

    # -- operations -----------------------------------------------------------------------
    def read(self, path, root):
        node = self.get(path)
        if node is None:
            raise FsError("No such file or directory")
        if node.is_dir:
            raise FsError("Is a directory")
        if node.root_only and not root:
            raise FsError("Permission denied")
        return node.content

    def mkdir(self, path, root):
        path = normalize(path)
        if path in self.nodes:
            raise FsError("File exists")
        parent = posixpath.dirname(path)
        if parent not in self.nodes:
            raise FsError("No such file or directory")
        if not self.can_write_in(parent, root):
            raise FsError("Permission denied")
        self.nodes[path] = Node(True, mode=0o755, shell_writable=not root)

    def rmdir(self, path, root):
        path = normalize(path)
        node = self.nodes.get(path)
        if node is None:
            raise FsError("No such file or directory")
        if not node.is_dir:
            raise FsError("Not a directory")
        if not self.can_write_in(posixpath.dirname(path), root):
            raise FsError("Permission denied")
        if self.children(path):
            raise FsError("Directory not empty")
        del self.nodes[path]

    def remove(self, path, root, recursive=False):
        path = normalize(path)
        node = self.nodes.get(path)
        if node is None:
            raise FsError("No such file or directory")
        if node.is_dir and not recursive:
            raise FsError("Is a directory")
        if not self.can_write_in(posixpath.dirname(path), root):
            raise FsError("Permission denied")
        for victim in self.walk(path):
            del self.nodes[victim]

    def chmod(self, path, mode, root):
        node = self.get(path)
        if node is None:
            raise FsError("No such file or directory")
        if not root and not (node.shell_writable or
                             self.can_write_in(posixpath.dirname(normalize(path)), False)):
            raise FsError("Operation not permitted")
        node.mode = mode

    def write(self, path, content, mode, root):
        path = normalize(path)
        node = self.nodes.get(path)
        if node is not None and node.is_dir:
            raise FsError("Is a directory")
        if not self.can_write_in(posixpath.dirname(path), root):
            raise FsError("Permission denied")
        self.nodes[path] = Node(False, content, mode & 0o7777)

    def listing(self):
        """Every file and folder, for the control channel."""
        return [{"path": p, "dir": n.is_dir, "size": len(n.content), "mode": oct(n.mode)}
                for p, n in sorted(self.nodes.items())]


def normalize(path, cwd="/"):
    if not path.startswith("/"):
        path = posixpath.join(cwd, path)
    path = posixpath.normpath(path)
    return "/" if path in ("", "//") else path
