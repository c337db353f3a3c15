#include "UiTestSupport.h"

#include "platform/config/AppPaths.h"

#include <QDir>
#include <QWidget>

#include <cstdlib>
#include <filesystem>

namespace uitest {

namespace fs = std::filesystem;

std::string TestProgramFolder::DefaultConfig() {
    return "[Application]\nappname=Penlow\ncompany=Penlow Studio\nwebsite=http://localhost/\n"
           "version=1.0.0\n\n[LINK]\n更新日志=http://localhost/changelog.html\n"
           "帮助说明=http://localhost/help.html\n用户反馈=http://localhost/feedback.html\n\n"
           // Reports go to a closed port and fail at once.
           "[WebService]\nhost=127.0.0.1\nport=9\n";
}

TestProgramFolder::TestProgramFolder(const std::string& configIni) {
    testsupport::WriteFile(m_dir.file("data/Config.ini"), configIni);
    const char* built = std::getenv("PENLOW_PROGRAM_DIR");
    const fs::path source = built ? built : ".";
    for (const char* name : {"skins", "logo.png", "logo.ico"}) {
        std::error_code ignored;
        fs::create_symlink(source / name, fs::path(m_dir.path()) / name, ignored);
    }
    OverrideModuleFolder(m_dir.path());
}

TestProgramFolder::~TestProgramFolder() {
    const char* built = std::getenv("PENLOW_PROGRAM_DIR");
    OverrideModuleFolder(built ? built : ".");
}

std::string TestProgramFolder::configText() const {
    return testsupport::ReadFile(configPath());
}

QString SaveScreenshot(QWidget* widget, const QString& name) {
    const char* dir = std::getenv("PENLOW_SCREENS_DIR");
    const QString folder = QString::fromLocal8Bit(dir ? dir : "screens");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    return widget->grab().save(path) ? path : QString();
}

bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

int CountNear(const QImage& image, const QRect& area, QColor color, int tolerance) {
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            count += Near(image.pixelColor(x, y), color, tolerance) ? 1 : 0;
        }
    }
    return count;
}

} // namespace uitest
