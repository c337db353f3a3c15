#include "StopScope.h"

#include <utility>

namespace platform {
namespace {

thread_local std::stop_token t_current;

} // namespace

std::stop_token CurrentStopToken() {
    return t_current;
}

StopScope::StopScope(std::stop_token token) : m_previous(std::exchange(t_current, token)) {}

StopScope::~StopScope() {
    t_current = std::move(m_previous);
}

} // namespace platform
