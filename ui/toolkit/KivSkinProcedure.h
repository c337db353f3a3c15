// The shared skin procedure: one event filter object for every window in the skin table.
#pragma once

#include <QObject>

class QWidget;

class KivSkinProcedure : public QObject {
public:
    static KivSkinProcedure& instance();
    /// Puts the procedure on `window` and arranges for its entry to leave with it.
    void subclass(QWidget* window);
    void unsubclass(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
