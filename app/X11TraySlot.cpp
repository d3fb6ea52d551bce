#include "app/X11TraySlot.h"

#include <QApplication>
#include <QResizeEvent>
#include <QWidget>

#include <cmath>

namespace {

const QString kTrayWindowName = QStringLiteral("QSystemTrayIconSys");
constexpr int kDefaultHeight = 22;

bool isTrayWindow(const QObject* object)
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->isWindow() && widget->objectName() == kTrayWindowName;
}

} // namespace

X11TraySlot::X11TraySlot(QObject* parent)
    : QObject(parent)
{
    // The window comes and goes with the tray, so every top-level shown is looked at.
    qApp->installEventFilter(this);
}

void X11TraySlot::setAspectRatio(qreal ratio)
{
    m_aspectRatio = ratio > 0 ? ratio : 1.0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (isTrayWindow(widget))
            fit(*widget);
    }
}

bool X11TraySlot::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && isTrayWindow(watched)) {
        fit(*static_cast<QWidget*>(watched));
    } else if (event->type() == QEvent::Resize && isTrayWindow(watched)) {
        // A new height from the tray asks for a new width. A width the tray
        // insists on is left alone, so the two never argue.
        const auto* resize = static_cast<QResizeEvent*>(event);
        if (resize->size().height() != resize->oldSize().height())
            fit(*static_cast<QWidget*>(watched));
    }
    return false;
}

void X11TraySlot::fit(QWidget& window) const
{
    const int height = window.height() > 0 ? window.height() : kDefaultHeight;
    const int width = qMax(height, int(std::ceil(height * m_aspectRatio)));
    if (window.minimumWidth() != width)
        window.setMinimumWidth(width);
    if (window.width() != width)
        window.resize(width, height);
}
