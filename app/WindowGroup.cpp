#include "app/WindowGroup.h"

WindowGroup::WindowGroup(const QString& identifier, Factory factory, QObject* parent)
    : QObject(parent)
    , m_identifier(identifier)
    , m_factory(std::move(factory))
{
}

WindowGroup::~WindowGroup()
{
    delete m_window.data();
}

void WindowGroup::open()
{
    if (!m_window) {
        QWidget* window = m_factory();
        window->setObjectName(m_identifier);
        window->setWindowRole(m_identifier);
        window->setAttribute(Qt::WA_DeleteOnClose);
        m_window = window;
    }
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    emit opened(m_window);
}
