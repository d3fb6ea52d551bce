#pragma once

#include <QObject>
#include <QSizeF>

class QWidget;

// Qt's X11 tray item (XEmbed) is a 22×22 window of its own, named
// "QSystemTrayIconSys", created whenever a system tray appears. This asks
// that window for the width the picture needs at the height the tray gives
// it; trays that honour the width asked for (trayer does) then show the whole
// picture instead of shrinking it into a square. Where the window does not
// exist (a StatusNotifierItem host, no tray yet, another Qt) nothing happens.
class X11TraySlot : public QObject {
    Q_OBJECT
public:
    explicit X11TraySlot(QObject* parent = nullptr);

    // Width over height of the picture shown.
    void setAspectRatio(qreal ratio);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit(QWidget& window) const;

    qreal m_aspectRatio = 1.0;
};
