// KivDownloadPage: what the downloading and downloaded pages share: a strip of three picture
// buttons over a cKivDownList, the white page with its grey top line, and the rules that
// tie the list's ticks to the buttons.
#pragma once

#include "ui/toolkit/KivDialog.h"
#include "ui/toolkit/cKivDownList.h"

#include <QString>

#include <array>
#include <functional>

class cKivButtonEx;

class KivDownloadPage : public KivDialog {
    Q_OBJECT
public:
    /// Text colours of a row's status: the normal style and the error style.
    static inline const QColor kNormalStatus{85, 85, 85};
    static inline const QColor kErrorStatus{226, 67, 67};

    /// Asks the user to confirm a deletion; true for yes. The default is the program's
    /// message box; tests answer instead.
    using ConfirmFunction = std::function<bool(const QString& question)>;
    static void SetConfirmFunctionForTesting(ConfirmFunction confirm);

    cKivDownList* list() const { return m_list; }
    /// The rows the list shows; the page fills them.
    cKivDownRows* rows() const { return m_rows; }
    cKivButtonEx* button(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }

protected:
    KivDownloadPage(QWidget* parent, bool runningList);

    /// Creates the three buttons with their pictures (normal, hover, pressed, disabled) and
    /// the list, and connects the list's reports.
    void createControls(const std::array<std::array<int, 4>, 3>& pictures);
    /// The buttons that follow the ticks (all three, or the first two).
    virtual int tickButtonCount() const { return 3; }
    /// True while a toolbar action or a batch runs: the ticks leave the buttons alone.
    virtual bool pageBusy() const = 0;
    /// A row was clicked (after the selection rules ran).
    virtual void onRowClicked(int) {}
    /// A row's own tick box changed.
    virtual void onRowTicked(cKivDownListCell*) {}
    /// A row's button was clicked (0: its first, 1: its second).
    virtual void onRowButton(cKivDownListCell* cell, int button) = 0;

    void setTickButtonsEnabled(bool enabled);
    /// Buttons enabled exactly when a row is ticked (unless the page is busy).
    void followTicks();

    static bool Confirm(const QString& question);
    /// Tells the user that the page could not be opened (its list or worker thread), once
    /// the window is up; the page stays without its worker.
    void showInitFailure();

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutControls();

    bool m_runningList;
    cKivDownRows* m_rows = nullptr;
    cKivDownList* m_list = nullptr;
    std::array<cKivButtonEx*, 3> m_buttons{};
};
