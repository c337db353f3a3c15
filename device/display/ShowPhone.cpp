#include "ShowPhone.h"

#include "ScreenInfoDb.h"
#include "device/bridge/AdbCommands.h"
#include "device/bridge/AdbHostClient.h"
#include "device/bridge/DeviceIdentity.h"
#include "device/bridge/GetpropParser.h"
#include "device/bridge/PhoneInfo.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/config/AppPaths.h"

#include <QImage>
#include <QPainter>

#include <atomic>
#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* kDefaultName = "安卓设备";

QImage LoadShellPicture(int shellId) {
    QImage shell(QStringLiteral(":/JPG/%1").arg(shellId));
    if (shell.isNull()) {
        shell = QImage(QStringLiteral(":/PNG/%1").arg(kDefaultShellId));
    }
    return shell;
}

// image/cut.bmp, or when an existing one cannot be removed, a fresh alternative in the same
// folder (the program only ever shows the path it is handed back).
std::string OutputPath(const std::string& imageFolder) {
    const std::string cut = imageFolder + "cut.bmp";
    if (::unlink(cut.c_str()) == 0 || errno == ENOENT) {
        return cut;
    }
    static std::atomic<int> counter{0};
    return imageFolder + "cutone" + std::to_string(++counter) + ".bmp";
}

bool ReadScreenshotSize(const std::string& path, int& width, int& height) {
    QImage image(QString::fromStdString(path));
    width = image.width();
    height = image.height();
    return !image.isNull();
}

std::string ReadGetprop() {
    std::string text = RunCaptureTimed(std::string(kAdbPath) + " shell su -c \"getprop\"", 5);
    if (text.find("su:") != std::string::npos) {
        text = RunCaptureTimed(std::string(kAdbPath) + " shell \"getprop\"", 5);
    }
    if (text.empty()) {
        text = RunCaptureTimed(std::string(kAdbPath) + " shell \"getprop\"", 5);
    }
    return text;
}

bool ShowWithDefaultShell(const std::string& folder, PhonePicture& picture) {
    const bool rotate = GetpropMarksUpsideDown(ReadGetprop());
    std::string screenshot;
    if (!CaptureFramebuffer(rotate, screenshot)) {
        return false;
    }
    ShellInfo shell;
    shell.shellW = kShellWidth;
    shell.shellH = kShellHeight;
    const BuiltInShell builtIn = ChooseBuiltInShell(0, 0);
    shell.shellId = builtIn.shellId;
    shell.x = builtIn.x;
    shell.y = builtIn.y;
    shell.width = builtIn.width;
    shell.height = builtIn.height;
    if (!ComposePhonePicture(shell, screenshot, folder, picture.path)) {
        return false;
    }
    picture.name = kDefaultName;
    return true;
}

// A model neither the database nor the web service knows is still shown: named by its maker
// and model as the phone itself reports them, turned when its getprop says so.
void NameUnknownModel(ShellInfo& shell) {
    const std::string getprop = ReadGetprop();
    PhoneInfo info;
    ReadGetpropFields(getprop, info);
    std::string name = info.manufacturer;
    const std::string& model = info.model.empty() ? shell.model : info.model;
    if (!model.empty()) {
        name += (name.empty() ? "" : " ") + model;
    }
    shell.name = name.empty() ? kDefaultName : name;
    shell.roate = GetpropMarksUpsideDown(getprop) ? 1 : 0;
}

void TakeBuiltInShell(ShellInfo& shell) {
    int width = 0;
    int height = 0;
    if (shell.scrPath.empty() || !ReadScreenshotSize(shell.scrPath, width, height)) {
        width = height = 0;
    }
    const BuiltInShell builtIn = ChooseBuiltInShell(width, height);
    shell.shellW = kShellWidth;
    shell.shellH = kShellHeight;
    shell.shellId = builtIn.shellId;
    shell.x = builtIn.x;
    shell.y = builtIn.y;
    shell.width = builtIn.width;
    shell.height = builtIn.height;
}

