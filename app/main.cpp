#include "app/LocalizationManager.h"
#include "app/UserDefaults.h"
#include "core/RuleEngine.h"
#include "feedback/GlobalHotkeyManager.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication::setOrganizationName(QStringLiteral("Kelvaro"));
    QApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.kelvaro.Kelvaro"));
    QApplication application(argc, argv);
    // The floating panel comes and goes; closing it must never end the process.
    QApplication::setQuitOnLastWindowClosed(false);

    LocalizationManager::installQtTranslations(UserDefaults::standard());
    LocalizationManager::shared();
    RuleEngine::shared();
    // Installs the pause hotkey's monitor when "pauseHotkeyEnabled" is stored true.
    GlobalHotkeyManager::shared().startMonitoring();

    return application.exec();
}
