#include "CKivXzglDlg.h"

#include "ui/toolkit/KivWindows.h"

#include <QPainter>

const KivMessageEntry<CKivXzglDlg> CKivXzglDlg::kMessageMap[] = {
    {kMsgDownloadManagerInit, &CKivXzglDlg::onPageInit},
};

// OK and cancel do nothing on this page (the defaults of a child page).
CKivXzglDlg::CKivXzglDlg(QWidget* parent) : KivDialog(parent, Frame::Child) {
    setObjectName(QStringLiteral("CKivXzglDlg"));
    setDragByEmptySpots(true);
}

void CKivXzglDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::DownloadManager, handle());
}

bool CKivXzglDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                     KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

KivResult CKivXzglDlg::onPageInit(KivWParam, KivLParam) {
    return 0; // sent once by the main window; nothing to do
}

void CKivXzglDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}
