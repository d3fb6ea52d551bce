#pragma once

#include <QLabel>

// A key cap showing one key of a shortcut: the text in a medium rounded face
// on a faint rounded rectangle with a thin border.
class KeyboardKeyView : public QLabel {
    Q_OBJECT
public:
    explicit KeyboardKeyView(const QString& symbol, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
