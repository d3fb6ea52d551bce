// A window of an application named by the first argument (its desktop file
// name); says "shown" once its window is up.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argc > 1 ? argv[1] : ""));
    QWidget window;
    window.resize(200, 100);
    window.show();
    QTimer::singleShot(300, [] { std::puts("shown"), std::fflush(stdout); });
    return application.exec();
}
