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
#include <optional>
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

// The full getprop listing, su first; nothing when the phone gave no listing.
std::optional<std::string> ReadGetprop() {
    std::string text = RunCaptureTimed(std::string(kAdbPath) + " shell su -c \"getprop\"", 5);
    if (text.find("su:") != std::string::npos) {
        text = RunCaptureTimed(std::string(kAdbPath) + " shell \"getprop\"", 5);
    }
    if (text.empty()) {
        text = RunCaptureTimed(std::string(kAdbPath) + " shell \"getprop\"", 5);
    }
    if (!IsGetpropListing(text)) {
        return std::nullopt;
    }
    return text;
}

void UseBuiltInShell(ShellInfo& shell, const BuiltInShell& builtIn) {
    shell.shellW = kShellWidth;
    shell.shellH = kShellHeight;
    shell.shellId = builtIn.shellId;
    shell.x = builtIn.x;
    shell.y = builtIn.y;
    shell.width = builtIn.width;
    shell.height = builtIn.height;
}

// A fresh screenshot in `shell`, composed: the picture's path and the shell's name.
bool CaptureAndCompose(const ShellInfo& shell, const std::string& folder, PhonePicture& picture) {
    std::string screenshot;
    if (!CaptureFramebuffer(shell.roate != 0, screenshot) ||
        ::access(screenshot.c_str(), F_OK) != 0 ||
        !ComposePhonePicture(shell, screenshot, folder, picture.path)) {
        return false;
    }
    picture.name = shell.name;
    return true;
}

bool ShowWithDefaultShell(const std::string& folder, ShowPhoneMemo& memo, PhonePicture& picture) {
    if (!memo.defaultShellUpsideDown) {
        if (const std::optional<std::string> listing = ReadGetprop()) {
            memo.defaultShellUpsideDown = GetpropMarksUpsideDown(*listing);
        }
    }
    ShellInfo shell;
    UseBuiltInShell(shell, ChooseBuiltInShell(0, 0));
    shell.roate = memo.defaultShellUpsideDown.value_or(false) ? 1 : 0;
    shell.name = kDefaultName;
    return CaptureAndCompose(shell, folder, picture);
}

// A model neither the database nor the web service knows is still shown: named by its maker
// and model as the phone itself reports them, turned when its getprop says so. False when
// the phone gave no listing (the name is then a stand-in, not to be kept).
bool NameUnknownModel(ShellInfo& shell) {
    const std::optional<std::string> getprop = ReadGetprop();
    PhoneInfo info;
    if (getprop) {
        ReadGetpropFields(*getprop, info);
    }
    const auto known = [](const std::string& text) { return text != kUnknownMarker; };
    std::string name = getprop && known(info.manufacturer) ? info.manufacturer : std::string();
    const std::string& model =
        getprop && known(info.model) && !info.model.empty() ? info.model : shell.model;
    if (!model.empty()) {
        name += (name.empty() ? "" : " ") + model;
    }
    shell.name = name.empty() ? kDefaultName : name;
    shell.roate = getprop && GetpropMarksUpsideDown(*getprop) ? 1 : 0;
    return getprop.has_value();
}

// The web service's name for the model, asked once per connection; false when it has none.
bool AskWebService(const std::string& vid, const std::string& pid, const MachineInfoLookup& lookup,
                   ShowPhoneMemo& memo, ShellInfo& shell) {
    if (!memo.webAsked) {
        memo.webAsked = true;
        MachineDisplayInfo info;
        if (lookup && lookup(vid, pid, shell.model, shell.device, info)) {
            memo.webAnswer = info;
        }
    }
    if (!memo.webAnswer || memo.webAnswer->showName.empty()) {
        return false; // nothing is kept for a model the service does not name
    }
    shell.name = memo.webAnswer->showName;
    shell.type = memo.webAnswer->type;
    return true;
}

void TakeBuiltInShell(ShellInfo& shell) {
    int width = 0;
    int height = 0;
    if (shell.scrPath.empty() || !ReadScreenshotSize(shell.scrPath, width, height)) {
        width = height = 0;
    }
    UseBuiltInShell(shell, ChooseBuiltInShell(width, height));
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
    ShowPhoneMemo memo;
    return ShowPhone(vid, pid, lookup, memo, picture);
}

bool ShowPhone(const std::string& vid, const std::string& pid, const MachineInfoLookup& lookup,
               ShowPhoneMemo& memo, PhonePicture& picture) {
    std::string folder;
    if (!PhoneImageFolder(folder)) {
        return false;
    }
    if (vid.empty() || pid.empty()) {
        return ShowWithDefaultShell(folder, memo, picture);
    }
    if (memo.shell) {
        return CaptureAndCompose(*memo.shell, folder, picture);
    }
    ShellInfo shell;
    shell.vid = vid;
    shell.pid = pid;
    // Names the phone did not give now are asked for again next time: nothing is kept then.
    bool keep = GetProductDevice(shell.device, false) && GetModel(shell.model, false);
    ScreenInfoDb db(folder + "scrinfo");
    (void)db.lookup(shell); // found or not, `shell.found` tells
    bool store = false;
    if (!shell.found) {
        if (keep && AskWebService(vid, pid, lookup, memo, shell)) {
            store = true;
            shell.roate = NameMarksUpsideDown(shell.name) ? 1 : 0;
        } else {
            keep = NameUnknownModel(shell) && keep; // nothing is stored for it
        }
    }
    std::string screenshot;
    if (!CaptureFramebuffer(shell.roate != 0, screenshot) ||
        ::access(screenshot.c_str(), F_OK) != 0) {
        return false;
    }
    shell.scrPath = screenshot;
    if (!shell.found) {
        TakeBuiltInShell(shell);
    }
    if (store) {
        (void)db.store(shell); // a row that cannot be stored is asked for again next time
    }
    if (!ComposePhonePicture(shell, screenshot, folder, picture.path)) {
        return false;
    }
    picture.name = shell.name;
    if (keep) {
        memo.shell = shell;
    }
    return true;
}
