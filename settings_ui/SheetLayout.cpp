#include "settings_ui/SheetLayout.h"

#include "localization/LocalizationManager.h"
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

SheetLayout::SheetLayout(QDialog& sheet, QSize size, const char* englishTitle)
    : m_sheet(sheet)
    , m_column(new QVBoxLayout(&sheet))
    , m_form(new QVBoxLayout)
{
    sheet.setWindowModality(Qt::WindowModal);
    sheet.setFixedSize(size);
    m_column->setSpacing(kSpacing);
    m_column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    auto* heading = new QLabel(&sheet);
    followLanguage(&sheet, [&sheet, heading, englishTitle] {
        sheet.setWindowTitle(localized(QString::fromUtf8(englishTitle)));
        heading->setText(sheet.windowTitle());
    });
    TextStyles::apply(*heading, TextStyles::headline(sheet));
    heading->setAlignment(Qt::AlignCenter);
    m_column->addWidget(heading);
    m_form->setSpacing(10);
    m_column->addLayout(m_form);
    m_column->addStretch(1);
}

QFormLayout* SheetLayout::addSection(const char* englishTitle)
{
    auto* group = new QGroupBox(&m_sheet);
    if (englishTitle)
        followLanguage(group, [group, englishTitle] { group->setTitle(localized(QString::fromUtf8(englishTitle))); });
    auto* form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->addWidget(group);
    return form;
}

void SheetLayout::addRow(QFormLayout* section, const char* englishLabel, QWidget* field)
{
    auto* label = new QLabel(&m_sheet);
    label->setBuddy(field);
    followLanguage(label, [label, englishLabel] { label->setText(localized(QString::fromUtf8(englishLabel))); });
    section->addRow(label, field);
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
