#include "StartupMessage.h"

#include "platform/DebugLog.h"

#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <cstring>

void ShowStartupMessage(const std::string& text, const std::string& title) {
    platform::DebugOutput("message: " + text);
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok);
    const char* dismiss = std::getenv("PENLOW_DISMISS_MESSAGES_FOR_TESTING");
    if (dismiss && std::strcmp(dismiss, "1") == 0) {
        QTimer::singleShot(0, &box, &QMessageBox::accept);
    }
    box.exec();
}
