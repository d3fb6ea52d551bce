#pragma once

#include <QIcon>
#include <QWidget>

namespace platform {
class Workspace;
}

// The icon of the application with a bundle identifier, in a square: the
// installed application's, else a running one's, else a grey application
// symbol. Looked up each time the view is shown, never cached between views.
class AppIconView : public QWidget {
    Q_OBJECT
public:
    AppIconView(const QString& bundleID, int size, platform::Workspace& workspace, QWidget* parent = nullptr);

    // The icon found by the last lookup; null while the symbol is shown.
    QIcon icon() const { return m_icon; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void lookUp();

    QString m_bundleID;
    platform::Workspace& m_workspace;
    QIcon m_icon;
};
