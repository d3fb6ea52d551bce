#include "settings_ui/RuleRow.h"

#include "core/InputSourceManager.h"
#include "feedback/SymbolIcons.h"
#include "localization/LocalizationManager.h"
#include "settings_ui/AppSummary.h"
#include "settings_ui/TextStyles.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

bool isEnabledNow(const InputSourceManager& inputSources, const QString& identifier)
{
    const QList<InputSource> sources = inputSources.installedInputSources();
    return std::any_of(sources.cbegin(), sources.cend(), [&](const InputSource& s) { return s.id == identifier; });
}

} // namespace

RuleRow::RuleRow(const AppRule& rule, const InputSourceManager& inputSources, platform::Workspace& workspace,
                 QWidget* parent)
    : QWidget(parent)
    , m_rule(rule)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 4, 6, 4);
    row->addWidget(new AppSummary(rule, workspace, this));
    row->addStretch(1);

    const QFontMetrics metrics(font());
    auto* arrow = new QLabel(this);
    arrow->setPixmap(SymbolIcons::pixmap(SymbolIcons::arrowRight, metrics.height(), TextStyles::secondary(*this),
                                         devicePixelRatioF()));
    row->addWidget(arrow);

    const QString sourceName = inputSources.getInputSourceName(rule.targetInputSourceID);
    QString accessibleText = rule.appName + QStringLiteral(", ") + rule.appBundleID + QStringLiteral(", ") + sourceName;
    if (!isEnabledNow(inputSources, rule.targetInputSourceID)) {
        auto* warning = new QLabel(this);
        warning->setPixmap(SymbolIcons::pixmap(SymbolIcons::warning, metrics.height(), QColor(0xd9, 0x8c, 0x00),
                                               devicePixelRatioF()));
        const QString why = localized(QStringLiteral(
            "This input source is not enabled now. The rule does nothing until it is enabled again."));
        warning->setToolTip(why);
        warning->setAccessibleName(why);
        row->addWidget(warning);
        accessibleText += QStringLiteral(", ") + why;
    }
    auto* badge = new QLabel(sourceName, this);
    badge->setObjectName(QStringLiteral("inputSourceBadge"));
    badge->setTextFormat(Qt::PlainText);
    badge->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // A capsule: the radius is half the height (text plus 4 + 4).
    badge->setStyleSheet(QStringLiteral("QLabel { background: rgba(128, 128, 128, 51); border-radius: %1px;"
                                        " padding: 4px 8px; }")
                             .arg((metrics.height() + 8) / 2));
    row->addWidget(badge);
    setAccessibleName(accessibleText);
}
