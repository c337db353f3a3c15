// PenlowTour: the scripted walk through the program that the demo photographs and the
// full-journey test asserts: log in, plug a phone in, watch it connect, browse the store,
// download an app and see it installed on the phone, unplug it.
//
// The tour drives the real windows of the running program the way a user would (it fills the
// login fields, clicks tabs and buttons, types a search, clicks a store card's download link)
// and reads what they show. It starts only when the environment asks for it:
//   PENLOW_TOUR=screens|check     screens: save a picture at each stop; check: assert instead
//   PENLOW_TOUR_SCREENS=DIR       where the pictures go (demo-NN-name.png)
//   PENLOW_TOUR_PHONE_CONTROL=CMD the phone simulator's control command ("... ctl PORT")
//   PENLOW_TOUR_ACCOUNT="USER PASSWORD"
//   PENLOW_TOUR_REPORT=FILE       JSON of what was installed and the stage times
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CKivOrviaDlg;
class QWidget;

class PenlowTour : public QObject {
    Q_OBJECT
public:
    /// The tour the environment asks for, or nullptr.
    static std::unique_ptr<PenlowTour> FromEnvironment();
    ~PenlowTour() override;

    /// Starts polling the program's windows (UI thread, after the application object exists).
    void start();
    /// 0 once every stop was reached, 1 when one was not.
    int exitCode() const { return m_exitCode; }

private:
    struct Stop {
        QString name;
        std::function<void()> enter; ///< runs once when the stop begins
        std::function<bool()> reached;
        std::function<void()> leave; ///< runs once after the stop was reached (and pictured)
        int timeoutMs = 20000;
        bool picture = true;
    };

    PenlowTour(bool pictures, QString screens, QString phoneControl, QStringList account,
               QString reportPath);
    void buildStops();
    void addStop(QString name, std::function<void()> enter, std::function<bool()> reached,
                 std::function<void()> leave = {}, int timeoutMs = 20000, bool picture = true);
    void tick();
    void finish(int code, const QString& why);
    void takePicture(const QString& name);
    void runPhoneControl(const QString& command);
    void writeReport();
    void markStage(const QString& name);

    CKivOrviaDlg* mainWindow() const;
    QWidget* loginDialog() const;
    bool clickStoreDownload();

    const bool m_pictures;
    const QString m_screens;
    const QString m_phoneControl;
    const QStringList m_account;
    const QString m_reportPath;
    std::vector<Stop> m_stops;
    std::size_t m_current = 0;
    bool m_entered = false;
    qint64 m_reachedAt = -1; ///< when the current stop was reached (its clock), -1 before
    QElapsedTimer m_stopClock;
    QElapsedTimer m_journeyClock;
    std::map<QString, qint64> m_marks;
    QTimer m_poll;
    int m_exitCode = 0;
    int m_pictureCount = 0;
    QString m_package;
    QString m_packageFile;
};
