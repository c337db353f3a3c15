// Data that travels with a posted message and belongs to the message, not to the sender.
//
// A worker posting an entry to a window cannot keep the entry alive until the window runs its
// handler (the worker may be gone by then), and a raw pointer in lParam would leak when the
// window dies first. A payload is owned by the queued message: the handler borrows it through
// lParam and may move its value out; it is freed when the handler returns, and also when the
// message is dropped (window destroyed, program exit). Synchronous sends keep passing raw
// pointers: the sender's data outlives the call.
#pragma once

#include "KivMessages.h"

#include <memory>
#include <utility>

/// Base of every payload; only KivPayloadOf<T> derives from it.
class KivPayload {
public:
    virtual ~KivPayload() = default;
    /// Identifies the payload's value type without RTTI (one address per T).
    virtual const void* typeTag() const = 0;
};

template <class T> class KivPayloadOf final : public KivPayload {
public:
    explicit KivPayloadOf(T value) : m_value(std::move(value)) {}
    static const void* tag() {
        static const char kTag = 0;
        return &kTag;
    }
    const void* typeTag() const override { return tag(); }
    T& value() { return m_value; }

private:
    T m_value;
};

/// Wraps `value` for PostKivMessage.
template <class T> std::unique_ptr<KivPayload> MakeKivPayload(T value) {
    return std::make_unique<KivPayloadOf<T>>(std::move(value));
}

/// In a handler: the value a payload-carrying post put in `lParam`, or nullptr when lParam
/// carries no payload of type T. Valid until the handler returns; move from it to keep it.
template <class T> T* KivPayloadValue(KivLParam lParam) {
    auto* payload = reinterpret_cast<KivPayload*>(lParam);
    if (!payload || payload->typeTag() != KivPayloadOf<T>::tag()) {
        return nullptr;
    }
    return &static_cast<KivPayloadOf<T>*>(payload)->value();
}
