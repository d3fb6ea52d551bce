#include "platform/sway/SwayInputSources.h"
#include "platform/sway/SwayIpc.h"
#include "platform/sway/SwayWorkspace.h"

#include "Command.h"
#include "InputMethodFramework.h"
#include "ServerProcess.h"
#include "TestEnvironment.h"
#include "XvfbServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The unprivileged user sway runs as when the test runs as root, which sway refuses.
constexpr uid_t kSwayUser = 65534;

constexpr char kConfig[] = R"(input type:keyboard {
    xkb_layout us,de
}
xwayland disable
)";

// sway nested in an X server of its own (its X11 backend, drawn in memory),
// with two keyboard layouts, and Qt windows of the test's own as its
// clients. The compositor and the clients are the test's processes, ended
// with it.
class SwayFramework : public InputMethodFramework {
public:
    ~SwayFramework() override
    {
        m_ipc.reset();
        for (QProcess* window : std::as_const(m_windows))
            stopProcess(*window), delete window;
        stopProcess(m_sway);
    }

    bool start(QString* error) override
    {
        // Not under the test's folder, which the unprivileged user cannot enter.
        const bool root = ::getuid() == 0;
        if (!m_folder.isValid() || !QDir(m_folder.path()).mkdir("run") || ::chmod(qPrintable(m_folder.path()), 0755) != 0
            || (root && ::chown(qPrintable(runtimeFolder()), kSwayUser, kSwayUser) != 0)) {
            *error = "cannot make sway's runtime folder";
            return false;
        }
        QFile config(m_folder.filePath("config"));
        if (!config.open(QIODevice::WriteOnly) || config.write(kConfig) < 0 || !config.flush()
            || !config.setPermissions(config.permissions() | QFile::ReadOther)) {
            *error = "cannot write sway's config";
            return false;
        }
        // One application with a desktop entry named after its app_id (its Exec must exist), one without.
        QFile entry(TestEnvironment::current().dataDir() + "/applications/org.example.Other.desktop");
        if (!QDir().mkpath(QFileInfo(entry).path()) || !entry.open(QIODevice::WriteOnly)
            || entry.write("[Desktop Entry]\nType=Application\nName=Other\nExec=true\n") < 0) {
            *error = "cannot write a desktop entry";
            return false;
        }
        entry.close();
        if (!m_xServer.start({"us"}, {}, error))
            return false;
        QProcessEnvironment environment;
        environment.insert("PATH", qEnvironmentVariable("PATH"));
        environment.insert("HOME", m_folder.path());
        environment.insert("XDG_RUNTIME_DIR", runtimeFolder());
        environment.insert("DISPLAY", m_xServer.displayName());
        environment.insert("WLR_BACKENDS", "x11");
        environment.insert("WLR_RENDERER", "pixman");
        environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        m_sway.setProcessEnvironment(environment);
        m_sway.setStandardOutputFile(m_folder.filePath("sway.log"));
        m_sway.setStandardErrorFile(m_folder.filePath("sway.log"));
        m_sway.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        if (root)
            m_sway.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "sway", "-c", config.fileName()});
        else
            m_sway.start("sway", {"-c", config.fileName()});
        for (QDeadlineTimer ready(10000); !ready.hasExpired() && m_sway.state() != QProcess::NotRunning; QTest::qWait(50)) {
            const QStringList sockets = QDir(runtimeFolder()).entryList({"sway-ipc.*.sock"}, QDir::System);
            const QStringList displays = QDir(runtimeFolder()).entryList({"wayland-?"}, QDir::System);
            if (!sockets.isEmpty() && !displays.isEmpty()) {
                m_swaySocket = runtimeFolder() + "/" + sockets.first();
                m_waylandDisplay = runtimeFolder() + "/" + displays.first();
                m_ipc = platform::SwayIpc::connect(m_swaySocket, error);
                return m_ipc && m_ipc->runCommand("input type:keyboard xkb_switch_layout 0");
            }
        }
        *error = "sway did not start; see " + m_folder.filePath("sway.log");
        return false;
    }

    std::unique_ptr<platform::TextInputSources> createBackend() override
    {
        return std::make_unique<platform::SwayInputSources>(m_ipc);
    }
    QList<std::pair<QString, QString>> expectedSources() const override
    {
        return {{"xkb:us::eng", "English (US)"}, {"xkb:de::deu", "German"}};
    }
    bool selectFromAnotherClient(const QString& id) override
    {
        return swaymsg(QString("input type:keyboard xkb_switch_layout %1").arg(id == "xkb:de::deu" ? 1 : 0));
    }
    bool focusNewInputContext() override { return false; }
    bool kill() override
    {
        // setpriv becomes sway: the same process.
        if (m_sway.state() != QProcess::Running || ::kill(pid_t(m_sway.processId()), SIGKILL) != 0)
            return false;
        return m_sway.waitForFinished(5000);
    }

    QString session() const override { return "sway"; }
    QProcessEnvironment programEnvironment() const override
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");   // a session without Xwayland
        environment.insert("SWAYSOCK", m_swaySocket);
        environment.insert("WAYLAND_DISPLAY", m_waylandDisplay);
        return environment;
    }
    std::unique_ptr<platform::Workspace> createWorkspace() override
    {
        return std::make_unique<platform::SwayWorkspace>(m_ipc);
    }
    bool activateApplication(const QString& appId) override
    {
        const QString criteria = QString("[app_id=\"^%1$\"]").arg(QRegularExpression::escape(appId));
        if (!m_windows.contains(appId)) {
            auto* window = new QProcess;
            m_windows.insert(appId, window);
            QProcessEnvironment environment = programEnvironment();
            environment.insert("QT_QPA_PLATFORM", "wayland");
            window->setProcessEnvironment(environment);
            window->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            window->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
            window->start(QCoreApplication::applicationDirPath() + "/kelvaro_test_window", {appId});
            // Its window is focused as it maps; focusing it then is the test's own step.
            for (QDeadlineTimer mapped(10000); !swaymsg(criteria + " focus", false); QTest::qWait(50)) {
                if (mapped.hasExpired() || window->state() == QProcess::NotRunning)
                    return false;
            }
            return true;
        }
        return swaymsg(criteria + " focus");
    }

private:
    QString runtimeFolder() const { return m_folder.filePath("run"); }
    bool swaymsg(const QString& command, bool warn = true) const
    {
        QString error;
        const bool done = runCommand("swaymsg", {"-s", m_swaySocket, command}, &error, 5000).has_value();
        if (!done && warn)
            qWarning("%s", qPrintable(error));
        return done;
    }

    QTemporaryDir m_folder{QDir::tempPath() + "/kelvaro-sway-XXXXXX"};
    XvfbServer m_xServer;
    QProcess m_sway;
    QString m_swaySocket;
    QString m_waylandDisplay;
    std::shared_ptr<platform::SwayIpc> m_ipc;
    QHash<QString, QProcess*> m_windows;
};

const bool registered = InputMethodFramework::add("sway", [] { return std::make_unique<SwayFramework>(); });

} // namespace
