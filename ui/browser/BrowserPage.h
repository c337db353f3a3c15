// BrowserPage: the engine's page with the program's answers to the page's requests: alert()
// and confirm() in the program's skinned message box titled "Custom Browser", no new
// windows, and no script messages on the console (the engine is silent).
#pragma once

#include <QWebEnginePage>

class BrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    static constexpr const char* kMessageTitle = "Custom Browser";

    BrowserPage(QWebEngineProfile* profile, QObject* parent);

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceId) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
};
