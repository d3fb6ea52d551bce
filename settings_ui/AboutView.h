#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The last page of the settings window: the program's symbol, name and
// version, a line about it and a link that starts an e-mail to support.
class AboutView : public QWidget {
    Q_OBJECT
public:
    explicit AboutView(QWidget* parent = nullptr);

    // "v" + version + " (" + build number + ")".
    static QString versionText();
    // Logs the link and hands it to the browser.
    static void contactSupport();

private:
    void retranslate();

    QLabel* m_name;
    QLabel* m_version;
    QLabel* m_description;
    QPushButton* m_support;
};
