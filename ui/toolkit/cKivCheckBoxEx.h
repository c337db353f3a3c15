// cKivCheckBoxEx: a tick box drawn from the built-in pictures 182 (unchecked), 183 (checked)
// and 184 (hover while unchecked). Its owner reads and sets the state directly; a click
// toggles it and reports the new state through a callback.
#pragma once

#include "KivImage.h"

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <functional>

class cKivCheckBoxEx : public QWidget {
    Q_OBJECT
public:
    /// (new state, user value)
    using ClickCallback = std::function<void(bool checked, std::intptr_t user)>;

    explicit cKivCheckBoxEx(QWidget* parent = nullptr);

    bool checked() const { return m_checked; }
    /// Sets the state without calling back; repaints.
    void setChecked(bool checked);
    void SetClick(ClickCallback callback, std::intptr_t user);
    void SetBackground(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const KivImage* m_unchecked;
    const KivImage* m_checkedPicture;
    const KivImage* m_hoverPicture;
    ClickCallback m_callback;
    std::intptr_t m_user = 0;
    QColor m_background = Qt::white;
    bool m_checked = false;
    bool m_hovered = false;
    bool m_pressed = false;
};
