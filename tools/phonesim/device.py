"""Device services on a bound phone: "shell:" (legacy raw stream, with stdin honoured),
"exec:", "sync:" and "framebuffer:". Phones of the time answered the legacy shell through a
pseudo terminal, so output lines end in CR LF unless the script says "newline": "lf"."""
import framebuffer
import shell
import sync
from wire import PeerClosed

MAX_STDIN_LINE = 64 * 1024
PROMPTS = {False: "shell@android:/ $ ", True: "root@android:/ # "}


def serve(connection, phone, request):
    wire = connection.wire
    options = connection.options

    def record(kind, text):
        connection.recorder.record(kind, phone.serial, text)

    service = request.split(":", 1)[0].split(",", 1)[0]
    if not phone.usable():
        wire.fail(phone.unusable_reason())
        return
    phone.active.add(connection.sock)
    try:
        delay = phone.delay(service)
        if delay > 0:
            wire.wait_closed(delay, options.stop_event)
        fault = phone.fault(service) if service in ("shell", "exec") else None
        if fault == "fail":
            wire.fail("closed")
        elif fault == "close":
            return
        elif service in ("shell", "exec") and request.startswith(service + ":"):
            run_shell(wire, phone, record, request[len(service) + 1:], service == "shell")
        elif request == "sync:":
            sync.serve(wire, phone, record)
        elif request == "framebuffer:":
            framebuffer.serve(wire, phone, record, options.stop_event)
        else:
            wire.fail("closed")
    finally:
        phone.active.discard(connection.sock)


def run_shell(wire, phone, record, command, terminal):
    crlf = terminal and phone.setting("newline", "crlf") == "crlf"

    def send(text):
        if text:
            wire.send(text.replace("\r\n", "\n").replace("\n", "\r\n") if crlf else text)

    wire.okay()
    if not command.strip():
        interactive(wire, phone, record, False, send)
        return
    output, action = shell.run_line(shell.Context(phone, False, record), command)
    send(output)
    if action == "su":
        interactive(wire, phone, record, True, send)


def interactive(wire, phone, record, root, send):
    """A shell reading its commands from the client's stdin until its last "exit"."""
    levels = [root]
    echo = bool(phone.setting("echo", False))
    pending = b""
    if echo:
        send(PROMPTS[root])
    while True:
        try:
            data = wire.read_some(4096, 1.0)
        except PeerClosed:
            return
        pending += data
        if len(pending) > MAX_STDIN_LINE and b"\n" not in pending:
            pending = b""
        while b"\n" in pending:
            raw, pending = pending.split(b"\n", 1)
            line = raw.decode("utf-8", "replace").rstrip("\r")
            if echo:
                send(line + "\n")
            output, action = ("", None)
            if line.strip():
                output, action = shell.run_line(shell.Context(phone, levels[-1], record), line)
            send(output)
            if action == "su":
                levels.append(True)
            elif action == "exit":
                levels.pop()
                if not levels:
                    return
            if echo:
                send(PROMPTS[levels[-1]])
