#include "app/KelvaroApp.h"

#include "settings_ui/PermissionsManager.h"
#include "app/CommandLine.h"
#include "app/ControlCommand.h"
#include "app/ControlInterface.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "core/InputSourceManager.h"
#include "core/RememberedInputSources.h"
#include "core/RuleEngine.h"
#include "core/WindowWatcher.h"
#include "feedback/FlagEmoji.h"
#include "feedback/InputSourceIndicatorController.h"
#include "core/RulesExportManager.h"
#include "feedback/GlobalHotkeyManager.h"
#include "feedback/MenuBarIndicatorController.h"
#include "feedback/PauseToggle.h"
#include "feedback/SoundEffectManager.h"
#include "localization/LocalizationManager.h"
#include "logging/ApplicationIdentity.h"
#include "logging/Logger.h"
#include "platform/Platform.h"
#include "platform/Session.h"
#include "platform/TerminationSignals.h"
#include "settings/UserDefaults.h"
#include "settings_ui/LaunchAtLoginManager.h"
#include "settings_ui/SettingsView.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>

KelvaroApp::KelvaroApp(QObject* parent)
    : QObject(parent)
    , m_ruleEngine(RuleEngine::shared())
    , m_inputSourceManager(InputSourceManager::shared())
    , m_permissionsManager(PermissionsManager::shared())
    , m_menuBarIndicator(MenuBarIndicatorController::shared())
    , m_settingsWindow(settingsWindowIdentifier, [this] {
        return new SettingsView({m_ruleEngine, m_inputSourceManager, m_permissionsManager,
                                 platform::sharedShellExtension(), platform::sharedWorkspace(),
                                 LaunchAtLoginManager::shared(),
                                 ProSettingsView::Services{UserDefaults::standard(), m_ruleEngine,
                                                           RulesExportManager::shared(), SoundEffectManager::shared(),
                                                           RememberedInputSources::shared(),
                                                           []() -> GlobalHotkeyManager& {
                                                               return GlobalHotkeyManager::shared();
                                                           }}});
    })
{
    // No window of the last run is brought back at launch.
    UserDefaults::setValue(UserDefaults::standard(), QStringLiteral("NSQuitAlwaysKeepsWindows"), false);

    // A stored "pauseHotkeyEnabled" takes effect at launch.
    GlobalHotkeyManager::shared().startMonitoring();

    StatusMenu::Actions actions;
    actions.openSettings = [this] { openWindow(settingsWindowIdentifier); };
    actions.quit = [] { QCoreApplication::quit(); };
    actions.proposeRule = [this] { return OneClickRule::propose(WindowWatcher::shared().activeApp(), m_inputSourceManager); };
    actions.addRule = [this](const OneClickRule& proposal) {
        m_ruleEngine.addRule(proposal.rule);
        InputSourceIndicatorController::showSharedMessage(localized(QStringLiteral("Rule Added")),
                                                          flagEmoji(proposal.rule.targetInputSourceID));
    };
    m_trayIcon =
        std::make_unique<TrayIcon>(m_ruleEngine, m_menuBarIndicator, PauseToggle::shared(), std::move(actions));
    m_trayIcon->show();

    auto* control = new ControlInterface(
        {m_ruleEngine, m_inputSourceManager, PauseToggle::shared(), platform::sharedWorkspace()}, this);
    control->publish(platform::sessionBus());
}

KelvaroApp::~KelvaroApp() = default;

void KelvaroApp::openWindow(const QString& identifier)
{
    if (identifier != m_settingsWindow.identifier()) {
        Logger::shared().error(QStringLiteral("No window with the identifier ") + identifier);
        return;
    }
    m_settingsWindow.open();
}

int KelvaroApp::run(int argc, char** argv)
{
    const CommandLine commandLine = CommandLine::parse(CommandLine::argumentsOf(argc, argv));
    switch (commandLine.command) {
    case CommandLine::Command::ShowHelp:
        std::fputs(qUtf8Printable(CommandLine::usage()), stdout);
        return 0;
    case CommandLine::Command::ShowVersion:
        std::printf("Kelvaro %s\n", qUtf8Printable(QCoreApplication::applicationVersion()));
        return 0;
    case CommandLine::Command::Invalid:
        std::fprintf(stderr, "%s\n\n%s", qUtf8Printable(commandLine.error), qUtf8Printable(CommandLine::usage()));
        return 2;
    case CommandLine::Command::ListSources:
    case CommandLine::Command::Pause:
    case CommandLine::Command::Resume:
    case CommandLine::Command::TogglePause:
    case CommandLine::Command::ShowStatus:
    case CommandLine::Command::ListRules:
    case CommandLine::Command::AddRule:
    case CommandLine::Command::DeleteRule:
        return ControlCommand::run(commandLine, argc, argv);
    case CommandLine::Command::RunTray:
        break;
    }

    QGuiApplication::setDesktopFileName(QString::fromLatin1(ApplicationIdentity::kDesktopFileName));

    // Decided before the display is opened: a later start needs none.
    SingleInstance instance;
    if (instance.claim() == SingleInstance::Role::Secondary) {
        QCoreApplication application(argc, argv);
        if (instance.activatePrimary() == SingleInstance::Role::Secondary) {
            Logger::shared().info(QStringLiteral("Kelvaro is already running; asked it to open its settings"));
            return 0;
        }
    }

    // In a Wayland session the windows go through Xwayland when it is there, so
    // that the floating panel keeps its place and never takes the focus.
    if (QString noX; qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", platform::probeDisplay(&noX) ? "xcb" : "wayland");
    // Without a display Qt would abort; say what is missing instead.
    const QString platformName = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (QString error; (platformName.isEmpty() || platformName.startsWith(QLatin1String("xcb")))
                       && !platform::probeDisplay(&error)) {
        Logger::shared().error(error);
        return 1;
    }

    QApplication application(argc, argv);
    // Closing the settings window or the floating panel never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);
    // Before anything is written: a logout or Ctrl+C ends Kelvaro the way Quit does.
    platform::TerminationSignals terminationSignals;
    connect(
        &terminationSignals, &platform::TerminationSignals::caught, &application,
        [](const QString& name) {
            Logger::shared().info(QStringLiteral("Received %1; Kelvaro ends").arg(name));
            QCoreApplication::quit();
        },
        // Also when caught before the event loop runs: quit() is ignored until then.
        Qt::QueuedConnection);
    instance.listen();

    LocalizationManager::installQtTranslations(UserDefaults::standard());
    KelvaroApp kelvaro;
    connect(&instance, &SingleInstance::activationRequested, &kelvaro,
            [&kelvaro] { kelvaro.openWindow(settingsWindowIdentifier); });
    const int status = application.exec();
    // Settings written just before the end would otherwise wait for an event loop that no longer runs.
    UserDefaults::standard().sync();
    return status;
}
