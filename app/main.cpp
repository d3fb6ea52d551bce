#include "app/LocalizationManager.h"
#include "app/UserDefaults.h"
#include "core/InputSourceManager.h"
#include "core/Logger.h"
#include "core/WindowWatcher.h"
#include "platform/TextInputSources.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication::setOrganizationName(QStringLiteral("Kelvaro"));
    QApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.kelvaro.Kelvaro"));
    QApplication application(argc, argv);

    LocalizationManager::installQtTranslations(UserDefaults::standard());
    LocalizationManager::shared();

    InputSourceManager& inputSources = InputSourceManager::shared();
    auto logCurrentSource = [&inputSources] {
        const auto current = inputSources.getCurrentInputSource();
        Logger::shared().info(QStringLiteral("Current input source: %1")
                                  .arg(current ? current->name + QStringLiteral(" (") + current->id + QLatin1Char(')')
                                               : QStringLiteral("none")));
    };
    QObject::connect(&inputSources.platform(), &platform::TextInputSources::selectedInputSourceChanged,
                     &application, logCurrentSource);
    logCurrentSource();

    WindowWatcher::shared().subscribe(&application, [](const WindowWatcher::Application& app) {
        if (app)
            Logger::shared().info(QStringLiteral("Frontmost application: %1")
                                      .arg(app->bundleIdentifier.value_or(QStringLiteral("(no identifier)"))));
    });

    return application.exec();
}
