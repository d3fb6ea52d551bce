#pragma once

#include <QSize>
#include <QString>

#include <initializer_list>

class QDialog;
class QFormLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The frame both rule sheets share: a fixed size, window-modal over the
// settings window, a title, a grouped form and a row of buttons, 20 pixels
// apart.
class SheetLayout {
public:
    SheetLayout(QDialog& sheet, QSize size, const QString& title);

    // A group of the form, headed by `title` (none when empty).
    QFormLayout* addSection(const QString& title);
    // The button row; a null entry is flexible space. Without one the
    // buttons are centred.
    void addButtons(std::initializer_list<QPushButton*> buttons);

private:
    QDialog& m_sheet;
    QVBoxLayout* m_column;
    QVBoxLayout* m_form;
};
