// The program's PhoneWebServices: GetDevice on the web service configured in data/Config.ini
// (machine type from the operating system's word size) and the machine-log reports.
#pragma once

#include "device/connection/PhoneWebServices.h"

class WebPhoneServices : public PhoneWebServices {
public:
    /// Asks GetDevice; a stop request shuts its connection down (the question then counts as
    /// unanswered, not as rejected).
    PhoneAnswer confirmPhone(const std::string& vid, const std::string& pid,
                             std::stop_token stop) override;

    /// ReportMachineEvent: sent from its own thread, at most once per pair and kind per run.
    void reportMachineEvent(const std::string& vid, const std::string& pid, int kind) override;
};
