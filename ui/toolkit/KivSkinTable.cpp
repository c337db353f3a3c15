#include "KivSkinTable.h"

#include "KivSkinProcedure.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

KivSkinTable& KivSkinTable::instance() {
    static KivSkinTable table;
    return table;
}

KivSkinTable::Entry* KivSkinTable::find(const QWidget* window) {
    for (auto& slot : m_slots) {
        if (slot && slot->window == window) {
            return &*slot;
        }
    }
    return nullptr;
}

KivSkinTable::Entry* KivSkinTable::enter(QWidget* window, KivSkinKind kind) {
    if (Entry* existing = find(window)) {
        return existing;
    }
    for (auto& slot : m_slots) {
        if (!slot) {
            slot.emplace();
            slot->kind = kind;
            slot->window = window;
            KivSkinProcedure::instance().subclass(window);
            QObject::connect(window, &QObject::destroyed, &KivSkinProcedure::instance(),
                             [window] { instance().remove(window); });
            return &*slot;
        }
    }
    return nullptr;
}

void KivSkinTable::remove(const QWidget* window) {
    for (auto& slot : m_slots) {
        if (slot && slot->window == window) {
            slot.reset();
        }
    }
}

int KivSkinTable::count() const {
    int used = 0;
    for (const auto& slot : m_slots) {
        used += slot ? 1 : 0;
    }
    return used;
}

void KivSkinTable::clear() {
    for (auto& slot : m_slots) {
        if (slot) {
            KivSkinProcedure::instance().unsubclass(slot->window);
            slot.reset();
        }
    }
}

namespace {

// The dialog hook: enters every dialog it sees in the table (without a skin). As an
// application-wide filter it also sees objects of the web engine's own classes, whose type
// information the sanitizer's vptr check cannot read; that check is off here.
class KivDialogHook : public QObject {
protected:
    __attribute__((no_sanitize("vptr"))) bool eventFilter(QObject* watched, QEvent*) override {
        if (watched->isWidgetType()) {
            if (auto* dialog = qobject_cast<QDialog*>(watched)) {
                KivSkinTable::instance().enter(dialog, KivSkinKind::Frame);
            }
        }
        return false;
    }
};

KivDialogHook*& Hook() {
    static KivDialogHook* hook = nullptr;
    return hook;
}

} // namespace

void InstallDialogHook() {
    if (Hook() || !qApp) {
        return;
    }
    Hook() = new KivDialogHook;
    qApp->installEventFilter(Hook());
}

void RemoveDialogHook() {
    if (!Hook()) {
        return;
    }
    if (qApp) {
        qApp->removeEventFilter(Hook());
    }
    delete Hook();
    Hook() = nullptr;
    KivSkinTable::instance().clear();
}

bool IsDialogHookInstalled() {
    return Hook() != nullptr;
}

bool AttachFrameSkin(QWidget* window, std::shared_ptr<KivFrameSkin> skin) {
    KivSkinTable::Entry* entry = KivSkinTable::instance().find(window);
    if (!entry) {
        return false;
    }
    entry->frame = std::move(skin);
    entry->caption = {};
    // Hover over the caption buttons needs moves without a button held.
    window->setMouseTracking(true);
    window->update();
    return true;
}

bool AttachButtonSkin(QWidget* button, std::shared_ptr<KivButtonSkin> skin) {
    KivSkinTable::Entry* entry = KivSkinTable::instance().enter(button, KivSkinKind::Button);
    if (!entry) {
        return false;
    }
    entry->kind = KivSkinKind::Button;
    entry->button = std::move(skin);
    button->update();
    return true;
}

bool AttachPictureSkin(QWidget* control, std::shared_ptr<KivImage> picture) {
    KivSkinTable::Entry* entry = KivSkinTable::instance().enter(control, KivSkinKind::Picture);
    if (!entry) {
        return false;
    }
    entry->kind = KivSkinKind::Picture;
    entry->picture = std::move(picture);
    control->update();
    return true;
}

void SetSkinnedButtonText(QAbstractButton* button, const QString& text) {
    button->setUpdatesEnabled(false);
    button->setText(text);
    button->setUpdatesEnabled(true);
    button->update();
}
