#include "DroppedPackages.h"

#include <QMimeData>
#include <QMimeDatabase>
#include <QUrl>

namespace {

const QString kPackageType = QStringLiteral("application/vnd.android.package-archive");

bool IsPackageFile(const QString& path) {
    if (path.endsWith(QStringLiteral(".apk"), Qt::CaseInsensitive)) {
        return true;
    }
    // By the name only: a file of another name is not opened to look at its content here.
    return QMimeDatabase()
        .mimeTypeForFile(path, QMimeDatabase::MatchExtension)
        .inherits(kPackageType);
}

} // namespace

std::vector<std::string> DroppedPackageFiles(const QMimeData& data) {
    std::vector<std::string> files;
    if (!data.hasUrls()) {
        return files;
    }
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && IsPackageFile(path)) {
            files.push_back(path.toStdString());
        }
    }
    return files;
}
