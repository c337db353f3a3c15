// The phone picture: the built-in shell table, the model database (exact table text, bound
// values) and ShowPhone end to end with phonesim behind the real adb client.
#include "device/display/ScreenInfoDb.h"
#include "device/display/ShellInfo.h"
#include "device/display/ShowPhone.h"

#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include "device/bridge/AdbHostClient.h"
#include "device/bridge/DeviceIdentity.h"
#include "platform/config/AppPaths.h"
#include "resources/PictureResources.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace testsupport;

namespace {

bool Near(QColor a, QColor b, int tolerance = 8) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The one program folder of this test program (the adb helpers keep the first one they see).
class ProgramFolder {
public:
    static ProgramFolder& instance() {
        static ProgramFolder folder;
        return folder;
    }
    const std::string& path() const { return m_dir.path(); }
    std::string image(const std::string& name) const { return m_dir.file("image/" + name); }

private:
    ProgramFolder() {
        PrepareProgramFolder(m_dir.path());
        OverrideModuleFolder(m_dir.path());
        m_cwd = std::make_unique<ScopedCwd>(m_dir.path());
    }
    TempDir m_dir;
    std::unique_ptr<ScopedCwd> m_cwd;
};

// Two colour bands, red above blue: which way up the phone's picture came out.
std::string WriteBandsPpm(const std::string& folder, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    QPainter p(&image);
    p.fillRect(0, 0, width, height / 2, QColor(220, 30, 30));
    p.fillRect(0, height / 2, width, height - height / 2, QColor(30, 30, 220));
    p.end();
    const std::string path = folder + "/bands.ppm";
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (int y = 0; y < height; ++y) {
        out.write(reinterpret_cast<const char*>(image.constScanLine(y)), width * 3);
    }
    return path;
}

struct Lookup {
    std::string name;
    int type = 3;
    int calls = 0;
    MachineInfoLookup function() {
        return [this](const std::string&, const std::string&, const std::string&,
                      const std::string&, MachineDisplayInfo& info) {
            ++calls;
            if (name.empty()) {
                return false;
            }
            info.showName = name;
            info.type = type;
            return true;
        };
    }
};

class ShowPhoneTest : public ::testing::Test {
protected:
    void start(const std::string& phone, bool online = true) {
        resources::RegisterPictureResources();
        ProgramFolder::instance();
        std::filesystem::remove(ProgramFolder::instance().image("scrinfo"));
        m_sim = std::make_unique<PhoneSimProcess>(std::vector<std::string>{phone});
        ASSERT_TRUE(m_sim->started());
        m_port =
            std::make_unique<ScopedEnv>("ANDROID_ADB_SERVER_PORT", std::to_string(m_sim->port()));
        ResetSerialCacheForTesting();
        ASSERT_EQ(GetSerial(true).serial.empty(), !online);
        std::string text;
        GetModel(text, true);
        GetProductDevice(text, true);
    }
    void TearDown() override {
        m_port.reset();
        m_sim.reset();
    }
    /// Shell commands PSIM1 ran so far that contain `text`.
    int commands(const std::string& text) const {
        int count = 0;
        for (const std::string& line : m_sim->log()) {
            count += line.rfind("command\tPSIM1\t", 0) == 0 && line.find(text) != std::string::npos;
        }
        return count;
    }
    static QImage Picture(const PhonePicture& picture) {
        return QImage(QString::fromStdString(picture.path));
    }

    std::unique_ptr<PhoneSimProcess> m_sim;
    std::unique_ptr<ScopedEnv> m_port;
};

const char* kBlade = R"({"serial": "PSIM1", "props": {"ro.product.model": "Blade S6",
    "ro.product.device": "blade"}, "screen": {"width": 480, "height": 854,
    "pattern": "solid:3366CC"}})";

} // namespace

