// Which of the vendor-filtered USB devices are phones: six makers outright, other pairs from
// the known-phone file, and pairs unknown there from the web service, asked once per pair for
// the life of the filter (the program keeps one filter for its whole run).
#pragma once

#include <set>
#include <stop_token>
#include <string>
#include <string_view>

class PhoneWebServices;

class KnownPhoneFilter {
public:
    /// `dbPath`: the known-phone file (KnownPhoneDb::DefaultPath() in the program).
    KnownPhoneFilter(std::string dbPath, PhoneWebServices& web);

    /// The records of `list` that are phones. Records found in the file come first (in
    /// reverse order of finding), the others keep their order; one record per input record.
    /// A pair the service confirms is added to the file; a pair the service answers as no
    /// phone is reported (machine-log kind 1) and dropped, and never asked about again; a pair
    /// the service could not be asked about (no answer) is dropped this time only. When `stop`
    /// is requested the filter returns early with what it has; callers discard that answer.
    /// Not thread-safe: one thread (the USB watcher, or a tool) uses a filter.
    std::string apply(std::string_view list, std::stop_token stop = {});

    /// True when the web service was asked about the pair and did not confirm it.
    bool wasRejected(std::string_view vid, std::string_view pid) const;

    /// True when the last apply dropped a pair because the service gave no answer.
    bool lastApplyUnanswered() const { return m_unanswered; }

private:
    std::string m_dbPath;
    PhoneWebServices& m_web;
    std::set<std::string, std::less<>> m_asked; ///< VID+PID keys the service did not confirm
    bool m_unanswered = false;
};
