#include "ScriptChannel.h"

#include "CKivImpIDispatch.h"

#include "platform/config/StoreHost.h"

#include <QFile>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <string>
#include <vector>

namespace {

// Defines the two methods on window.external. Arguments travel as numbers and texts only
// (anything else as null), calls made before the channel is up wait for it, and nothing
// ever throws into the page.
constexpr const char* kExternalScript = R"JS(
(function () {
    var bridge = null, waiting = [];
    function plain(args) {
        var out = [];
        for (var i = 0; i < args.length; ++i) {
            var v = args[i];
            out.push(typeof v === "number" || typeof v === "string" ? v : null);
        }
        return out;
    }
    function method(name) {
        return function () {
            try {
                var args = plain(arguments);
                if (bridge) { bridge.invoke(name, args); } else { waiting.push([name, args]); }
            } catch (e) {}
        };
    }
    var ext = window.external;
    if (!ext || typeof ext !== "object") {
        ext = {};
        try { Object.defineProperty(window, "external", {value: ext, configurable: true}); } catch (e) {}
    }
    ["KivSofeware_notify", "VuzuDoz_Notify"].forEach(function (name) {
        try {
            Object.defineProperty(ext, name, {value: method(name), configurable: true});
        } catch (e) { ext[name] = method(name); }
    });
    try {
        new QWebChannel(qt.webChannelTransport, function (channel) {
            bridge = channel.objects.penlowExternal;
            waiting.forEach(function (call) { bridge.invoke(call[0], call[1]); });
            waiting = [];
        });
    } catch (e) {}
})();
)JS";

std::vector<ScriptValue> ToScriptValues(const QVariantList& args) {
    std::vector<ScriptValue> values;
    values.reserve(static_cast<std::size_t>(args.size()));
    for (const QVariant& arg : args) {
        const int type = arg.typeId();
        if (type == QMetaType::QString) {
            values.emplace_back(arg.toString().toStdString());
        } else if (type == QMetaType::Double || type == QMetaType::Int ||
                   type == QMetaType::LongLong || type == QMetaType::UInt ||
                   type == QMetaType::ULongLong) {
            values.emplace_back(arg.toDouble());
        } else {
            values.emplace_back(std::monostate{});
        }
    }
    return values;
}

bool FromStoreHost(const QUrl& url) {
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
        return false;
    }
    QString hostAndPort = url.host();
    if (url.port() != -1) {
        hostAndPort += QLatin1Char(':') + QString::number(url.port());
    }
    return config::IsStoreHost(hostAndPort.toStdString());
}

} // namespace

ScriptChannel::ScriptChannel(QWebEnginePage* page) : QObject(page), m_page(page) {}

void ScriptChannel::attach() {
    auto* channel = new QWebChannel(m_page);
    channel->registerObject(QString::fromLatin1(kObjectName), this);
    m_page->setWebChannel(channel, QWebEngineScript::MainWorld);
    m_page->scripts().insert(UserScript());
}

QWebEngineScript ScriptChannel::UserScript() {
    QFile client(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    QString source;
    if (client.open(QIODevice::ReadOnly)) {
        source = QString::fromUtf8(client.readAll());
    }
    source += QString::fromUtf8(kExternalScript);
    QWebEngineScript script;
    script.setName(QStringLiteral("penlow-external"));
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

void ScriptChannel::invoke(const QString& name, const QVariantList& args) {
    CKivImpIDispatch* external = CKivImpIDispatch::Instance();
    if (!external || !FromStoreHost(m_page->url())) {
        return;
    }
    const int dispid = CKivImpIDispatch::DispIdOfName(name.toStdString());
    external->Invoke(dispid, ToScriptValues(args));
}