TEST(ShellTable, ScreenSizesPickTheirShells) {
    struct Case {
        int width, height, shell, x, y, w, h;
    } cases[] = {{480, 800, 208, 10, 35, 185, 307}, {480, 854, 207, 13, 27, 180, 323},
                 {540, 960, 207, 13, 27, 180, 323}, {720, 1280, 207, 13, 27, 180, 323},
                 {320, 480, 209, 11, 47, 184, 276}, {1080, 2400, 206, 10, 35, 185, 307},
                 {800, 480, 206, 10, 35, 185, 307}, {0, 0, 206, 10, 35, 185, 307}};
    for (const Case& c : cases) {
        const BuiltInShell shell = ChooseBuiltInShell(c.width, c.height);
        EXPECT_EQ(shell.shellId, c.shell) << c.width << "x" << c.height;
        EXPECT_EQ(QRect(shell.x, shell.y, shell.width, shell.height), QRect(c.x, c.y, c.w, c.h))
            << c.width << "x" << c.height;
    }
}

TEST(ShellTable, UpsideDownMarkers) {
    EXPECT_TRUE(NameMarksUpsideDown("ZTE V880"));
    EXPECT_TRUE(NameMarksUpsideDown("中兴 n880e"));
    EXPECT_TRUE(NameMarksUpsideDown("N880E plus"));
    EXPECT_FALSE(NameMarksUpsideDown("v 880"));
    EXPECT_FALSE(NameMarksUpsideDown("Galaxy S4"));
    // Without USB ids the listing must name both the model and the maker.
    EXPECT_TRUE(GetpropMarksUpsideDown("[ro.product.model]: [v880]\n[ro.product.brand]: [ZTE]"));
    EXPECT_TRUE(GetpropMarksUpsideDown("[ro.product.model]: [n880e]\n[brand]: [中兴]"));
    EXPECT_FALSE(GetpropMarksUpsideDown("[ro.product.model]: [v880]\n[brand]: [other]"));
    EXPECT_FALSE(GetpropMarksUpsideDown("[ro.product.model]: [V880]\n[brand]: [ZTE]"));
}

TEST(ScreenInfoDbTest, TableTextIsExactAndValuesAreBound) {
    TempDir dir;
    const std::string path = dir.file("scrinfo");
    ShellInfo info;
    info.pid = "1234";
    info.vid = "19D2";
    info.device = "dev'; DROP TABLE MobileInfo; --";
    info.model = "O'Brien \"X\"";
    info.name = "It's a phone";
    info.shellW = 205;
    info.shellH = 399;
    info.x = 13;
    info.y = 27;
    info.width = 180;
    info.height = 323;
    info.shellId = 207;
    info.roate = 1;
    info.type = 5;
    {
        ScreenInfoDb db(path);
        ASSERT_TRUE(db.isOpen());
        ShellInfo missing = info;
        EXPECT_FALSE(db.lookup(missing)); // no table yet
        ASSERT_TRUE(db.store(info));
        info.name = "Renamed";
        info.x = 14;
        ASSERT_TRUE(db.store(info)); // the same model again: updated, not added
    }
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT sql FROM sqlite_master WHERE name='MobileInfo'", -1,
                                 &statement, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    // sqlite_master keeps the text without the statement's closing semicolon.
    std::string created = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    std::string expected = ScreenInfoDb::kCreateTable;
    expected.pop_back();
    EXPECT_EQ(created, expected);
    EXPECT_NE(created.find(",\t\t\t\t\t\t\t\t  Type INT"), std::string::npos);
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT count(*), name, x FROM MobileInfo", -1, &statement,
                                 nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)), "Renamed");
    EXPECT_EQ(sqlite3_column_int(statement, 2), 14);
    sqlite3_finalize(statement);
    sqlite3_close(raw);

    ScreenInfoDb db(path);
    ShellInfo found;
    found.pid = info.pid;
    found.vid = info.vid;
    found.device = info.device;
    found.model = info.model;
    ASSERT_TRUE(db.lookup(found));
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.name, "Renamed");
    EXPECT_EQ(QRect(found.x, found.y, found.width, found.height), QRect(14, 27, 180, 323));
    EXPECT_EQ(found.shellId, 207);
    EXPECT_EQ(found.roate, 1);
    EXPECT_EQ(found.type, 5);
    found.model = "O'Brien";
    EXPECT_FALSE(db.lookup(found));
}

