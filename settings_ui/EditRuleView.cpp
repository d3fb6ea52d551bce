#include "settings_ui/EditRuleView.h"

#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "localization/LocalizationManager.h"
#include "settings_ui/AppSummary.h"
#include "settings_ui/SheetLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>

EditRuleView::EditRuleView(const AppRule& rule, RuleEngine& engine, const InputSourceManager& inputSources,
                           platform::Workspace& workspace, QWidget* parent)
    : QDialog(parent)
    , m_rule(rule)
    , m_engine(engine)
    , m_picker(new QComboBox(this))
    , m_enabled(new QCheckBox(this))
    , m_save(new QPushButton(this))
    , m_delete(new QPushButton(this))
{
    SheetLayout sheet(*this, QSize(400, 380), QT_TR_NOOP("Edit Rule"));

    auto* target = sheet.addSection(QT_TR_NOOP("Target App"));
    auto* summary = new AppSummary(rule, workspace, this);
    summary->setContentsMargins(0, 4, 0, 4);
    target->addRow(summary);

    auto* source = sheet.addSection(QT_TR_NOOP("Input Source"));
    for (const InputSource& input : inputSources.installedInputSources())
        m_picker->addItem(input.name, input.id);
    // A source that is not enabled now is shown as no choice; Save keeps it.
    m_picker->setCurrentIndex(m_picker->findData(rule.targetInputSourceID));
    sheet.addRow(source, QT_TR_NOOP("Switch To"), m_picker);

    auto* state = sheet.addSection(nullptr);
    m_enabled->setChecked(rule.isEnabled);
    state->addRow(m_enabled);

    m_delete->setAutoDefault(false);
    m_delete->setStyleSheet(QStringLiteral("QPushButton { color: #d70015; }"));
    auto* cancel = new QPushButton(this);
    cancel->setAutoDefault(false);
    m_save->setDefault(true);
    m_save->setEnabled(!selectedInputSourceID().isEmpty());
    sheet.addButtons({m_delete, nullptr, cancel, m_save});

    connect(m_picker, &QComboBox::currentIndexChanged, this,
            [this] { m_save->setEnabled(!selectedInputSourceID().isEmpty()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &EditRuleView::save);
    connect(m_delete, &QPushButton::clicked, this, &EditRuleView::remove);
    followLanguage(this, [this, cancel] {
        m_enabled->setText(localized(QStringLiteral("Enabled")));
        m_save->setText(localized(QStringLiteral("Save")));
        m_delete->setText(localized(QStringLiteral("Delete")));
        cancel->setText(localized(QStringLiteral("Cancel")));
    });
}

QString EditRuleView::selectedInputSourceID() const
{
    return m_picker->currentIndex() < 0 ? m_rule.targetInputSourceID : m_picker->currentData().toString();
}

void EditRuleView::save()
{
    AppRule edited = m_rule;
    edited.targetInputSourceID = selectedInputSourceID();
    edited.isEnabled = m_enabled->isChecked();
    m_engine.updateRule(edited);
    accept();
}

void EditRuleView::remove()
{
    m_engine.deleteRule(m_rule);
    accept();
}
