#include "PenlowTour.h"

#include "app/shell/CKivLoginDlg.h"
#include "device/bridge/AdbCommands.h"
#include "app/shell/CKivOrviaDlg.h"
#include "pages/downloads/CKivXzglDlg.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "pages/downloads/CKivXzglZzxzDlg.h"
#include "pages/downloads/FlyingIcon.h"
#include "pages/downloads/cKivDownloadInfo.h"
#include "pages/store/CKivYyyxDlg.h"
#include "ui/browser/CKivWebBrowser.h"
#include "pages/device/CKivSbxxDlg.h"
#include "ui/toolkit/cKivDownList.h"
#include "ui/toolkit/cKivDownListCell.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>

namespace {

constexpr int kPollMs = 50;
constexpr qint64 kSettleMs = 700;

QString Env(const char* name) {
    return qEnvironmentVariable(name);
}

void Say(const QString& line) {
    std::printf("tour: %s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

cKivDownList* DownloadingList(CKivOrviaDlg* main) {
    return main ? main->downloadManager()->downloadingPage()->list() : nullptr;
}

cKivDownList* DownloadedList(CKivOrviaDlg* main) {
    return main ? main->downloadManager()->downloadedPage()->list() : nullptr;
}

cKivDownListCell* FirstRow(cKivDownList* list) {
    return list && list->rowCount() > 0 ? list->cellAt(0) : nullptr;
}

void PressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

} // namespace

std::unique_ptr<PenlowTour> PenlowTour::FromEnvironment() {
    const QString mode = Env("PENLOW_TOUR");
    if (mode != "screens" && mode != "check") {
        return nullptr;
    }
    // The tour's phone is simulated: the program's kill-by-name of adb (when it starts following
    // phones, when one goes away) must not reach adb processes of anybody else on the machine.
    SetAdbProcessNameForTesting("penlow-tour-adb");
    const QStringList account = Env("PENLOW_TOUR_ACCOUNT").split(' ', Qt::SkipEmptyParts);
    return std::unique_ptr<PenlowTour>(new PenlowTour(mode == "screens", Env("PENLOW_TOUR_SCREENS"),
                                                      Env("PENLOW_TOUR_PHONE_CONTROL"), account,
                                                      Env("PENLOW_TOUR_REPORT")));
}

PenlowTour::PenlowTour(bool pictures, QString screens, QString phoneControl, QStringList account,
                       QString reportPath)
    : m_pictures(pictures), m_screens(std::move(screens)), m_phoneControl(std::move(phoneControl)),
      m_account(std::move(account)), m_reportPath(std::move(reportPath)) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &PenlowTour::tick);
    buildStops();
}

PenlowTour::~PenlowTour() = default;

void PenlowTour::start() {
    m_journeyClock.start();
    m_poll.start();
}

CKivOrviaDlg* PenlowTour::mainWindow() const {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<CKivOrviaDlg*>(widget); main && main->isVisible()) {
            return main;
        }
    }
    return nullptr;
}

QWidget* PenlowTour::loginDialog() const {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* login = qobject_cast<CKivLoginDlg*>(widget); login && login->isVisible()) {
            return login;
        }
    }
    return nullptr;
}