TEST_F(ShowPhoneTest, UnknownModelGetsTheBuiltInShellAndIsStored) {
    start(kBlade);
    Lookup lookup{"Blade S6 Pro"};
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), picture));
    EXPECT_EQ(picture.name, "Blade S6 Pro");
    EXPECT_EQ(picture.path, ProgramFolder::instance().image("cut.bmp"));
    const QImage image = Picture(picture);
    ASSERT_EQ(image.size(), QSize(205, 399));
    // The screenshot fills (13, 27, 180, 323) and nothing outside it.
    EXPECT_TRUE(Near(image.pixelColor(13 + 90, 27 + 160), QColor(0x33, 0x66, 0xCC)));
    EXPECT_TRUE(Near(image.pixelColor(14, 28), QColor(0x33, 0x66, 0xCC)));
    EXPECT_TRUE(Near(image.pixelColor(191, 348), QColor(0x33, 0x66, 0xCC)));
    EXPECT_FALSE(Near(image.pixelColor(102, 10), QColor(0x33, 0x66, 0xCC), 40));
    EXPECT_FALSE(Near(image.pixelColor(102, 370), QColor(0x33, 0x66, 0xCC), 40));

    ScreenInfoDb db(ProgramFolder::instance().image("scrinfo"));
    ShellInfo row;
    row.vid = "19D2";
    row.pid = "1351";
    row.model = "Blade S6";
    row.device = "blade";
    ASSERT_TRUE(db.lookup(row));
    EXPECT_EQ(row.shellId, 207);
    EXPECT_EQ(row.name, "Blade S6 Pro");
    EXPECT_EQ(row.type, 3);
    EXPECT_EQ(row.roate, 0);
    EXPECT_EQ(QRect(row.x, row.y, row.width, row.height), QRect(13, 27, 180, 323));
    EXPECT_EQ(QSize(row.shellW, row.shellH), QSize(205, 399));

    // Known now: no second question to the web service.
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), picture));
    EXPECT_EQ(lookup.calls, 1);
}

// The web service is an aid, not a gate: a model nobody knows shows its screen on the
// built-in shell of its size, named as the phone names itself, and nothing is stored.
TEST_F(ShowPhoneTest, ModelUnknownEverywhereIsShownUnderItsOwnName) {
    start(R"({"serial": "PSIM1", "props": {"ro.product.model": "Blade S6",
        "ro.product.device": "blade", "ro.product.manufacturer": "Tarsel"},
        "screen": {"width": 480, "height": 854, "pattern": "solid:3366CC"}})");
    Lookup lookup; // the web service does not know it either
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), picture));
    EXPECT_EQ(picture.name, "Tarsel Blade S6");
    const QImage image = Picture(picture);
    ASSERT_EQ(image.size(), QSize(205, 399));
    EXPECT_TRUE(Near(image.pixelColor(14, 28), QColor(0x33, 0x66, 0xCC))); // shell 207's area
    EXPECT_TRUE(Near(image.pixelColor(191, 348), QColor(0x33, 0x66, 0xCC)));
    std::filesystem::create_directories(BuildDir() + "/screens");
    image.save(QString::fromStdString(BuildDir() + "/screens/showphone-unknown-model.png"));

    ScreenInfoDb db(ProgramFolder::instance().image("scrinfo"));
    ShellInfo row;
    row.vid = "19D2";
    row.pid = "1351";
    row.model = "Blade S6";
    row.device = "blade";
    EXPECT_FALSE(db.lookup(row));
}

TEST_F(ShowPhoneTest, UpsideDownModelIsShownUpright) {
    TempDir dir;
    const std::string bands = WriteBandsPpm(dir.path(), 480, 800);
    start(R"({"serial": "PSIM1", "props": {"ro.product.model": "V880"}, "screen": {"image": ")" +
          bands + R"(", "upside_down": true}})");
    Lookup lookup{"ZTE V880"};
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("19D2", "1350", lookup.function(), picture));
    const QImage image = Picture(picture);
    ASSERT_EQ(image.size(), QSize(205, 399));
    // Shell 208, rectangle (10, 35, 185, 307): red above, blue below, as the phone shows it.
    EXPECT_TRUE(Near(image.pixelColor(100, 60), QColor(220, 30, 30), 12));
    EXPECT_TRUE(Near(image.pixelColor(100, 320), QColor(30, 30, 220), 12));
}

