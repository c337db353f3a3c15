"""The control channel: a loopback TCP port taking one command per line. Each answer is zero or
more data lines followed by "OK" or "ERR <message>".

    list                      one JSON line per phone (serial, state, plugged, vid, pid, ...;
                              in device mode also device_port and adb_serial)
    plug SERIAL / unplug SERIAL
    state SERIAL STATE        device | offline | recovery | unauthorized | none | ...
    set SERIAL {json}         merges settings into the phone script (any script key)
    add {json}                attaches another phone;  remove SERIAL  detaches it
    log [json]                the recording: "seq<TAB>kind<TAB>serial<TAB>text" lines
                              (or JSON lines); kinds: host, service, command, sync, framebuffer,
                              and in device mode transport (ports, connections, handshakes)
    clear-log
    dump SERIAL               one JSON line: phone state and its file listing
    file SERIAL PATH          one line: the file's content in Base64
    fault PREFIX MODE         server fault for requests starting with PREFIX (fail, close,
                              stall, none)
    fragment N                split every later reply into N-byte pieces (0: off)
    quit                      ends phonesim
"""
import base64
import json
import os
import socketserver


def handle_line(app, line):
    """Returns (data lines, error or None)."""
    words = line.strip().split(" ", 2)
    command = words[0] if words else ""
    registry = app.registry
    if command == "list":
        return [json.dumps(p.summary()) for p in registry.phones], None
    if command == "clear-log":
        app.recorder.clear()
        return [], None
    if command == "log":
        events = app.recorder.snapshot()
        if len(words) > 1 and words[1] == "json":
            return [json.dumps(e, ensure_ascii=False) for e in events], None
        return ["%d\t%s\t%s\t%s" % (e["seq"], e["kind"], e["serial"] or "-",
                                    e["text"].replace("\\", "\\\\").replace("\n", "\\n"))
                for e in events], None
    if command == "add" and len(words) > 1:
        registry.add(json.loads(line.strip()[4:]), os.getcwd())
        return [], None
    if command == "fault" and len(words) == 3:
        if words[2] == "none":
            app.options.faults.pop(words[1], None)
        else:
            app.options.faults[words[1]] = words[2]
        return [], None
    if command == "fragment" and len(words) == 2:
        app.options.fragment = int(words[1])
        return [], None
    if command == "quit":
        app.stop()
        return [], None
    if len(words) < 2:
        return [], "unknown command"
    return phone_command(app, command, words[1], words[2] if len(words) > 2 else "")


def phone_command(app, command, serial, argument):
    registry = app.registry
    if command == "remove":
        registry.remove(serial)
        return [], None
    phone = registry.find(serial)
    if phone is None:
        return [], "no phone %s" % serial
    if command in ("plug", "unplug"):
        registry.update(phone, {"plugged": command == "plug"})
    elif command == "state":
        registry.update(phone, {"state": argument})
    elif command == "set":
        registry.update(phone, json.loads(argument))
    elif command == "dump":
        with phone.lock:
            state = phone.summary()
            state["files"] = phone.fs.listing()
        return [json.dumps(state)], None
    elif command == "file":
        with phone.lock:
            node = phone.fs.get(argument)
        if node is None or node.is_dir:
            return [], "no file %s" % argument
        return [base64.b64encode(node.content).decode("ascii")], None
    else:
        return [], "unknown command"
    return [], None


def make_server(app, host, port):
    class Handler(socketserver.StreamRequestHandler):
        def handle(self):
            for raw in self.rfile:
                line = raw.decode("utf-8", "replace").strip()
                if not line:
                    continue
                try:
                    lines, error = handle_line(app, line)
                except (ValueError, KeyError, TypeError) as failure:
                    lines, error = [], str(failure) or type(failure).__name__
                reply = "".join(l + "\n" for l in lines)
                reply += "OK\n" if error is None else "ERR %s\n" % error.replace("\n", " ")
                self.wfile.write(reply.encode("utf-8"))
                self.wfile.flush()

    server = socketserver.ThreadingTCPServer((host, port), Handler)
    server.daemon_threads = True
    return server
