#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// At most one window for an identifier: opening creates it (objectName and
// X11 window role are the identifier) or, while it is open, brings the same
// window back to the front. Closing the window destroys it. Main thread only.
class WindowGroup : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<QWidget*()>;

    WindowGroup(const QString& identifier, Factory factory, QObject* parent = nullptr);
    ~WindowGroup() override;

    QString identifier() const { return m_identifier; }
    QWidget* window() const { return m_window.data(); }

    // Shows the window, raised and activated.
    void open();

signals:
    void opened(QWidget* window);

private:
    QString m_identifier;
    Factory m_factory;
    QPointer<QWidget> m_window;
};
