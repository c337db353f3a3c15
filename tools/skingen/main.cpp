// skingen: draws every picture the program shows and writes them where the program and the
// build expect them.
//
//   skingen --program DIR     skins/NNNN.arg, skins/000N/*.png, logo.png, logo.ico under DIR
//   skingen --resources DIR   PNG/<id>.png, JPG/<id>.jpg and pictures.qrc under DIR
//   skingen --list            one line per picture: its path and size
//
// Output depends only on the tables in code and the installed Noto Sans CJK font.
#include "LogoFiles.h"
#include "SkinKit.h"
#include "SkinTable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>
#include <cstdio>

namespace {

using namespace skingen;

QImage Render(QSize size, bool alpha, const std::function<void(QPainter&)>& draw) {
    QImage image(size, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(alpha ? QColor(Qt::transparent) : QColor(Qt::white));
    QPainter p(&image);
    Prepare(p);
    draw(p);
    p.end();
    return alpha ? image.convertToFormat(QImage::Format_ARGB32) : image;
}

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (qstrcmp(format, "jpg") == 0) {
        writer.setQuality(92);
    }
    writer.write(image);
    return bytes;
}

// Writes only when the content differs, so unchanged pictures keep their time stamps.
bool WriteIfChanged(const QString& path, const QByteArray& bytes) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) {
        return true;
    }
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QString SkinName(int number) {
    return QStringLiteral("%1.arg").arg(number, 4, 10, QLatin1Char('0'));
}

bool WriteProgramFolder(const QString& dir) {
    bool ok = true;
    for (const SkinPicture& s : AllSkinPictures()) {
        const QImage img = Render(s.size, s.alpha, [&](QPainter& p) { s.draw(p, s.size); });
        ok &= WriteIfChanged(dir + QStringLiteral("/skins/") + SkinName(s.number),
                             Encode(img, "png"));
    }
    for (const FrameSet& f : AllFrameSets()) {
        for (int i = 0; i < f.count; ++i) {
            const QImage img =
                Render(f.size, false, [&](QPainter& p) { f.draw(p, f.size, i, f.count); });
            const QString path = QStringLiteral("%1/skins/%2/%3.png")
                                     .arg(dir)
                                     .arg(f.folder, 4, 10, QLatin1Char('0'))
                                     .arg(i, 2, 10, QLatin1Char('0'));
            ok &= WriteIfChanged(path, Encode(img, "png"));
        }
    }
    ok &= WriteIfChanged(dir + QStringLiteral("/logo.png"), Encode(LogoImage(72), "png"));
    ok &= WriteIfChanged(dir + QStringLiteral("/logo.ico"),
                         EncodeIco({LogoImage(16), LogoImage(32), LogoImage(48)}));
    return ok;
}

bool WriteResources(const QString& dir) {
    bool ok = true;
    QString qrc;
    QTextStream qrcOut(&qrc);
    qrcOut << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const ResourcePicture& r : AllResourcePictures()) {
        const bool jpg = r.type == QStringLiteral("JPG");
        const QImage img = Render(r.size, r.alpha, [&](QPainter& p) { r.draw(p, r.size); });
        const QString file =
            QStringLiteral("%1/%2.%3").arg(r.type).arg(r.id).arg(jpg ? "jpg" : "png");
        ok &= WriteIfChanged(dir + QLatin1Char('/') + file, Encode(img, jpg ? "jpg" : "png"));
        qrcOut << "  <file alias=\"" << r.type << '/' << r.id << "\">" << file << "</file>\n";
    }
    qrcOut << "</qresource>\n</RCC>\n";
    qrcOut.flush();
    ok &= WriteIfChanged(dir + QStringLiteral("/pictures.qrc"), qrc.toUtf8());
    return ok;
}

void List() {
    for (const SkinPicture& s : AllSkinPictures()) {
        std::printf("skins/%s %dx%d\n", qPrintable(SkinName(s.number)), s.size.width(),
                    s.size.height());
    }
    for (const FrameSet& f : AllFrameSets()) {
        std::printf("skins/%04d/ %dx%d x%d\n", f.folder, f.size.width(), f.size.height(), f.count);
    }
    for (const ResourcePicture& r : AllResourcePictures()) {
        std::printf("%s/%d %dx%d\n", qPrintable(r.type), r.id, r.size.width(), r.size.height());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC"))) {
        std::fprintf(stderr, "skingen: the font \"Noto Sans CJK SC\" is not installed "
                             "(Debian package fonts-noto-cjk)\n");
        return 2;
    }
    bool ok = true;
    bool didSomething = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--list")) {
            List();
            didSomething = true;
        } else if (args[i] == QStringLiteral("--program") && i + 1 < args.size()) {
            ok &= WriteProgramFolder(args[++i]);
            didSomething = true;
        } else if (args[i] == QStringLiteral("--resources") && i + 1 < args.size()) {
            ok &= WriteResources(args[++i]);
            didSomething = true;
        } else {
            std::fprintf(stderr, "usage: skingen [--list] [--program DIR] [--resources DIR]\n");
            return 2;
        }
    }
    if (!didSomething) {
        std::fprintf(stderr, "usage: skingen [--list] [--program DIR] [--resources DIR]\n");
        return 2;
    }
    return ok ? 0 : 1;
}
