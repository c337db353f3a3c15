#include "CKivYyyxDlg.h"

#include "ui/toolkit/KivPayload.h"
#include "ui/toolkit/KivWindows.h"

#include <QPainter>

const KivMessageEntry<CKivYyyxDlg> CKivYyyxDlg::kMessageMap[] = {
    {kMsgStorePageInit, &CKivYyyxDlg::onPageInit},
    {kMsgStoreNavigate, &CKivYyyxDlg::onNavigate},
};

CKivYyyxDlg::CKivYyyxDlg(QWidget* parent) : KivDialog(parent, Frame::Child) {
    setObjectName(QStringLiteral("CKivYyyxDlg"));
    setDragByEmptySpots(true);
    setCancelAction(Cancel::CloseTopLevel); // Esc on the store page ends the program
}

void CKivYyyxDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::StorePage, handle());
}

bool CKivYyyxDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                     KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

KivResult CKivYyyxDlg::onPageInit(KivWParam, KivLParam) {
    return 0; // sent once by the main window; nothing to do
}

// The URL of a kStoreOpenUrl request travels as the message's own payload (a posted message
// may run after its sender's text is gone).
KivResult CKivYyyxDlg::onNavigate(KivWParam wParam, KivLParam lParam) {
    m_navigated = 1;
    ++m_requests;
    m_lastRequest.kind = wParam;
    m_lastRequest.url.clear();
    if (std::string* url = KivPayloadValue<std::string>(lParam); wParam == kStoreOpenUrl && url) {
        m_lastRequest.url = std::move(*url);
    }
    return 0;
}

void CKivYyyxDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}
