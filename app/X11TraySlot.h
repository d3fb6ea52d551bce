#pragma once

#include <QObject>

class QSystemTrayIcon;
class QWidget;

// Qt's X11 tray item (XEmbed) is a 22×22 window of its own, named
// "QSystemTrayIconSys", created whenever the item is shown while a system
// tray exists. This gives that window the width the picture needs before it
// asks the tray to take it in; trays that keep the width they are offered
// (trayer does) then show the whole picture instead of shrinking it into a
// square. Once taken in, the window is never resized (the tray owns its place
// then): a new width is offered by showing the item afresh. Where the window
// does not exist (a StatusNotifierItem host, no tray yet, another Qt) nothing
// happens.
class X11TraySlot : public QObject {
    Q_OBJECT
public:
    explicit X11TraySlot(QSystemTrayIcon& item, QObject* parent = nullptr);

    // Width over height of the picture shown.
    void setAspectRatio(qreal ratio);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int wantedWidth() const;
    QWidget* trayWindow() const;

    QSystemTrayIcon& m_item;
    qreal m_aspectRatio = 1.0;
};
