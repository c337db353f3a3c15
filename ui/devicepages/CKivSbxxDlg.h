// CKivSbxxDlg: the device page, the first page of the main window (tab "欢迎").
#pragma once

#include "ui/toolkit/KivDialog.h"

class CKivSbxxDlg : public KivDialog {
    Q_OBJECT
public:
    explicit CKivSbxxDlg(QWidget* parent = nullptr);

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    void paintEvent(QPaintEvent* event) override;

private:
    KivResult onPageInit(KivWParam wParam, KivLParam lParam);

    static const KivMessageEntry<CKivSbxxDlg> kMessageMap[];
};
