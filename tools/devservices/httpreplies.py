"""Hand-written HTTP replies with fault modes, shared by the SOAP and login services.

The program reads replies with its own small HTTP reader (header byte by byte up to the blank
line, then exactly Content-Length bytes), so the services write their replies by hand to be
able to break them on purpose. Fault modes (one word each):

    none             a normal reply: status line, Content-Type, Content-Length, body
    silent           read the request, answer nothing, close after --silent-seconds
    slow             send the header and half of the body, pause --pause-seconds, send the rest
    no-length        no Content-Length line; the connection is closed after the body
    chunked          Transfer-Encoding: chunked instead of Content-Length
    big              the body padded with an XML comment in front to more than 10 KB
    big-header       a header of more than 4 KB (one long X-Padding line)
    huge-length      Content-Length 99999999999 with the normal body, then close
    negative-length  Content-Length -5 with the normal body, then close
    status500        status 500 Internal Server Error with the normal body
"""
import time

FAULTS = ["none", "silent", "slow", "no-length", "chunked", "big", "big-header", "huge-length",
          "negative-length", "status500"]
BIG_BODY_BYTES = 10 * 1024


def add_fault_arguments(parser, prefix):
    parser.add_argument("--%s-fault" % prefix, default="none",
                        help="fault mode of every reply (%s); the data file's \"fault\" "
                             "entry, when present, takes precedence" % ", ".join(FAULTS))
    parser.add_argument("--%s-pause-seconds" % prefix, type=float, default=1.5,
                        help="pause inside a slow reply")
    parser.add_argument("--%s-silent-seconds" % prefix, type=float, default=3.0,
                        help="how long a silent reply keeps the connection open")


def _content_length_line(fault, body):
    if fault in ("no-length", "chunked"):
        return None
    if fault == "huge-length":
        return "Content-Length: 99999999999"
    if fault == "negative-length":
        return "Content-Length: -5"
    return "Content-Length: %d" % len(body)


def _padded(body):
    pad = BIG_BODY_BYTES - len(body) + 16
    return b"<!--" + b"x" * max(pad, 16) + b"-->" + body


def _chunked(body):
    half = len(body) // 2
    out = b""
    for part in (body[:half], body[half:]):
        if part:
            out += b"%x\r\n" % len(part) + part + b"\r\n"
    return out + b"0\r\n\r\n"


def send_reply(request, body, fault="none", content_type="text/xml; charset=utf-8",
               pause_seconds=1.5, silent_seconds=3.0):
    """Answers `request` (a devservices Request) with `body` (bytes) broken as `fault` says."""
    handler = request.handler
    handler.close_connection = True
    if fault == "silent":
        time.sleep(silent_seconds)
        return
    if fault == "big":
        body = _padded(body)
    status = "500 Internal Server Error" if fault == "status500" else "200 OK"
    lines = ["HTTP/1.1 " + status, "Content-Type: " + content_type, "Connection: close"]
    if fault == "big-header":
        lines.append("X-Padding: " + "p" * 5000)
    length = _content_length_line(fault, body)
    if length:
        lines.append(length)
    if fault == "chunked":
        lines.append("Transfer-Encoding: chunked")
        body = _chunked(body)
    head = ("\r\n".join(lines) + "\r\n\r\n").encode("ascii")
    out = handler.wfile
    if fault == "slow":
        half = len(body) // 2
        out.write(head + body[:half])
        out.flush()
        time.sleep(pause_seconds)
        out.write(body[half:])
    else:
        out.write(head + body)
    out.flush()


def fault_for(data, args, prefix, operation):
    """The fault mode for `operation`: the data file's "fault" (a word, or a map from operation
    name to word, "*" for any), else the command-line default."""
    fault = data.get("fault") if isinstance(data, dict) else None
    if isinstance(fault, dict):
        fault = fault.get(operation, fault.get("*"))
    if not fault:
        fault = getattr(args, prefix + "_fault")
    return fault if fault in FAULTS or fault == "capital-true" else "none"