TEST_F(ShowPhoneTest, StoredRowWinsOverTheBuiltInTable) {
    start(R"({"serial": "PSIM1", "props": {"ro.product.model": "Tiny", "ro.product.device":
        "tiny"}, "screen": {"width": 320, "height": 480, "pattern": "solid:20B040"}})");
    {
        std::filesystem::create_directories(ProgramFolder::instance().image(""));
        ScreenInfoDb db(ProgramFolder::instance().image("scrinfo"));
        ShellInfo row;
        row.vid = "0BB4";
        row.pid = "0C02";
        row.model = "Tiny";
        row.device = "tiny";
        row.name = "Tiny One";
        row.shellW = 205;
        row.shellH = 399;
        row.x = 40;
        row.y = 100;
        row.width = 60;
        row.height = 80;
        row.shellId = 209;
        ASSERT_TRUE(db.store(row));
    }
    Lookup lookup{"Never asked"};
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("0BB4", "0C02", lookup.function(), picture));
    EXPECT_EQ(lookup.calls, 0);
    EXPECT_EQ(picture.name, "Tiny One");
    const QImage image = Picture(picture);
    EXPECT_TRUE(Near(image.pixelColor(70, 140), QColor(0x20, 0xB0, 0x40)));
    // Inside the built-in rectangle of 209 but outside the stored one: no screenshot there.
    EXPECT_FALSE(Near(image.pixelColor(20, 300), QColor(0x20, 0xB0, 0x40), 40));
}

TEST_F(ShowPhoneTest, SecondCallReplacesTheCutPicture) {
    start(kBlade);
    Lookup lookup{"Blade"};
    PhonePicture first;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), first));
    ASSERT_TRUE(m_sim->control(R"(set PSIM1 {"screen": {"pattern": "solid:E08020"}})"));
    PhonePicture second;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), second));
    EXPECT_EQ(second.path, first.path);
    EXPECT_TRUE(Near(Picture(second).pixelColor(100, 180), QColor(0xE0, 0x80, 0x20)));
}

TEST_F(ShowPhoneTest, PhoneWithoutIdsUsesTheDefaultShell) {
    start(kBlade);
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("", "", MachineInfoLookup(), picture));
    EXPECT_EQ(picture.name, "安卓设备");
    const QImage image = Picture(picture);
    ASSERT_EQ(image.size(), QSize(205, 399));
    EXPECT_TRUE(Near(image.pixelColor(11, 36), QColor(0x33, 0x66, 0xCC)));
    EXPECT_TRUE(Near(image.pixelColor(194, 341), QColor(0x33, 0x66, 0xCC)));
}

TEST_F(ShowPhoneTest, NoPhoneNoPicture) {
    start(R"({"serial": "PSIM1", "state": "none"})", false);
    Lookup lookup{"Anything"};
    PhonePicture picture;
    EXPECT_FALSE(ShowPhone("19D2", "1351", lookup.function(), picture));
}

// A phone held sideways sends a landscape frame: it keeps its proportions in the portrait
// screen area, full width and centred between black bars, instead of being squashed.
TEST_F(ShowPhoneTest, LandscapeFrameIsLetterboxed) {
    start(kBlade);
    ASSERT_TRUE(m_sim->control(R"(set PSIM1 {"screen": {"width": 800, "height": 480}})"));
    Lookup lookup{"Blade S6 Pro"};
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), picture));
    const QImage image = Picture(picture);
    ASSERT_EQ(image.size(), QSize(205, 399));
    // The default shell's area (10, 35, 185, 307): 800 x 480 becomes 185 x 111, rows 133-243.
    const QColor blue(0x33, 0x66, 0xCC);
    EXPECT_TRUE(Near(image.pixelColor(102, 188), blue));
    EXPECT_TRUE(Near(image.pixelColor(11, 188), blue));
    EXPECT_TRUE(Near(image.pixelColor(193, 188), blue));
    EXPECT_TRUE(Near(image.pixelColor(102, 136), blue));
    EXPECT_TRUE(Near(image.pixelColor(102, 240), blue));
    for (int y : {37, 100, 128, 249, 300, 340}) {
        EXPECT_TRUE(Near(image.pixelColor(102, y), QColor(Qt::black))) << y;
    }
}

