// What the device connection asks of the web service: whether a USB pair is a supported
// phone (GetDevice) and the machine-log events about devices. The program uses
// WebPhoneServices; tests give stand-ins or the same class against a loopback service.
#pragma once

#include <stop_token>
#include <string>

/// Machine-log kinds the device connection reports.
inline constexpr int kMachineEventUnconfirmedDevice = 1;
inline constexpr int kMachineEventPhoneArrived = 2;

/// What the service said about a USB pair. Only an answer of the service tells that a pair
/// is no phone; a call that got no answer (no connection, a broken reply) tells nothing.
enum class PhoneAnswer { Phone, NotPhone, NoAnswer };

class PhoneWebServices {
public:
    virtual ~PhoneWebServices() = default;

    /// Asks whether the service knows `vid`/`pid` (4 upper-case hex digits each) as a phone.
    /// Called on the USB watcher's thread; returns NoAnswer soon after `stop` is requested.
    virtual PhoneAnswer confirmPhone(const std::string& vid, const std::string& pid,
                                     std::stop_token stop) = 0;

    /// Records a machine event of `kind` for the pair; fire-and-forget, must not block.
    virtual void reportMachineEvent(const std::string& vid, const std::string& pid, int kind) = 0;
};
