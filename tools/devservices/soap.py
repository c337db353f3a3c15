"""The SOAP web service for development and tests: GetDevice, GetMachineInfo, SaveVCMachineLog
and SaveVCApkLog on /PackageService.asmx, VC_Validate on /VersionUpgrade.asmx.

Answers come from a JSON data file, read again for every request so that a test can change
the answers (and the fault mode) between calls without restarting the server:

    {
      "devices": [{"vid": "18d1", "pid": "4ee2", "url": "http://...", "md5": "...",
                   "startfile": "DPInst.exe", "devicetype": "INI"}],
      "models":  [{"model": "Nexus 5", "device": "hammerhead", "showname": "...",
                   "imageurl": "http://...", "imageinfo": "1,2,3,4,5,6,7,8,9",
                   "machineid": "42"}],
      "version": {"version": 8, "url": "http://...", "obliged": false,
                  "description": "1.A;2.B;", "md5": "...", "updatetime": "2024-05-01 10:00:00"},
      "fault": "none"
    }

A known pair or model is answered with IsSuccess "true" and the entry's fields (a field left
out of the entry is left out of the reply); anything else with IsSuccess "false". VC_Validate
answers the "version" entry whatever version is asked. Every received report is appended to
--soap-reports as one line: the operation, then tab-separated name=value fields (the request's
elements, plus _host and _content_type of its header; backslash, tab, CR and LF escaped as
\\\\, \\t, \\r, \\n). The fault modes of httpreplies apply, plus "capital-true" (IsSuccess
"True").
"""
import codecs
import json
import re
import threading
import urllib.parse
from xml.sax.saxutils import escape

import httpreplies

NAMESPACE = "http://tempuri.org/"
ENVELOPE_START = ('<?xml version="1.0" encoding="utf-8"?>'
                  '<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/" '
                  'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" '
                  'xmlns:xsd="http://www.w3.org/2001/XMLSchema"><soap:Body>')
ENVELOPE_END = "</soap:Body></soap:Envelope>"
SERVICE_PATHS = {
    "GetDevice": "/PackageService.asmx",
    "GetMachineInfo": "/PackageService.asmx",
    "SaveVCMachineLog": "/PackageService.asmx",
    "SaveVCApkLog": "/PackageService.asmx",
    "VC_Validate": "/VersionUpgrade.asmx",
}
ELEMENT = re.compile(r"<([A-Za-z_]\w*)>([^<]*)</\1>")  # leaf elements only


def add_arguments(parser):
    parser.add_argument("--port-soap", type=int, default=0, help="port of the SOAP service")
    parser.add_argument("--soap-data", help="JSON data file of the SOAP service")
    parser.add_argument("--soap-reports", help="append every received report to this file")
    httpreplies.add_fault_arguments(parser, "soap")


def create_listeners(args, log):
    service = SoapService(args)
    return [("soap", service.handle)]


def _field(name, value):
    if value is None:
        return ""
    if isinstance(value, bool):
        value = "true" if value else "false"
    return "<%s>%s</%s>" % (name, escape(str(value)), name)


def _text(value):
    return str(value).replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r") \
        .replace("\n", "\\n")


