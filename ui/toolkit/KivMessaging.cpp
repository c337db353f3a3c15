// Delivery goes through the application object's event queue: queued calls to one receiver
// (the application) run in the order they were queued, so posts and sends keep their order.
#include "KivMessaging.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

// Counted on the UI thread, read by tests on any thread.
std::atomic<std::uint64_t> g_messagesToGoneWindows{0};

// Qt's queue orders a worker's queued call (the functor it built) before the UI thread runs it,
// but with locks inside Qt, which the ThreadSanitizer build cannot see (Debian's Qt is not
// instrumented): it took the UI thread's first read of the functor for a race with the worker's
// construction of it. Queuing under this lock, and taking it once as the call starts, makes the
// order visible in our own code. One short lock per message; Qt never holds its queue's lock
// while it runs a call, so the UI thread waits here only for a worker's invokeMethod.
std::mutex g_queueOrder;

template <class Call> bool QueueCall(QObject* context, Call call) {
    std::lock_guard guard(g_queueOrder);
    return QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

/// First thing in every queued call, before it reads what it captured.
void SeeQueuedCall() {
    std::lock_guard guard(g_queueOrder);
}

KivResult Deliver(const KivWindowHandle& window, unsigned message, KivWParam w, KivLParam l) {
    KivMessageReceiver* receiver = window.receiver();
    if (!receiver) {
        g_messagesToGoneWindows.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    return receiver->onKivMessage(message, w, l);
}

bool OnUiThread(const QCoreApplication* app) {
    return QThread::currentThread() == app->thread();
}

// The rendezvous of one cross-thread send; shared by the waiting worker and the queued call.
struct PendingSend {
    enum class Stage { Queued, Running, Done, Withdrawn };
    std::mutex mutex;
    std::condition_variable_any changed;
    Stage stage = Stage::Queued;
    KivResult result = 0;
};

void RunPending(const std::shared_ptr<PendingSend>& pending, const KivWindowHandle& window,
                unsigned message, KivWParam w, KivLParam l) {
    {
        std::lock_guard lock(pending->mutex);
        if (pending->stage == PendingSend::Stage::Withdrawn) {
            return;
        }
        pending->stage = PendingSend::Stage::Running;
    }
    const KivResult result = Deliver(window, message, w, l);
    {
        std::lock_guard lock(pending->mutex);
        pending->result = result;
        pending->stage = PendingSend::Stage::Done;
    }
    pending->changed.notify_all();
}

KivResult WaitFor(PendingSend& pending, const std::stop_token* stop) {
    std::unique_lock lock(pending.mutex);
    auto finished = [&] { return pending.stage == PendingSend::Stage::Done; };
    if (stop) {
        pending.changed.wait(lock, *stop, finished);
        if (pending.stage == PendingSend::Stage::Queued) {
            pending.stage = PendingSend::Stage::Withdrawn;
            return 0;
        }
    }
    // Running (or done): the handler may use the sender's stack, so wait for it.
    pending.changed.wait(lock, finished);
    return pending.result;
}

KivResult SendFromAnyThread(const KivWindowHandle& window, unsigned message, KivWParam w,
                            KivLParam l, const std::stop_token* stop) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || window.isNull()) {
        return 0;
    }
    if (OnUiThread(app)) {
        return Deliver(window, message, w, l);
    }
    auto pending = std::make_shared<PendingSend>();
    QueueCall(app, [pending, window, message, w, l] {
        SeeQueuedCall();
        RunPending(pending, window, message, w, l);
    });
    return WaitFor(*pending, stop);
}

} // namespace

KivResult SendKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam,
                         KivLParam lParam) {
    return SendFromAnyThread(window, message, wParam, lParam, nullptr);
}

KivResult SendKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam,
                         KivLParam lParam, std::stop_token stop) {
    return SendFromAnyThread(window, message, wParam, lParam, &stop);
}

bool PostKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam,
                    KivLParam lParam) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || window.isNull()) {
        return false;
    }
    return QueueCall(app, [window, message, wParam, lParam] {
        SeeQueuedCall();
        Deliver(window, message, wParam, lParam);
    });
}

bool PostKivMessage(const KivWindowHandle& window, unsigned message, KivWParam wParam,
                    std::unique_ptr<KivPayload> payload) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || window.isNull()) {
        return false;
    }
    // The queued call owns the payload; Qt destroys the call (and with it the payload) after
    // it ran or when the queue is discarded at exit. shared_ptr keeps the functor copyable.
    std::shared_ptr<KivPayload> owned(std::move(payload));
    return QueueCall(app, [window, message, wParam, owned] {
        SeeQueuedCall();
        Deliver(window, message, wParam, reinterpret_cast<KivLParam>(owned.get()));
    });
}

bool QueueKivCall(QObject* context, std::function<void()> call) {
    if (!context || !call) {
        return false;
    }
    return QueueCall(context, [call = std::move(call)] {
        SeeQueuedCall();
        call();
    });
}

std::uint64_t KivMessagesToGoneWindowsForTesting() {
    return g_messagesToGoneWindows.load(std::memory_order_relaxed);
}
