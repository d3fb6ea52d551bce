#pragma once

#include <QFrame>
#include <QMargins>

class QVBoxLayout;

// A rounded box in the base colour that holds the rows of one section.
class SectionBox : public QFrame {
    Q_OBJECT
public:
    explicit SectionBox(QWidget* parent);

    QVBoxLayout* rows() const;
};

// The body of a settings page: a column of sections that scrolls when the
// window is too short for it.
class SettingsForm {
public:
    SettingsForm(QWidget& page, const QMargins& margins, int spacing);

    // The parent of the sections' widgets, and the column they go in.
    QWidget* widget() const { return m_widget; }
    QVBoxLayout* column() const { return m_column; }

private:
    QWidget* m_widget;
    QVBoxLayout* m_column;
};
