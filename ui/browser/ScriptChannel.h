// ScriptChannel: the C++ end of `window.external` for one page. A user script injected at
// document creation in the page's main world defines window.external.KivSofeware_notify and
// VuzuDoz_Notify; they forward their calls over QWebChannel to invoke(), which hands them to
// the process's CKivImpIDispatch. Calls from pages outside the store host are dropped.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

class QWebEnginePage;
class QWebEngineScript;

class ScriptChannel : public QObject {
    Q_OBJECT
public:
    /// Name of the object on the channel.
    static constexpr const char* kObjectName = "penlowExternal";

    explicit ScriptChannel(QWebEnginePage* page);

    /// Installs the channel and the user script on `page`.
    void attach();

    /// A script call: method name and its arguments (numbers, texts, null for anything else).
    Q_INVOKABLE void invoke(const QString& name, const QVariantList& args);

    /// The user script (QWebChannel's client followed by the window.external methods).
    static QWebEngineScript UserScript();

private:
    QWebEnginePage* m_page;
};
