#include "settings_ui/AppSummary.h"

#include "settings_ui/AppIconView.h"
#include "settings_ui/TextStyles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;

} // namespace

AppSummary::AppSummary(const AppRule& rule, platform::Workspace& workspace, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new AppIconView(rule.appBundleID, kIconSize, workspace, this));
    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    auto* name = new QLabel(rule.appName, this);
    name->setTextFormat(Qt::PlainText);
    TextStyles::apply(*name, TextStyles::headline(*this));
    auto* bundleID = new QLabel(rule.appBundleID, this);
    bundleID->setTextFormat(Qt::PlainText);
    TextStyles::apply(*bundleID, TextStyles::caption(*this), true);
    names->addWidget(name);
    names->addWidget(bundleID);
    row->addLayout(names, 1);
}
