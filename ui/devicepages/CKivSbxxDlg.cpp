#include "CKivSbxxDlg.h"

#include "ui/toolkit/KivWindows.h"

#include <QPainter>

const KivMessageEntry<CKivSbxxDlg> CKivSbxxDlg::kMessageMap[] = {
    {kMsgDevicePageInit, &CKivSbxxDlg::onPageInit},
};

CKivSbxxDlg::CKivSbxxDlg(QWidget* parent) : KivDialog(parent, Frame::Child) {
    setObjectName(QStringLiteral("CKivSbxxDlg"));
    setDragByEmptySpots(true);
    setCancelAction(Cancel::CloseTopLevel); // Esc on the device page ends the program
}

void CKivSbxxDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::DevicePage, handle());
}

bool CKivSbxxDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                     KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

KivResult CKivSbxxDlg::onPageInit(KivWParam, KivLParam) {
    return 0; // sent once by the main window; nothing to do
}

void CKivSbxxDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}
