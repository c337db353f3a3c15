"""File serving for devservices: packages, icons and driver archives from one folder, with HTTP
Range, Content-Length, ETag/Last-Modified and If-Range, and fault modes for tests.

Every path below the listener maps to a file below --files-root; nothing outside that folder is
ever served. Fault modes come from the command line (defaults for every request) or from the
query string of one request (overriding the defaults):

    rate=N     slow: send the body at about N bytes per second
    stall=N    stall: stop sending once the file offset N is reached and keep the connection
               open without sending anything more
    drop=N     drop: close the connection once the file offset N is reached
    status=C   answer every request with status C (404, 500 ...) and a short text body
    norange=1  no Range support: ignore Range and If-Range, always send the whole file with 200
    hang=1     read the request and never answer (a server that cannot be reached in time)
    type=T     send Content-Type T instead of application/octet-stream ("text/html", "image/png")
    nolength=1 send the body without Content-Length, ending it by closing the connection

stall and drop count absolute file offsets (N above 0): a request that starts below N meets
the fault there, a client that resumes at N or beyond with a Range request gets the rest.
"""
import email.utils
import mimetypes
import os
import select
import socket
import time
import urllib.parse

CHUNK = 64 * 1024
STALL_LIMIT_SECONDS = 3600
MAX_QUERY = 2048
MAX_TYPE = 100
# The fault settings that are texts; every other one is a number.
TEXT_FAULTS = ("type",)


def add_arguments(parser):
    group = parser.add_argument_group("files")
    group.add_argument("--port-files", type=int, default=0, help="port of the file server")
    group.add_argument("--files-root", default=None,
                       help="folder whose files are served (no file listener without it)")
    group.add_argument("--files-rate", type=int, default=None, help="default rate=N")
    group.add_argument("--files-stall", type=int, default=None, help="default stall=N")
    group.add_argument("--files-drop", type=int, default=None, help="default drop=N")
    group.add_argument("--files-status", type=int, default=None, help="default status=C")
    group.add_argument("--files-norange", action="store_true", help="default norange=1")
    group.add_argument("--files-type", default=None, help="default type=T")
    group.add_argument("--files-nolength", action="store_true", help="default nolength=1")


def create_listeners(args, log):
    if not args.files_root:
        return []
    root = os.path.realpath(args.files_root)
    defaults = {
        "rate": args.files_rate,
        "stall": args.files_stall,
        "drop": args.files_drop,
        "status": args.files_status,
        "norange": 1 if args.files_norange else None,
        "hang": None,
        "type": clean_type(args.files_type),
        "nolength": 1 if args.files_nolength else None,
    }

    def handle(request):
        try:
            FileRequest(request, root, defaults).answer()
        except (BrokenPipeError, ConnectionResetError):
            # The client went away (a stopped or killed download): nothing to answer.
            request.handler.close_connection = True

    return [("files", handle)]


def clean_type(text):
    """A Content-Type to send as it is: printable ASCII without line breaks, bounded; else None."""
    if not text or len(text) > MAX_TYPE or any(not " " <= c <= "~" for c in text):
        return None
    return text


def parse_faults(query, defaults):
    """Fault settings of one request: the defaults overridden by the query's values (integers,
    and the texts of TEXT_FAULTS)."""
    faults = dict(defaults)
    for key, values in urllib.parse.parse_qs(query[:MAX_QUERY]).items():
        if key in TEXT_FAULTS and values:
            faults[key] = clean_type(values[-1]) or faults[key]
        elif key in faults and values:
            try:
                faults[key] = max(0, int(values[-1]))
            except ValueError:
                pass
    return faults


def parse_range(header, size):
    """(start, end) inclusive for a single satisfiable "bytes=" range, "unsatisfiable", or None
    when the header is absent, malformed or asks for several ranges (then the whole file)."""
    if not header or not header.startswith("bytes=") or "," in header:
        return None
    first, sep, last = header[6:].strip().partition("-")
    if not sep:
        return None
    try:
        if first == "":
            count = int(last)
            if count <= 0:
                return "unsatisfiable"
            return (max(0, size - count), size - 1)
        start = int(first)
        end = int(last) if last else size - 1
    except ValueError:
        return None
    if start >= size:
        return "unsatisfiable"
    if end < start:
        return None
    return (start, min(end, size - 1))


def resolve_path(root, url_path):
    """The file below root named by the URL path, or None when it would leave root."""
    relative = urllib.parse.unquote(url_path).lstrip("/")
    if "\0" in relative:
        return None
    candidate = os.path.realpath(os.path.join(root, relative))
    if os.path.commonpath([root, candidate]) != root or not os.path.isfile(candidate):
        return None
    return candidate


