#include "settings_ui/AddRuleView.h"

#include "core/AppRule.h"
#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "localization/LocalizationManager.h"
#include "logging/LogText.h"
#include "logging/Logger.h"
#include "platform/Workspace.h"
#include "settings_ui/SheetLayout.h"
#include "settings_ui/TextStyles.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int kRunningAppIconSize = 16;

} // namespace

AddRuleView::AddRuleView(RuleEngine& engine, const InputSourceManager& inputSources, platform::Workspace& workspace,
                         QWidget* parent)
    : QDialog(parent)
    , m_engine(engine)
    , m_workspace(workspace)
    , m_appPicker(new QComboBox(this))
    , m_sourcePicker(new QComboBox(this))
    , m_selectedRow(new QWidget(this))
    , m_selectedName(new QLabel(m_selectedRow))
    , m_selectedBundleID(new QLabel(m_selectedRow))
    , m_choose(new QPushButton(this))
    , m_add(new QPushButton(this))
{
    SheetLayout sheet(*this, QSize(450, 400), QT_TR_NOOP("Add New Rule"));

    // Read once: an application started later shows at the next opening.
    for (const platform::RunningApplication& application : workspace.runningApplications()) {
        if (application.activationPolicy == platform::ActivationPolicy::Regular)
            m_runningApps.append(application);
    }
    // By character, not by the user's locale.
    std::stable_sort(m_runningApps.begin(), m_runningApps.end(), [](const auto& a, const auto& b) {
        return a.localizedName.value_or(QString()) < b.localizedName.value_or(QString());
    });
    m_appPicker->addItem(QString());
    m_appPicker->setIconSize(QSize(kRunningAppIconSize, kRunningAppIconSize));
    for (const platform::RunningApplication& application : m_runningApps)
        m_appPicker->addItem(application.icon(), QString(), application.bundleIdentifier.value_or(QString()));

    auto* target = sheet.addSection(QT_TR_NOOP("Target App"));
    sheet.addRow(target, QT_TR_NOOP("Running Apps"), m_appPicker);
    auto* selected = new QHBoxLayout(m_selectedRow);
    selected->setContentsMargins(0, 0, 0, 0);
    m_selectedName->setTextFormat(Qt::PlainText);
    TextStyles::apply(*m_selectedName, TextStyles::headline(*this));
    m_selectedBundleID->setTextFormat(Qt::PlainText);
    TextStyles::apply(*m_selectedBundleID, TextStyles::caption(*this), true);
    selected->addWidget(m_selectedName);
    selected->addStretch(1);
    selected->addWidget(m_selectedBundleID);
    target->addRow(m_selectedRow);
    m_choose->setAutoDefault(false);
    target->addRow(m_choose);

    auto* source = sheet.addSection(QT_TR_NOOP("Input Source"));
    m_sourcePicker->addItem(QString(), QString());
    for (const InputSource& input : inputSources.installedInputSources())
        m_sourcePicker->addItem(input.name, input.id);
    sheet.addRow(source, QT_TR_NOOP("Switch To"), m_sourcePicker);

    auto* cancel = new QPushButton(this);
    cancel->setAutoDefault(false);
    m_add->setDefault(true);
    sheet.addButtons({cancel, m_add});

    connect(m_appPicker, &QComboBox::currentIndexChanged, this, &AddRuleView::chooseRunningApp);
    connect(m_sourcePicker, &QComboBox::currentIndexChanged, this, &AddRuleView::render);
    connect(m_choose, &QPushButton::clicked, this, &AddRuleView::presentImporter);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_add, &QPushButton::clicked, this, &AddRuleView::add);
    followLanguage(this, [this, cancel] {
        m_choose->setText(localized(QStringLiteral("Choose from Applications...")));
        m_add->setText(localized(QStringLiteral("Add Rule")));
        cancel->setText(localized(QStringLiteral("Cancel")));
        m_appPicker->setItemText(0, localized(QStringLiteral("Select Running App")));
        for (int i = 0; i < m_runningApps.size(); ++i)
            m_appPicker->setItemText(i + 1, m_runningApps[i].localizedName.value_or(localized(QStringLiteral("Unknown"))));
        m_sourcePicker->setItemText(0, localized(QStringLiteral("Select Input Source")));
        render();
    });
}

