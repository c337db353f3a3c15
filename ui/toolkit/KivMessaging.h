// SendKivMessage and PostKivMessage: how workers and windows reach a window.
//
// Every handler runs on the UI thread. A send runs the handler synchronously: directly when
// called on the UI thread, otherwise as a queued call that the sender waits for (so a sent
// message may carry a pointer to the sender's stack). A post queues the message and returns.
// Messages to a destroyed window are dropped (a send then returns 0). Messages posted or
// sent from one thread to one window arrive in the order they were made.
#pragma once

#include "KivPayload.h"
#include "KivWindowHandle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>

/// Runs `window`'s handler for `message` and returns its result; 0 when the window is gone
/// or there is no application object.
KivResult SendKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam = 0,
                         KivLParam lParam = 0);

/// As above for a worker that can be stopped: while the message still waits in the queue, a
/// stop request withdraws it (it never runs) and the call returns 0. Once the handler has
/// started, the call waits for it to finish. On the UI thread the token is not consulted.
KivResult SendKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam,
                         KivLParam lParam, std::stop_token stop);

/// Queues `message` for `window`. False when it cannot be queued (no application object or
/// a null handle); a window that dies before delivery never sees it.
bool PostKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam = 0,
                    KivLParam lParam = 0);

/// Queues `message` with data it owns: the handler receives the payload's address as lParam
/// (read it with KivPayloadValue<T>) and the payload is freed after the handler, or when the
/// message is dropped because the window died or the program ended. False when it cannot be
/// queued (the payload is freed at once).
bool PostKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam,
                    std::unique_ptr<KivPayload> payload);

/// PostKivMessage with `value` wrapped as a payload.
template <class T>
bool PostKivMessageWith(const KivWindowHandle& window, unsigned message, KivWParam wParam,
                        T value) {
    return PostKivMessage(window, message, wParam, MakeKivPayload(std::move(value)));
}

/// Queues `call` to run on `context`'s thread (the UI thread) unless `context` is destroyed
/// first, for a worker that feeds a UI object directly (the folder animation's frames). It is
/// ordered after what the worker did before, as the messages above are. False when it cannot
/// be queued.
bool QueueKivCall(QObject* context, std::function<void()> call);

/// How many messages reached the UI thread for a window that was already destroyed (and were
/// dropped there), over the whole run: long-running tests check that no worker keeps talking
/// to a window that is gone. Any thread.
std::uint64_t KivMessagesToGoneWindowsForTesting();
