"""The partner-account login endpoint for development and tests: POST /ApServlet.ashx with the
form body "CVER=100&BCMD=UserLoginNoLock&USER=...&PWD=..." (percent-encoded UTF-8, blanks as
"+"), answered with BSCO, UID, NAME and BMSG elements.

Accounts come from a JSON file, read again for every request:

    {"accounts": [{"user": "penlow", "password": "480917", "uid": "1001", "name": "Penlow",
                   "bsco": "1", "bmsg": "ok"}],
     "fault": "none"}

A known account with the right password is answered with its "bsco" (default "1"), "uid",
"name" and "bmsg"; anything else with BSCO "0" and a BMSG. Every attempt is appended to
--login-attempts as one line "user<TAB>password" (decoded). The fault modes of httpreplies
apply (status500 gives the non-200 answer).
"""
import json
import threading
import urllib.parse
from xml.sax.saxutils import escape

import httpreplies


def add_arguments(parser):
    parser.add_argument("--port-login", type=int, default=0, help="port of the login endpoint")
    parser.add_argument("--login-accounts", help="JSON accounts file of the login endpoint")
    parser.add_argument("--login-attempts", help="append every login attempt to this file")
    httpreplies.add_fault_arguments(parser, "login")


def create_listeners(args, log):
    return [("login", LoginService(args).handle)]


def _element(name, value):
    return "<%s>%s</%s>" % (name, escape(str(value)), name) if value is not None else ""


class LoginService:
    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()

    def load_accounts(self):
        if not self.args.login_accounts:
            return {}
        try:
            with open(self.args.login_accounts, encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return {}

    def record(self, user, password):
        if self.args.login_attempts:
            with self.lock, open(self.args.login_attempts, "a", encoding="utf-8") as f:
                f.write("%s\t%s\n" % (user, password))

    def handle(self, request):
        data = self.load_accounts()
        form = urllib.parse.parse_qs(request.body.decode("ascii", "replace"),
                                     keep_blank_values=True, encoding="utf-8")
        user = form.get("USER", [""])[0]
        password = form.get("PWD", [""])[0]
        path = urllib.parse.urlsplit(request.path).path
        if request.method != "POST" or path != "/ApServlet.ashx" or \
                form.get("BCMD", [""])[0] != "UserLoginNoLock" or form.get("CVER", [""])[0] != "100":
            reply = _element("BSCO", "0") + _element("BMSG", "unknown command")
        else:
            self.record(user, password)
            reply = self.answer(data, user, password)
        fault = httpreplies.fault_for(data, self.args, "login", "UserLoginNoLock")
        httpreplies.send_reply(request, ("<root>%s</root>" % reply).encode("utf-8"),
                               "none" if fault == "capital-true" else fault,
                               pause_seconds=self.args.login_pause_seconds,
                               silent_seconds=self.args.login_silent_seconds)

    @staticmethod
    def answer(data, user, password):
        for account in data.get("accounts", []):
            if account.get("user") == user and account.get("password") == password:
                return (_element("BSCO", account.get("bsco", "1"))
                        + _element("UID", account.get("uid")) + _element("NAME", account.get("name"))
                        + _element("BMSG", account.get("bmsg", "ok")))
        return _element("BSCO", "0") + _element("BMSG", "wrong account or password")
