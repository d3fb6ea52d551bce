#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

// What the rule list shows while there are no rules: a symbol, a title, a
// line of help and a button that starts the first rule.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyStateView(std::function<void()> onAdd, QWidget* parent = nullptr);

    void retranslate();

private:
    QLabel* m_title;
    QLabel* m_help;
    QPushButton* m_button;
};
