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
// apart. Titles and labels are given in English and follow the interface
// language while the sheet is open.
class SheetLayout {
public:
    SheetLayout(QDialog& sheet, QSize size, const char* englishTitle);

    // A group of the form, headed by `englishTitle` (none when null).
    QFormLayout* addSection(const char* englishTitle);
    // A row of `section` with a label before `field`.
    void addRow(QFormLayout* section, const char* englishLabel, QWidget* field);
    // The button row; a null entry is flexible space. Without one the
    // buttons are centred.
    void addButtons(std::initializer_list<QPushButton*> buttons);

private:
    QDialog& m_sheet;
    QVBoxLayout* m_column;
    QVBoxLayout* m_form;
};