class SoapService:
    def __init__(self, args):
        self.args = args
        self.reports_lock = threading.Lock()

    def load_data(self):
        if not self.args.soap_data:
            return {}
        try:
            with open(self.args.soap_data, encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return {}

    def operation_of(self, request, body):
        action = (request.headers.get("SOAPAction") or "").strip().strip('"')
        if action.startswith(NAMESPACE):
            return action[len(NAMESPACE):]
        match = re.search(r"<(SaveVCApkLog|SaveVCMachineLog|GetDevice|GetMachineInfo|"
                          r"VC_Validate)\b", body)
        return match.group(1) if match else None

    @staticmethod
    def declared_charset(request):
        """The charset of the Content-Type line (the install log declares gbk), else utf-8."""
        match = re.search(r"charset=([A-Za-z0-9_-]+)", request.headers.get("Content-Type") or "")
        if match:
            try:
                return codecs.lookup(match.group(1)).name
            except LookupError:
                pass
        return "utf-8"

    def handle(self, request):
        body = request.body.decode(self.declared_charset(request), "replace")
        operation = self.operation_of(request, body)
        path = urllib.parse.urlsplit(request.path).path
        if request.method != "POST" or operation not in SERVICE_PATHS \
                or SERVICE_PATHS[operation] != path:
            httpreplies.send_reply(request, b"<error>unknown operation</error>")
            return
        data = self.load_data()
        fault = httpreplies.fault_for(data, self.args, "soap", operation)
        fields = getattr(self, "answer_" + operation)(data, body, request)
        if fault == "capital-true":
            fields = fields.replace("<IsSuccess>true</IsSuccess>", "<IsSuccess>True</IsSuccess>")
            fault = "none"
        reply = (ENVELOPE_START + '<%sResponse xmlns="%s"><%sResult>%s</%sResult></%sResponse>'
                 % (operation, NAMESPACE, operation, fields, operation, operation)
                 + ENVELOPE_END)
        httpreplies.send_reply(request, reply.encode("utf-8"), fault,
                               pause_seconds=self.args.soap_pause_seconds,
                               silent_seconds=self.args.soap_silent_seconds)

    @staticmethod
    def values(body):
        return {name: value for name, value in ELEMENT.findall(body)}

    def answer_GetDevice(self, data, body, request):
        asked = self.values(body)
        vid, pid = asked.get("VID", "").lower(), asked.get("PID", "").lower()
        for entry in data.get("devices", []):
            if str(entry.get("vid", "")).lower() == vid and str(entry.get("pid", "")).lower() == pid:
                return (_field("IsSuccess", True) + _field("Url", entry.get("url"))
                        + _field("MD5", entry.get("md5"))
                        + _field("StartFile", entry.get("startfile"))
                        + _field("DeviceType", entry.get("devicetype")))
        return _field("IsSuccess", False)

    def answer_GetMachineInfo(self, data, body, request):
        asked = self.values(body)
        for entry in data.get("models", []):
            if entry.get("model") == asked.get("Model") and \
                    entry.get("device") == asked.get("Device"):
                return (_field("IsSuccess", True) + _field("ImageUrl", entry.get("imageurl"))
                        + _field("ShowName", entry.get("showname"))
                        + _field("ImageInfo", entry.get("imageinfo"))
                        + _field("MachineID", entry.get("machineid")))
        return _field("IsSuccess", False)

    def answer_VC_Validate(self, data, body, request):
        version = data.get("version")
        if not isinstance(version, dict):
            return _field("IsSuccess", False)
        return (_field("Version", version.get("version")) + _field("Url", version.get("url"))
                + _field("IsObliged", version.get("obliged"))
                + _field("Description", version.get("description"))
                + _field("MD5", version.get("md5"))
                + _field("UpdateTime", version.get("updatetime")))

    def record_report(self, operation, body, request):
        inner = "VCApkLog" if operation == "SaveVCApkLog" else "request"
        match = re.search(r"<%s>(.*)</%s>" % (inner, inner), body, re.S)
        fields = ELEMENT.findall(match.group(1)) if match else []
        fields += [("_host", request.headers.get("Host", "")),
                   ("_content_type", request.headers.get("Content-Type", ""))]
        line = operation + "".join("\t%s=%s" % (name, _text(value)) for name, value in fields)
        if self.args.soap_reports:
            with self.reports_lock, open(self.args.soap_reports, "a", encoding="utf-8") as f:
                f.write(line + "\n")
        return _field("IsSuccess", True)

    def answer_SaveVCMachineLog(self, data, body, request):
        return self.record_report("SaveVCMachineLog", body, request)

    def answer_SaveVCApkLog(self, data, body, request):
        return self.record_report("SaveVCApkLog", body, request)