void PenlowTour::buildStops() {
    auto device = [this] { return mainWindow() ? mainWindow()->devicePage() : nullptr; };
    auto store = [this] { return mainWindow() ? mainWindow()->storePage() : nullptr; };
    auto storeLoaded = [store] {
        CKivYyyxDlg* page = store();
        return page && page->browser() && page->pageState() == CKivYyyxDlg::kIdle &&
               page->browser()->ready() && !page->browser()->pending();
    };

    addStop(
        "login", {}, [this] { return loginDialog() != nullptr; },
        [this] {
            auto* login = static_cast<CKivLoginDlg*>(loginDialog());
            login->accountEdit()->setText(m_account.value(0));
            login->passwordEdit()->setText(m_account.value(1));
            takePicture("login");
            login->okButton()->click();
        },
        20000, false);
    addStop("welcome", {}, [this, device] {
        return device() && mainWindow()->isEnabled() &&
               device()->currentState() == CKivSbxxDlg::kWelcome;
    });
    addStop(
        "connecting",
        [this] {
            markStage("plug");
            runPhoneControl("plug PSIM0001");
        },
        [device] {
            return device()->drawnState() == CKivSbxxDlg::kConnecting ||
                   device()->currentState() == CKivSbxxDlg::kConnected;
        });
    addStop(
        "connected", {},
        [device] {
            CKivSbxxDlg* page = device();
            return page->currentState() == CKivSbxxDlg::kConnected &&
                   !page->shownPhonePicture().isNull() &&
                   page->title()->text() == QStringLiteral("Penlow P1");
        },
        [this] { markStage("connected"); }, 60000);
    addStop("phone-info", {}, [device] {
        return device()->valueLabel(2, 0)->text() == "85" &&
               !device()->valueLabel(0, 0)->text().isEmpty();
    });
    addStop(
        "store-home", [this] { mainWindow()->tabButton(1)->click(); },
        [store, storeLoaded] {
            return storeLoaded() &&
                   QString::fromStdString(store()->browser()->currentUrl()).contains("/index.php");
        });
    addStop(
        "search",
        [store] {
            QLineEdit* edit = store()->searchEdit();
            edit->setFocus();
            edit->setText(QStringLiteral("地图"));
            PressKey(edit, Qt::Key_Return);
        },
        [store, storeLoaded] {
            return storeLoaded() &&
                   QString::fromStdString(store()->browser()->currentUrl()).contains("/s.php");
        });
    addStop(
        "flying-icon",
        [this] {
            markStage("click");
            clickStoreDownload();
        },
        [this] {
            // The icon is in flight; in a check run the new row is enough (the flight may
            // be over before a poll sees it).
            return FlyingIconActive() || (!m_pictures && FirstRow(DownloadingList(mainWindow())));
        });
    addStop(
        "downloading", {},
        [this] {
            // The tab is clicked once the flight has ended: a disabled window takes no click.
            CKivOrviaDlg* main = mainWindow();
            if (!main->isEnabled()) {
                return false;
            }
            if (!m_marks.count("flight-ended")) {
                markStage("flight-ended");
            }
            if (main->selectedTab() != 2) {
                main->tabButton(2)->click();
                main->downloadManager()->selectTab(0);
                return false;
            }
            // The pictures' store sends packages slowly so that this one shows a download
            // under way; the checked journey's may be over at once.
            cKivDownListCell* row = FirstRow(DownloadingList(main));
            return row && row->progress > 0 && (!m_pictures || row->progress < 100);
        },
        [this] { markStage("download-started"); });
    addStop(
        "installing", [this] { mainWindow()->downloadManager()->selectTab(1); },
        [this] {
            cKivDownListCell* row = FirstRow(DownloadedList(mainWindow()));
            if (!row) {
                return false;
            }
            if (!m_marks.count("download-ended")) {
                markStage("download-ended");
            }
            return row->busy && row->statusText == QStringLiteral("正在安装");
        },
        {}, 60000);
    addStop(
        "installed", {},
        [this] {
            cKivDownListCell* row = FirstRow(DownloadedList(mainWindow()));
            return row && row->statusText == QStringLiteral("安装完成");
        },
        [this] {
            markStage("installed");
            CKivXzglYjxzDlg* page = mainWindow()->downloadManager()->downloadedPage();
            cKivDownloadInfo* entry = page->entryOf(FirstRow(DownloadedList(mainWindow())));
            if (entry) {
                m_package = QString::fromStdString(entry->PackageName);
                m_packageFile = QString::fromStdString(entry->path);
            }
        },
        60000);
    addStop(
        "unplugged",
        [this] {
            runPhoneControl("unplug PSIM0001");
            mainWindow()->tabButton(0)->click();
        },
        [device] { return device()->currentState() == CKivSbxxDlg::kWelcome; });
}

void PenlowTour::addStop(QString name, std::function<void()> enter, std::function<bool()> reached,
                         std::function<void()> leave, int timeoutMs, bool picture) {
    m_stops.push_back(Stop{std::move(name), std::move(enter), std::move(reached), std::move(leave),
                           timeoutMs, picture});
}

void PenlowTour::tick() {
    if (m_current >= m_stops.size()) {
        return;
    }
    Stop& stop = m_stops[m_current];
    if (!m_entered) {
        m_entered = true;
        m_stopClock.start();
        if (stop.enter) {
            stop.enter();
        }
    }
    if (m_reachedAt < 0 && stop.reached()) {
        m_reachedAt = m_stopClock.elapsed();
    }
    if (m_reachedAt < 0) {
        if (m_stopClock.elapsed() > stop.timeoutMs) {
            finish(1, QString("stop %1 (%2) not reached in %3 ms")
                          .arg(m_current + 1)
                          .arg(stop.name)
                          .arg(stop.timeoutMs));
        }
        return;
    }
    // A page that has just loaded paints a moment later: let it settle before the picture.
    if (m_pictures && stop.picture && m_stopClock.elapsed() - m_reachedAt < kSettleMs) {
        return;
    }
    Say(QString("stop %1 %2 after %3 ms").arg(m_current + 1).arg(stop.name).arg(m_reachedAt));
    if (stop.picture) {
        takePicture(stop.name);
    }
    if (stop.leave) {
        stop.leave();
    }
    ++m_current;
    m_entered = false;
    m_reachedAt = -1;
    if (m_current == m_stops.size()) {
        finish(0, "every stop reached");
    }
}

