#include "BrowserPage.h"

#include "ui/toolkit/CKivMsgBoxDlg.h"

#include <QWebEngineView>

BrowserPage::BrowserPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {}

void BrowserPage::javaScriptAlert(const QUrl&, const QString& message) {
    ShowMessageBox(message, QString::fromLatin1(kMessageTitle), false,
                   QWebEngineView::forPage(this));
}

bool BrowserPage::javaScriptConfirm(const QUrl&, const QString& message) {
    return ShowMessageBox(message, QString::fromLatin1(kMessageTitle), true,
                          QWebEngineView::forPage(this)) == 1;
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                           const QString&) {}

QWebEnginePage* BrowserPage::createWindow(WebWindowType) {
    return nullptr;
}
