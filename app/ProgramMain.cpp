#include "ProgramMain.h"

#include "CKivOrviaApp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#include <unistd.h>

#include <cstdlib>

void PrepareApplication() {
    // The embedded web engine shares OpenGL contexts with the widgets; set before the
    // application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The web engine's sandbox cannot run as root; there it would refuse to show any page.
    if (::geteuid() == 0) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
}

std::vector<std::string> FilesFromArguments(const QStringList& arguments) {
    std::vector<std::string> files;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (options && argument == QStringLiteral("--")) {
            options = false;
            continue;
        }
        if (options && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            continue;
        }
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        if (!path.isEmpty()) {
            files.push_back(QFileInfo(path).absoluteFilePath().toStdString());
        }
    }
    return files;
}

int RunProgram(const std::vector<std::string>& files) {
    CKivOrviaApp app(files);
    int code = 0;
    if (app.InitInstance()) {
        code = app.Run();
    }
    const int exitCode = app.ExitInstance();
    return code != 0 ? code : exitCode;
}
