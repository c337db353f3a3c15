// The wizard's words for a failed driver job: why it failed, in plain language. Pure.
#pragma once

#include "device/connection/DriverJobTypes.h"

#include <QString>

/// One line for `failure`; empty for DriverFailure::None.
QString DriverFailureText(DriverFailure failure);