void PenlowTour::finish(int code, const QString& why) {
    m_poll.stop();
    m_exitCode = code;
    Say(code == 0 ? why : "FAILED: " + why);
    if (code != 0) {
        takePicture("failed");
    }
    if (CKivOrviaDlg* main = mainWindow(); main && code != 0) {
        CKivSbxxDlg* device = main->devicePage();
        Say(QString("device page state %1, drawn %2, title \"%3\"")
                .arg(device->currentState())
                .arg(device->drawnState())
                .arg(device->title()->text()));
    }
    writeReport();
    // Closing the main window ends the program the way a user ends it.
    if (CKivOrviaDlg* main = mainWindow()) {
        main->close();
    }
    if (QWidget* login = loginDialog()) {
        login->close();
    }
    QApplication::exit(code);
}

void PenlowTour::takePicture(const QString& name) {
    if (!m_pictures) {
        return;
    }
    QWidget* window = mainWindow() ? static_cast<QWidget*>(mainWindow()) : loginDialog();
    if (!window) {
        return;
    }
    ++m_pictureCount;
    const QString path = QDir(m_screens).filePath(
        QString("demo-%1-%2.png").arg(m_pictureCount, 2, 10, QChar('0')).arg(name));
    // The screen, not the widget: the flying icon and other top-level pictures are on it.
    QPixmap picture = window->screen()->grabWindow(0, window->x(), window->y(), window->width(),
                                                   window->height());
    if (picture.isNull()) {
        picture = window->grab();
    }
    picture.save(path);
}

void PenlowTour::runPhoneControl(const QString& command) {
    QStringList parts = QProcess::splitCommand(m_phoneControl);
    if (parts.isEmpty()) {
        finish(1, "no phone control command");
        return;
    }
    const QString program = parts.takeFirst();
    parts += command.split(' ');
    QProcess::startDetached(program, parts);
}

bool PenlowTour::clickStoreDownload() {
    CKivYyyxDlg* page = mainWindow()->storePage();
    auto* view = page->browser() ? page->browser()->findChild<QWebEngineView*>() : nullptr;
    if (!view) {
        finish(1, "the store shows no web view");
        return false;
    }
    // Bring the first download link into view, then press it with the mouse where it is.
    const QString locate =
        QStringLiteral("(function(){var a=document.querySelector('a.dl');if(!a)return null;"
                       "a.scrollIntoView({block:'center'});var r=a.getBoundingClientRect();"
                       "return [r.left+r.width/2,r.top+r.height/2];})()");
    QPointer<QWebEngineView> guard(view);
    view->page()->runJavaScript(locate, [guard](const QVariant& result) {
        const QVariantList point = result.toList();
        if (!guard || point.size() != 2) {
            return;
        }
        const QPoint local(point[0].toInt(), point[1].toInt());
        QCursor::setPos(guard->mapToGlobal(local));
        QWidget* target = guard->focusProxy() ? guard->focusProxy() : guard.data();
        QMouseEvent press(QEvent::MouseButtonPress, local, guard->mapToGlobal(local),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, local, guard->mapToGlobal(local),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    });
    return true;
}

void PenlowTour::markStage(const QString& name) {
    m_marks[name] = m_journeyClock.elapsed();
}

void PenlowTour::writeReport() {
    auto span = [this](const char* from, const char* to) -> qint64 {
        if (!m_marks.count(from) || !m_marks.count(to)) {
            return -1;
        }
        return m_marks[to] - m_marks[from];
    };
    QJsonObject stages{{"plug_to_connected_ms", span("plug", "connected")},
                       {"click_to_download_start_ms", span("click", "download-started")},
                       {"click_to_flight_end_ms", span("click", "flight-ended")},
                       {"download_end_to_install_result_ms", span("download-ended", "installed")}};
    for (auto it = stages.begin(); it != stages.end(); ++it) {
        Say(QString("stage %1 %2").arg(it.key()).arg(it.value().toInteger()));
    }
    if (m_reportPath.isEmpty()) {
        return;
    }
    QJsonObject report{{"ok", m_exitCode == 0},
                       {"package", m_package},
                       {"file", m_packageFile},
                       {"stages", stages},
                       {"pictures", m_pictureCount}};
    QFile file(m_reportPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(QJsonDocument(report).toJson());
    }
}
