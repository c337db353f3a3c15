// Tools (like tests and benchmarks) may use every layer.
#include "app/CKivOrviaApp.h"
#include "device/connection/DeviceMonitor.h"
