// Helpers for widget tests: a private program folder that sees the generated skins, and
// screenshots written under PENLOW_SCREENS_DIR.
#pragma once

#include "TempDir.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <string>

class QWidget;

namespace uitest {

/// A temporary program folder: data/Config.ini with `configIni`, and links to the skins,
/// logo.png and logo.ico generated into the build's program folder. While it lives, the
/// program folder of the process is this folder.
class TestProgramFolder {
public:
    explicit TestProgramFolder(const std::string& configIni = DefaultConfig());
    ~TestProgramFolder();

    const std::string& path() const { return m_dir.path(); }
    std::string configPath() const { return m_dir.file("data/Config.ini"); }
    std::string configText() const;

    static std::string DefaultConfig();

private:
    testsupport::TempDir m_dir;
};

/// Writes `widget`'s picture to <PENLOW_SCREENS_DIR>/<name>.png; returns the path (empty on
/// failure).
QString SaveScreenshot(QWidget* widget, const QString& name);

/// True when the two colours differ by at most `tolerance` in every channel.
bool Near(QColor a, QColor b, int tolerance = 6);

/// Number of pixels of `image` inside `area` whose colour is near `color`.
int CountNear(const QImage& image, const QRect& area, QColor color, int tolerance = 6);

} // namespace uitest