void AddRuleView::chooseRunningApp(int index)
{
    m_selectedApp = index > 0 ? std::optional(m_runningApps.at(index - 1)) : std::nullopt;
    if (m_selectedApp) {
        m_manualAppName.reset();
        m_manualBundleID.reset();
    }
    render();
}

void AddRuleView::presentImporter()
{
    auto* dialog = new QFileDialog(this, localized(QStringLiteral("Choose from Applications...")));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(localized(QStringLiteral("Applications")) + QStringLiteral(" (*.desktop)"));
    const QStringList folders = m_workspace.applicationFolders();
    const auto existing = std::find_if(folders.cbegin(), folders.cend(), [](const QString& f) { return QDir(f).exists(); });
    if (existing != folders.cend())
        dialog->setDirectory(*existing);
    connect(dialog, &QFileDialog::filesSelected, this,
            [this](const QStringList& files) { importApplicationFile(std::nullopt, files); });
    dialog->open();
}

void AddRuleView::importApplicationFile(const std::optional<QString>& error, const QStringList& locations)
{
    if (error) {
        Logger::shared().error(QStringLiteral("File import error: ") + logging::logText(*error));
        showError(localized(QStringLiteral("Import failed:")) + u' ' + *error);
        return;
    }
    if (locations.isEmpty())
        return;
    const QFileInfo location(locations.first());
    if (location.suffix() != QLatin1String("desktop")) {
        showError(localized(QStringLiteral("Please select a valid .desktop file")));
        return;
    }
    // Files the user chose may always be read here; nothing to ask for or end.
    const auto application = m_workspace.applicationAt(location.filePath());
    if (!application) {
        showError(localized(QStringLiteral("Unable to read application bundle. Please select a valid application.")));
        return;
    }
    m_manualBundleID = application->bundleIdentifier;
    m_manualAppName = application->localizedName.value_or(location.completeBaseName());
    const QSignalBlocker blocker(m_appPicker);
    m_appPicker->setCurrentIndex(0);
    m_selectedApp.reset();
    render();
}

void AddRuleView::showError(const QString& message)
{
    m_errorMessage = message;
    auto* alert = new QMessageBox(QMessageBox::NoIcon, localized(QStringLiteral("Error")),
                                  m_errorMessage.value_or(localized(QStringLiteral("Unknown error occurred"))),
                                  QMessageBox::NoButton, this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setObjectName(QStringLiteral("errorAlert"));
    alert->addButton(localized(QStringLiteral("OK")), QMessageBox::RejectRole);
    alert->open();
}

void AddRuleView::render()
{
    const bool manual = m_manualAppName && m_manualBundleID;
    m_selectedRow->setVisible(manual);
    if (manual) {
        m_selectedName->setText(localized(QStringLiteral("Selected:")) + u' ' + *m_manualAppName);
        m_selectedBundleID->setText(*m_manualBundleID);
    }
    m_add->setEnabled(canAdd());
}

bool AddRuleView::canAdd() const
{
    const bool applicationChosen = m_selectedApp || (m_manualAppName && m_manualBundleID);
    return applicationChosen && !m_sourcePicker->currentData().toString().isEmpty();
}

void AddRuleView::add()
{
    if (!canAdd())
        return;
    QString name = QStringLiteral("Unknown");
    QString bundleID;
    if (m_selectedApp) {
        name = m_selectedApp->localizedName.value_or(name);
        bundleID = m_selectedApp->bundleIdentifier.value_or(QString());
    } else if (m_manualAppName && m_manualBundleID) {
        name = *m_manualAppName;
        bundleID = *m_manualBundleID;
    }
    if (bundleID.isEmpty())
        return;
    m_engine.addRule(AppRule::create(bundleID, name, m_sourcePicker->currentData().toString()));
    accept();
}
