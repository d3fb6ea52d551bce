#include "settings_ui/SettingsForm.h"

#include <QScrollArea>
#include <QVBoxLayout>

SectionBox::SectionBox(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("section"));
    setStyleSheet(QStringLiteral("#section { background: palette(base); border: 1px solid palette(midlight);"
                                 " border-radius: 8px; }"));
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(12, 8, 12, 8);
    rows->setSpacing(8);
}

QVBoxLayout* SectionBox::rows() const
{
    return static_cast<QVBoxLayout*>(layout());
}

SettingsForm::SettingsForm(QWidget& page, const QMargins& margins, int spacing)
{
    auto* outer = new QVBoxLayout(&page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(&page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    m_widget = new QWidget(scroll);
    m_column = new QVBoxLayout(m_widget);
    m_column->setContentsMargins(margins);
    m_column->setSpacing(spacing);
    scroll->setWidget(m_widget);
}
