// A device file may use the platform and its own subsystem; the four includes after those
// reach sideways or upwards and must each be reported.
#include "device/bridge/ProcessRunner.h"
#include "platform/config/Config.h"
#include "Local.h"
#include "webservices/SoapCalls.h"
#include "downloads/CKivDownQueue.h"
#include "ui/toolkit/KivMessaging.h"
#include "app/CKivOrviaApp.h"
// #include "app/InAComment.h" is not an include
#include <downloads/SystemStyle.h>
