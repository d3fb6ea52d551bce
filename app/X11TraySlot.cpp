#include "app/X11TraySlot.h"

#include <QApplication>
#include <QEvent>
#include <QSystemTrayIcon>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

const QString kTrayWindowName = QStringLiteral("QSystemTrayIconSys");
// The height Qt gives the window; the tray may change it after taking it in.
constexpr int kHeight = 22;

bool isTrayWindow(const QObject* object)
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->isWindow() && widget->objectName() == kTrayWindowName;
}

} // namespace

X11TraySlot::X11TraySlot(QSystemTrayIcon& item, QObject* parent)
    : QObject(parent)
    , m_item(item)
{
    // The window comes and goes with the tray, so every window is looked at as it is created.
    qApp->installEventFilter(this);
}

void X11TraySlot::setAspectRatio(qreal ratio)
{
    const int before = wantedWidth();
    m_aspectRatio = ratio > 0 ? ratio : 1.0;
    // A tray that sized the window its own way is not asked again for the same width.
    if (wantedWidth() == before || !trayWindow() || !m_item.isVisible())
        return;
    m_item.hide();
    m_item.show();
}

bool X11TraySlot::eventFilter(QObject* watched, QEvent* event)
{
    // The native window exists now and is offered to the tray right after.
    if (event->type() == QEvent::WinIdChange && isTrayWindow(watched)) {
        auto* window = static_cast<QWidget*>(watched);
        window->setMinimumWidth(wantedWidth());
        window->resize(wantedWidth(), kHeight);
    }
    return false;
}

int X11TraySlot::wantedWidth() const
{
    return qMax(kHeight, int(std::ceil(kHeight * m_aspectRatio)));
}

QWidget* X11TraySlot::trayWindow() const
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto found = std::find_if(windows.cbegin(), windows.cend(), isTrayWindow);
    return found == windows.cend() ? nullptr : *found;
}