// One connection, a picture a second: a model known nowhere is named from getprop and the web
// service is asked about it once; later pictures cost a screenshot and nothing more.
TEST_F(ShowPhoneTest, ConnectionMemoAsksGetpropAndTheWebServiceOnce) {
    start(R"({"serial": "PSIM1", "props": {"ro.product.model": "Blade S6",
        "ro.product.device": "blade", "ro.product.manufacturer": "Tarsel"},
        "screen": {"width": 480, "height": 854, "pattern": "solid:3366CC"}})");
    Lookup lookup; // the web service does not know it
    ShowPhoneMemo memo;
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), memo, picture));
    EXPECT_EQ(picture.name, "Tarsel Blade S6");
    const int getprops = commands("getprop");
    EXPECT_GT(getprops, 0);
    for (int pass = 0; pass < 4; ++pass) {
        ASSERT_TRUE(m_sim->control(pass % 2
                                       ? R"(set PSIM1 {"screen": {"pattern": "solid:E08020"}})"
                                       : R"(set PSIM1 {"screen": {"pattern": "solid:3366CC"}})"));
        ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), memo, picture));
        EXPECT_EQ(picture.name, "Tarsel Blade S6");
    }
    EXPECT_TRUE(Near(Picture(picture).pixelColor(100, 180), QColor(0xE0, 0x80, 0x20)));
    EXPECT_EQ(commands("getprop"), getprops);
    EXPECT_EQ(lookup.calls, 1);
    // Another connection starts afresh.
    ShowPhoneMemo next;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), next, picture));
    EXPECT_EQ(lookup.calls, 2);
}

// A phone without USB ids on the default shell: its getprop (which way up it is) is read once.
TEST_F(ShowPhoneTest, DefaultShellReadsGetpropOncePerConnection) {
    start(kBlade);
    ShowPhoneMemo memo;
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("", "", MachineInfoLookup(), memo, picture));
    const int getprops = commands("getprop");
    EXPECT_GT(getprops, 0);
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_TRUE(ShowPhone("", "", MachineInfoLookup(), memo, picture));
    }
    EXPECT_EQ(commands("getprop"), getprops);
    EXPECT_EQ(picture.name, "安卓设备");
}

// A getprop that gives no listing names the phone with a stand-in that is not kept: the next
// picture asks again, and the name the phone gives then stays.
TEST_F(ShowPhoneTest, NameFromAFailedGetpropIsAskedForAgain) {
    start(R"({"serial": "PSIM1", "su": "refused", "getprop_text": "error: closed\n",
        "props": {"ro.product.model": "Blade S6", "ro.product.device": "blade"},
        "screen": {"width": 480, "height": 854, "pattern": "solid:3366CC"}})");
    Lookup lookup;
    ShowPhoneMemo memo;
    PhonePicture picture;
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), memo, picture));
    EXPECT_EQ(picture.name, "Blade S6"); // the model from its own query, no maker
    const int getprops = commands("$ getprop");
    ASSERT_TRUE(m_sim->control(
        R"(set PSIM1 {"getprop_text": null, "props": {"ro.product.manufacturer": "Tarsel"}})"));
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), memo, picture));
    EXPECT_GT(commands("$ getprop"), getprops);
    EXPECT_EQ(picture.name, "Tarsel Blade S6");
    const int after = commands("getprop");
    ASSERT_TRUE(ShowPhone("19D2", "1351", lookup.function(), memo, picture));
    EXPECT_EQ(commands("getprop"), after);
    EXPECT_EQ(lookup.calls, 1);
}