// The screen fills the shell's screen area. A landscape frame (a phone held sideways, a
// tablet) in a portrait area keeps its proportions, centred between black bars, as a phone
// shows a landscape video; stretching it would squash it to a third of its height.
void DrawScreen(QPainter& painter, const QImage& screen, const QRect& area) {
    const bool landscapeInPortrait =
        screen.width() > screen.height() && area.height() > area.width();
    // Area-averaging scale: a phone screen shrinks five- to tenfold here, and plain
    // bilinear sampling would leave text and icons ragged.
    const QImage scaled = screen.scaled(
        area.size(), landscapeInPortrait ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio,
        Qt::SmoothTransformation);
    if (landscapeInPortrait) {
        painter.fillRect(area, Qt::black);
    }
    painter.drawImage(area.x() + (area.width() - scaled.width()) / 2,
                      area.y() + (area.height() - scaled.height()) / 2, scaled);
}

} // namespace

bool PhoneImageFolder(std::string& folder) {
    std::string path;
    if (!GetModuleFolder(path)) {
        path.clear();
    }
    path += "/image/";
    if (!CreateDirectoryPath(path.c_str())) {
        return false;
    }
    folder = path;
    return true;
}

bool ComposePhonePicture(const ShellInfo& shell, const std::string& screenshot,
                         const std::string& imageFolder, std::string& outPath) {
    QImage screen(QString::fromStdString(screenshot));
    if (screen.isNull() || shell.shellW <= 0 || shell.shellH <= 0) {
        return false;
    }
    if (screen.format() == QImage::Format_ARGB32) {
        // A phone's fourth byte is padding (RGBX) as often as alpha: a screen is opaque.
        screen.reinterpretAsFormat(QImage::Format_RGB32);
    }
    QImage canvas(shell.shellW, shell.shellH, QImage::Format_RGB32);
    canvas.fill(0xFFFFFF);
    QPainter painter(&canvas);
    const QImage shellPicture = LoadShellPicture(shell.shellId);
    if (!shellPicture.isNull()) {
        painter.drawImage(QPoint(0, 0), shellPicture);
    }
    if (shell.width > 0 && shell.height > 0) {
        DrawScreen(painter, screen, QRect(shell.x, shell.y, shell.width, shell.height));
    }
    painter.end();
    const std::string path = OutputPath(imageFolder);
    if (!canvas.save(QString::fromStdString(path), "BMP")) {
        return false;
    }
    outPath = path;
    return true;
}

bool ShowPhone(const std::string& vid, const std::string& pid, const MachineInfoLookup& lookup,
               PhonePicture& picture) {
    std::string folder;
    if (!PhoneImageFolder(folder)) {
        return false;
    }
    if (vid.empty() || pid.empty()) {
        return ShowWithDefaultShell(folder, picture);
    }
    ShellInfo shell;
    shell.vid = vid;
    shell.pid = pid;
    GetProductDevice(shell.device, false);
    GetModel(shell.model, false);
    ScreenInfoDb db(folder + "scrinfo");
    (void)db.lookup(shell); // found or not, `shell.found` tells
    bool store = false;
    if (!shell.found) {
        MachineDisplayInfo info;
        if (lookup && lookup(vid, pid, shell.model, shell.device, info)) {
            shell.name = info.showName;
            shell.type = info.type;
            store = true;
        }
        if (shell.name.empty()) {
            store = false; // nothing is kept for a model the service does not name
            NameUnknownModel(shell);
        } else {
            shell.roate = NameMarksUpsideDown(shell.name) ? 1 : 0;
        }
    }
    std::string screenshot;
    if (!CaptureFramebuffer(shell.roate != 0, screenshot) ||
        ::access(screenshot.c_str(), F_OK) != 0) {
        screenshot.clear();
    } else {
        shell.scrPath = screenshot;
    }
    if (!shell.found) {
        TakeBuiltInShell(shell);
    }
    if (store) {
        (void)db.store(shell); // a row that cannot be stored is asked for again next time
    }
    if (screenshot.empty() || !ComposePhonePicture(shell, screenshot, folder, picture.path)) {
        return false;
    }
    picture.name = shell.name;
    return true;
}
