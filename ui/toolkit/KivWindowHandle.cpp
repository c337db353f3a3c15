#include "KivWindowHandle.h"

KivWindowHandle::KivWindowHandle(QObject* object, KivMessageReceiver* receiver)
    : m_object(object), m_receiver(object ? receiver : nullptr) {}
