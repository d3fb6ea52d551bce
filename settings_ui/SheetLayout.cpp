#include "settings_ui/SheetLayout.h"

#include "settings_ui/TextStyles.h"

#include <QDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kSpacing = 20;
constexpr int kPadding = 16;

} // namespace

SheetLayout::SheetLayout(QDialog& sheet, QSize size, const QString& title)
    : m_sheet(sheet)
    , m_column(new QVBoxLayout(&sheet))
    , m_form(new QVBoxLayout)
{
    sheet.setWindowModality(Qt::WindowModal);
    sheet.setFixedSize(size);
    sheet.setWindowTitle(title);
    m_column->setSpacing(kSpacing);
    m_column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    auto* heading = new QLabel(title, &sheet);
    TextStyles::apply(*heading, TextStyles::headline(sheet));
    heading->setAlignment(Qt::AlignCenter);
    m_column->addWidget(heading);
    m_form->setSpacing(10);
    m_column->addLayout(m_form);
    m_column->addStretch(1);
}

QFormLayout* SheetLayout::addSection(const QString& title)
{
    auto* group = new QGroupBox(title, &m_sheet);
    auto* form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->addWidget(group);
    return form;
}

void SheetLayout::addButtons(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    const bool centred = std::find(buttons.begin(), buttons.end(), nullptr) == buttons.end();
    if (centred)
        row->addStretch(1);
    for (QPushButton* button : buttons) {
        if (button)
            row->addWidget(button);
        else
            row->addStretch(1);
    }
    if (centred)
        row->addStretch(1);
    m_column->addLayout(row);
}