def content_type(path):
    """The Content-Type a web server would send for the file's extension (icons as images)."""
    guessed, _ = mimetypes.guess_type(path, strict=False)
    return guessed or "application/octet-stream"


class FileRequest:
    def __init__(self, request, root, defaults):
        self.request = request
        self.handler = request.handler
        parts = urllib.parse.urlsplit(request.path)
        self.url_path = parts.path
        self.faults = parse_faults(parts.query, defaults)
        self.root = root

    def answer(self):
        if self.faults["hang"]:
            self.hang()
            return
        if self.faults["status"]:
            self.send_text(self.faults["status"], "fault status\n")
            return
        path = resolve_path(self.root, self.url_path)
        if path is None:
            self.send_text(404, "not found\n")
            return
        with open(path, "rb") as f:
            self.send_file(f, os.fstat(f.fileno()), content_type(path))

    def send_text(self, status, text):
        body = text.encode()
        h = self.handler
        h.send_response(status)
        h.send_header("Content-Type", "text/plain")
        h.send_header("Content-Length", str(len(body)))
        h.end_headers()
        if self.request.method != "HEAD":
            h.wfile.write(body)

    def send_file(self, f, st, media_type):
        size = st.st_size
        etag = '"%x-%x"' % (size, st.st_mtime_ns)
        last_modified = email.utils.formatdate(st.st_mtime, usegmt=True)
        use_range = not self.faults["norange"] and self.range_applies(etag, last_modified)
        wanted = parse_range(self.request.headers.get("Range"), size) if use_range else None
        h = self.handler
        if wanted == "unsatisfiable":
            h.send_response(416)
            h.send_header("Content-Range", "bytes */%d" % size)
            h.send_header("Content-Length", "0")
            h.end_headers()
            return
        start, end = wanted if wanted else (0, size - 1)
        h.send_response(206 if wanted else 200)
        h.send_header("Content-Type", self.faults["type"] or media_type)
        if self.faults["nolength"]:
            # The body ends when the connection closes (RFC 9112, 6.3).
            h.send_header("Connection", "close")
            h.close_connection = True
        else:
            h.send_header("Content-Length", str(end - start + 1))
        if not self.faults["norange"]:
            h.send_header("Accept-Ranges", "bytes")
            h.send_header("ETag", etag)
            h.send_header("Last-Modified", last_modified)
        if wanted:
            h.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        h.end_headers()
        if self.request.method == "HEAD" or end < start:
            return
        h.wfile.flush()
        self.send_body(f, start, end + 1)

    def range_applies(self, etag, last_modified):
        """If-Range: the range is honoured only while the file is the one the client saw."""
        condition = self.request.headers.get("If-Range")
        return condition is None or condition in (etag, last_modified)

    def send_body(self, f, start, stop):
        faults = self.faults
        # A fault only meets a request that starts before its offset: a resumed one passes.
        fault_at = min(x for x in (faults["stall"], faults["drop"], stop)
                       if x is not None and x > start)
        if faults["rate"]:
            self.send_slowly(f, start, fault_at, faults["rate"])
        elif fault_at > start:
            # count 0 would mean "to the end of the file" to sendfile
            self.handler.connection.sendfile(f, start, fault_at - start)
        if fault_at >= stop:
            return
        if faults["stall"] is not None and fault_at == faults["stall"]:
            self.stall()
        self.drop()

    def send_slowly(self, f, start, stop, rate):
        f.seek(start)
        chunk = max(1, min(CHUNK, rate // 10))
        offset = start
        began = time.monotonic()
        while offset < stop:
            data = f.read(min(chunk, stop - offset))
            if not data:
                break
            self.handler.wfile.write(data)
            self.handler.wfile.flush()
            offset += len(data)
            ahead = (offset - start) / rate - (time.monotonic() - began)
            if ahead > 0:
                time.sleep(ahead)

    def stall(self):
        """Sends nothing more until the client goes away (or an hour has passed)."""
        connection = self.handler.connection
        deadline = time.monotonic() + STALL_LIMIT_SECONDS
        while time.monotonic() < deadline:
            readable, _, _ = select.select([connection], [], [], 1.0)
            if readable:
                try:
                    if not connection.recv(4096):
                        break
                except OSError:
                    break

    def hang(self):
        self.stall()
        self.drop()

    def drop(self):
        self.handler.close_connection = True
        try:
            self.handler.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
