// A window of an application whose desktop file name (its Wayland app_id) is
// the first argument: a test client for the Wayland sessions' workspaces.
// Says "shown" once its window is up.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const QString appId = QString::fromLocal8Bit(argv[1]);
    QGuiApplication::setDesktopFileName(appId);
    QLabel window(appId);
    window.resize(320, 200);
    window.show();
    QTimer::singleShot(300, [] { std::puts("shown"), std::fflush(stdout); });
    return application.exec();
}
