// CKivXzglDlg: the download manager, the third page of the main window (tab "下载管理").
#pragma once

#include "ui/toolkit/KivDialog.h"

class CKivXzglDlg : public KivDialog {
    Q_OBJECT
public:
    explicit CKivXzglDlg(QWidget* parent = nullptr);

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    void paintEvent(QPaintEvent* event) override;

private:
    KivResult onPageInit(KivWParam wParam, KivLParam lParam);

    static const KivMessageEntry<CKivXzglDlg> kMessageMap[];
};
