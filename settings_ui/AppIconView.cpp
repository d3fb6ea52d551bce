#include "settings_ui/AppIconView.h"

#include "feedback/SymbolIcons.h"
#include "platform/Workspace.h"

#include <QPainter>

AppIconView::AppIconView(const QString& bundleID, int size, platform::Workspace& workspace, QWidget* parent)
    : QWidget(parent)
    , m_bundleID(bundleID)
    , m_workspace(workspace)
{
    setFixedSize(size, size);
}

void AppIconView::showEvent(QShowEvent* event)
{
    lookUp();
    QWidget::showEvent(event);
}

void AppIconView::lookUp()
{
    if (const auto installed = m_workspace.installedApplication(m_bundleID)) {
        m_icon = installed->icon();
        update();
        return;
    }
    for (const platform::RunningApplication& application : m_workspace.runningApplications()) {
        if (application.bundleIdentifier == m_bundleID) {
            m_icon = application.icon();
            update();
            return;
        }
    }
}

void AppIconView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_icon.isNull())
        m_icon.paint(&painter, rect(), Qt::AlignCenter);
    else
        painter.drawPixmap(rect(), SymbolIcons::pixmap(SymbolIcons::application, width(), Qt::gray,
                                                       devicePixelRatioF()));
}
