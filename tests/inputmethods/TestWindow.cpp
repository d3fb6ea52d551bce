// A window of an application whose desktop file name (its Wayland app_id) is
// the first argument: a test client for the Wayland sessions' workspaces.
#include <QApplication>
#include <QLabel>

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
    return application.exec();
}
