// The generated pictures: every skin file the program names, at the sizes its windows need,
// the animation frames, the built-in resource pictures, the logo files, and output that is
// the same byte for byte on every run.
#include "resources/PictureResources.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QIcon>
#include <QImageReader>
#include <QProcess>
#include <QtTest>

#include <cstdlib>
#include <map>

namespace {

const char* const kSkinNames =
    "0000 0001 0003 0004 0005 0006 0007 0008 0009 0010 0011 0012 0020 0021 0022 0030 0031 0032 "
    "0040 0041 0042 0050 0051 0052 0060 0061 0070 0071 0080 0081 0090 0091 0100 0101 0102 0103 "
    "0104 0105 0106 0107 0110 0111 0112 0120 0121 0122 0130 0131 0132 0140 0141 0142 0143 0150 "
    "0151 0152 1010 1011 1012 1020 1021 1022 1030 1031 1032 1040 1041 1042 1050 1051 1053 1060 "
    "1061 1062 1070 1071 1072 1110 1111 1112 1120 1121 1122 1123 1130 1131 1132 1140 1141 1142 "
    "1150 1151 1152 1160 1161 1162 1234 1510 1511 1512 1530 1531 1532 1599 1710 1711 1712 1720 "
    "1721 1722 1730 1731 1732 1740 1741 1742 1750 1751 1752 2000 2010 2011 2012 2013 2020 2021 "
    "2022 2023 2030 2031 2032 2040 2041 2042 2050 2051 2052 2060 2061 2062 2070 2071 2072 2080 "
    "2081 2082 2090 2091 2092 2101 2102 5002 5003 5004 7777";

// Sizes the windows place the pictures at (first number of a series; the series shares it).
const std::map<int, QSize> kSizes = {
    {0, {416, 264}},    {1, {980, 620}},   {3, {93, 20}},     {4, {93, 20}},     {5, {686, 282}},
    {6, {686, 282}},    {7, {686, 282}},   {8, {330, 60}},    {9, {414, 188}},   {50, {74, 27}},
    {60, {97, 26}},     {70, {97, 26}},    {80, {97, 26}},    {90, {120, 27}},   {100, {205, 399}},
    {101, {535, 382}},  {102, {535, 144}}, {103, {700, 550}}, {107, {700, 550}}, {110, {66, 25}},
    {120, {66, 25}},    {140, {131, 24}},  {1010, {169, 63}}, {1020, {169, 63}}, {1030, {169, 63}},
    {1040, {45, 19}},   {1050, {129, 43}}, {1060, {300, 40}}, {1070, {169, 63}}, {1110, {143, 38}},
    {1120, {143, 38}},  {1130, {143, 38}}, {1140, {169, 38}}, {1150, {105, 18}}, {1160, {105, 18}},
    {1510, {83, 15}},   {1530, {91, 27}},  {1599, {206, 24}}, {1710, {116, 30}}, {1750, {116, 30}},
    {2000, {520, 240}}, {2010, {29, 35}},  {2020, {29, 35}},  {2030, {29, 35}},  {2040, {67, 35}},
    {2070, {67, 35}},   {2080, {25, 24}},  {2090, {143, 38}}, {5002, {55, 87}},  {5004, {707, 317}},
    {7777, {380, 230}}};

QString ProgramDir() {
    return QString::fromLocal8Bit(std::getenv("PENLOW_PROGRAM_DIR"));
}

QImage Read(const QString& path, QByteArray* format = nullptr) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (format) {
        *format = reader.format();
    }
    return reader.read();
}

QString SkinPath(int number) {
    return ProgramDir() + QStringLiteral("/skins/%1.arg").arg(number, 4, 10, QLatin1Char('0'));
}

// Every file below `dir` with the hash of its content.
std::map<QString, QByteArray> Digest(const QString& dir) {
    std::map<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[QDir(dir).relativeFilePath(path)] =
            QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    return files;
}

} // namespace

class SkingenTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { resources::RegisterPictureResources(); }

    void everyNamedSkinExistsAsPngData() {
        const QStringList names = QString::fromLatin1(kSkinNames).split(QLatin1Char(' '));
        QCOMPARE(names.size(), 155);
        for (const QString& name : names) {
            QByteArray format;
            const QImage image = Read(SkinPath(name.toInt()), &format);
            QVERIFY2(!image.isNull(), qPrintable(name));
            QCOMPARE(format, QByteArray("png"));
        }
        const QStringList files =
            QDir(ProgramDir() + QStringLiteral("/skins")).entryList({QStringLiteral("*.arg")});
        QCOMPARE(files.size(), 155);
    }

    void skinsHaveTheSizesTheirWindowsUse() {
        for (const auto& [number, size] : kSizes) {
            QCOMPARE(Read(SkinPath(number)).size(), size);
        }
        // Every state of a button series is the size of its normal picture.
        const QStringList names = QString::fromLatin1(kSkinNames).split(QLatin1Char(' '));
        for (int normal : {10,   20,   30,   40,   50,   60,   70,   80,   90,   110,  120,
                           130,  140,  150,  1010, 1020, 1030, 1040, 1050, 1060, 1070, 1110,
                           1120, 1130, 1140, 1150, 1160, 1510, 1530, 1710, 1720, 1730, 1740,
                           1750, 2010, 2020, 2030, 2040, 2050, 2060, 2070, 2080, 2090}) {
            for (int state = 1; state <= 3; ++state) {
                const QString name =
                    QStringLiteral("%1").arg(normal + state, 4, 10, QLatin1Char('0'));
                if (names.contains(name)) {
                    QCOMPARE(Read(SkinPath(normal + state)).size(), Read(SkinPath(normal)).size());
                }
            }
        }
    }

    void frameFoldersHoldNumberedFrames_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QSize>("size");
        QTest::newRow("wizard search") << QStringLiteral("0001") << QSize(520, 170);
        QTest::newRow("driver step") << QStringLiteral("0002") << QSize(520, 170);
        QTest::newRow("spinner") << QStringLiteral("0003") << QSize(40, 40);
        QTest::newRow("connecting") << QStringLiteral("0004") << QSize(527, 36);
    }
    void frameFoldersHoldNumberedFrames() {
        QFETCH(QString, folder);
        QFETCH(QSize, size);
        const QDir dir(ProgramDir() + QStringLiteral("/skins/") + folder);
        const QStringList frames =
            dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
        QVERIFY(frames.size() >= 8);
        QCOMPARE(frames.first(), QStringLiteral("00.png"));
        for (const QString& frame : frames) {
            QCOMPARE(Read(dir.filePath(frame)).size(), size);
        }
    }

    void builtInPicturesMatchTheirControls() {
        QVERIFY(QDir(QStringLiteral(":/PNG")).exists());
        auto check = [](const char* type, int id, QSize size, bool alpha) {
            const QImage image = Read(QStringLiteral(":/%1/%2").arg(QLatin1String(type)).arg(id));
            QVERIFY2(!image.isNull(), qPrintable(QString::number(id)));
            QCOMPARE(image.size(), size);
            if (alpha) {
                QVERIFY2(image.hasAlphaChannel(), qPrintable(QString::number(id)));
            }
        };
        check("PNG", 142, {50, 50}, true);
        for (int id : {143, 144, 145, 146, 147, 148, 149, 151, 153, 155, 185, 186, 187, 188, 189,
                       190, 191, 192, 193}) {
            check("PNG", id, {139, 5}, true);
        }
        check("PNG", 165, {139, 8}, false);
        check("PNG", 166, {1, 6}, false);
        for (int id :
             {150, 152, 154, 156, 157, 158, 196, 197, 159, 160, 161, 162, 163, 164, 194, 195}) {
            check("PNG", id, {18, 20}, true);
        }
        for (int id : {167, 168, 169, 176, 177, 178, 179, 180, 181, 198, 200, 201}) {
            check("PNG", id, {62, 21}, false);
        }
        for (int id : {170, 171, 172, 173, 174, 175, 199}) {
            check("PNG", id, {90, 21}, false);
        }
        for (int id : {182, 183, 184}) {
            check("PNG", id, {21, 19}, true);
        }
        check("PNG", 206, {205, 399}, true);
        for (int id : {207, 208, 209}) {
            QByteArray format;
            QImageReader reader(QStringLiteral(":/JPG/%1").arg(id));
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            check("JPG", id, {205, 399}, false);
        }
    }

    void logoFiles() {
        QCOMPARE(Read(ProgramDir() + QStringLiteral("/logo.png")).size(), QSize(72, 72));
        const QIcon icon(ProgramDir() + QStringLiteral("/logo.ico"));
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(48, 48)));
        const QImage small = icon.pixmap(16, 16).toImage();
        QVERIFY(small.pixelColor(8, 2).alpha() > 200); // the mark fills the icon
    }

    void outputIsTheSameOnEveryRun() {
        QTemporaryDir first;
        QTemporaryDir second;
        for (QTemporaryDir* dir : {&first, &second}) {
            QProcess skingen;
            skingen.start(QStringLiteral(PENLOW_SKINGEN),
                          {QStringLiteral("--program"), dir->path() + QStringLiteral("/program"),
                           QStringLiteral("--resources"), dir->path() + QStringLiteral("/res")});
            QVERIFY(skingen.waitForFinished(120000));
            QCOMPARE(skingen.exitCode(), 0);
        }
        const auto a = Digest(first.path());
        QVERIFY(a.size() > 155 + 61);
        QVERIFY(a == Digest(second.path()));
        // And what the build installed is the same picture set.
        const auto built = Digest(ProgramDir() + QStringLiteral("/skins"));
        QVERIFY(built == Digest(first.path() + QStringLiteral("/program/skins")));
    }
};

QTEST_MAIN(SkingenTest)
#include "SkingenTest.moc"
