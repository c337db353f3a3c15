// penlow-cli commands of the web services: the SOAP calls, machine identity, usage reports,
// login and the update check, against the web service named in data/Config.ini and the login
// server (PENLOW_LOGIN_HOST / PENLOW_LOGIN_PORT).
#include "CliRegistry.h"

#include "device/bridge/ProcessRunner.h"
#include "webservices/AccountLogin.h"
#include "webservices/ConnectedPhoneProbe.h"
#include "webservices/InstallLog.h"
#include "webservices/MachineEventReport.h"
#include "webservices/MachineIdentity.h"
#include "webservices/SoapCalls.h"
#include "webservices/VersionUpdate.h"

#include "platform/PrivateProfile.h"

#include <charconv>
#include <cstdio>

using namespace webservices;

namespace {

void print(const char* name, const std::string& value) {
    std::printf("%s=%s\n", name, value.c_str());
}

bool toInt(const std::string& text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

int getDevice(const CliArgs& args) {
    if (args.size() != 2) {
        return CliUsageError("get-device VID PID");
    }
    DeviceDriverInfo info;
    if (!GetDevice(args[0], args[1], IsWow64(), info)) {
        std::printf("not a known phone\n");
        return 1;
    }
    print("url", info.url);
    print("md5", info.md5);
    print("startfile", info.startFile);
    print("devicetype", info.deviceType);
    print("inf", info.inf ? "true" : "false");
    return 0;
}

int getMachineInfo(const CliArgs& args) {
    if (args.size() != 4) {
        return CliUsageError("get-machine-info VID PID MODEL DEVICE");
    }
    MachineInfo record;
    if (!GetMachineInfo(args[0], args[1], args[2], args[3], record)) {
        std::printf("no model data\n");
        return 1;
    }
    std::string numbers;
    for (int value : record.imageInfo) {
        numbers += (numbers.empty() ? "" : ",") + std::to_string(value);
    }
    print("showname", record.showName);
    print("imageurl", record.imageUrl);
    print("imageinfo", numbers);
    print("machineid", record.machineId);
    print("model", record.model);
    print("device", record.device);
    return 0;
}

int vcValidate(const CliArgs& args) {
    int oldVersion = 0;
    if (args.size() != 1 || !toInt(args[0], oldVersion)) {
        return CliUsageError("vc-validate OLDVERSION");
    }
    VersionInfo info;
    if (!VC_Validate(oldVersion, info)) {
        std::printf("no version answer\n");
        return 1;
    }
    print("version", std::to_string(info.version));
    print("url", info.url);
    print("obliged", info.obliged ? "true" : "false");
    print("description", info.description);
    print("md5", info.md5);
    print("updatetime", info.updateTime);
    return 0;
}

int machineId(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("machine-id");
    }
    std::string guid, mac, ip, version;
    const bool haveGuid = GetMachineGuid(guid);
    (void)GetFirstAdapterAddress(mac, ip);
    (void)GetWindowsVersionText(version);
    print("guid", guid);
    print("mac", mac);
    print("ip", ip);
    print("system", version);
    print("machinetype", IsWow64() ? "AMD64" : "X86");
    return haveGuid ? 0 : 1;
}

int reportMachine(const CliArgs& args) {
    int kind = -1;
    if (args.size() != 3 || !toInt(args[2], kind) || kind < 0 || kind > 4) {
        return CliUsageError("report-machine VID PID KIND   (KIND 0..4; \"\" for no VID/PID)");
    }
    const bool sent =
        SendMachineEvent(args[0], args[1], kind, {RunCaptureTimed, RunAdbShell, RunAdbSuShell});
    std::printf("%s\n", sent ? "reported" : "not reported");
    return sent ? 0 : 1;
}

int reportInstall(const CliArgs& args) {
    int code = 0;
    if (args.size() < 4 || args.size() > 5 || !toInt(args[2], code) ||
        (args[3] != "0" && args[3] != "1")) {
        return CliUsageError("report-install PACKAGE APPNAME CODE UNINSTALLED(0|1) [MESSAGE]");
    }
    const std::string message = args.size() == 5 ? args[4] : std::string();
    if (ReportInstall(args[0], args[1], code, args[3] == "1", message, {})) {
        std::printf("reported\n");
        return 0;
    }
    std::printf("%s\n", code == 3 ? "not reported (phone not reachable)" : "not reported");
    return code == 3 ? 0 : 1;
}

int login(const CliArgs& args) {
    if (args.size() != 2) {
        return CliUsageError("login ACCOUNT PASSWORD");
    }
    std::string message;
    const bool ok = LoginEntry(args[0], args[1], message);
    const LoginResult result = CurrentLoginResult();
    print("status", std::to_string(result.status));
    print("uid", result.uid);
    print("name", result.name);
    print("message", message);
    return ok ? 0 : 1;
}

int updateCheck(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("update-check");
    }
    if (StartupUpdateCheck()) {
        std::printf("updater started\n");
        return 0;
    }
    if (!WaitForUpdateCheck(std::chrono::minutes(5))) {
        std::printf("check still running\n");
        return 1;
    }
    const std::string path = UpdateInfoPath();
    for (std::string_view key : kUpdateKeys) {
        std::printf("%.*s=%s\n", static_cast<int>(key.size()), key.data(),
                    platform::GetProfileString(kUpdateSection, key, "", path).c_str());
    }
    return 0;
}

const CliRegistration kGetDevice{"get-device", "get-device VID PID",
                                 "asks the web service about a USB pair (driver package)",
                                 getDevice};
const CliRegistration kGetMachineInfo{"get-machine-info", "get-machine-info VID PID MODEL DEVICE",
                                      "asks the web service for a phone model's display data",
                                      getMachineInfo};
const CliRegistration kVcValidate{"vc-validate", "vc-validate OLDVERSION",
                                  "asks the web service for the latest program version",
                                  vcValidate};
const CliRegistration kMachineId{"machine-id", "machine-id",
                                 "machine GUID, first adapter, system text, machine type",
                                 machineId};
const CliRegistration kReportMachine{"report-machine", "report-machine VID PID KIND",
                                     "sends one machine event (kinds 0..4) and waits for it",
                                     reportMachine};
const CliRegistration kReportInstall{"report-install",
                                     "report-install PACKAGE APPNAME CODE UNINSTALLED [MESSAGE]",
                                     "sends one install report", reportInstall};
const CliRegistration kLogin{"login", "login ACCOUNT PASSWORD",
                             "logs in at the partner-account server", login};
const CliRegistration kUpdateCheck{"update-check", "update-check",
                                   "start-up update check; prints updata/updata.ini after it",
                                   updateCheck};

} // namespace
