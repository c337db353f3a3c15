// The platform depends on nothing of ours above it.
#include "platform/DebugLog.h"
#include "device/bridge/AdbCommands.h"
