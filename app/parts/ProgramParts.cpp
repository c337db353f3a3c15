#include "ProgramParts.h"

#include "device/bridge/DeviceIdentity.h"
#include "device/bridge/ProcessRunner.h"
#include "webservices/BackgroundWork.h"

webservices::InstallPhoneValues CachedPhoneValues() {
    webservices::InstallPhoneValues values;
    (void)GetImei(values.imei, false);
    (void)GetUsbMac(values.usbMac, false);
    (void)GetWifiMac(values.wifiMac, false);
    return values;
}

webservices::AdbRunners ProgramAdbRunners() {
    return {RunCaptureTimed, RunAdbShell, RunAdbSuShell};
}

void StopProgramWork() {
    webservices::StopBackgroundWork();
}
