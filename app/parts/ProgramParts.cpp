#include "ProgramParts.h"

#include "DriverJobWiring.h"

#include "device/bridge/DeviceIdentity.h"
#include "device/bridge/ProcessRunner.h"
#include "device/connection/DriverJobControl.h"
#include "webservices/BackgroundWork.h"
#include "webservices/ConnectedPhoneProbe.h"
#include "webservices/InstallLog.h"

namespace {

webservices::InstallPhoneValues cachedPhoneValues() {
    webservices::InstallPhoneValues values;
    (void)GetImei(values.imei, false); // non-forced reads only look at the caches
    (void)GetUsbMac(values.usbMac, false);
    (void)GetWifiMac(values.wifiMac, false);
    return values;
}

} // namespace

void InstallProgramParts() {
    SetDriverJobParts(MakeDriverJobParts());
    // Machine reports of a finished connection wizard look at the phone through adb.
    webservices::SetMachineEventAdbRunners({RunCaptureTimed, RunAdbShell, RunAdbSuShell});
    // Install reports carry the phone's identity as the device page last read it.
    webservices::SetInstallPhoneValuesSource(cachedPhoneValues);
}

void StopProgramWork() {
    StopDriverJobs();
    webservices::StopBackgroundWork();
}
