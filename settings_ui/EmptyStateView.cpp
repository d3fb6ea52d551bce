#include "settings_ui/EmptyStateView.h"

#include "feedback/SymbolIcons.h"
#include "localization/LocalizationManager.h"
#include "settings_ui/ProminentButton.h"
#include "settings_ui/TextStyles.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kSpacing = 20;
constexpr int kSymbolSize = 60;
constexpr int kButtonTopSpace = 10;

} // namespace

EmptyStateView::EmptyStateView(std::function<void()> onAdd, QWidget* parent)
    : QWidget(parent)
    , m_title(new QLabel(this))
    , m_help(new QLabel(this))
    , m_button(new QPushButton(this))
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    auto* column = new QVBoxLayout(this);
    column->setSpacing(kSpacing);
    column->addStretch(1);
    auto* symbol = new QLabel(this);
    symbol->setPixmap(SymbolIcons::pixmap(SymbolIcons::keyboardEllipsis, kSymbolSize, {}, devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    column->addWidget(symbol);
    TextStyles::apply(*m_title, TextStyles::title2(*this));
    m_title->setAlignment(Qt::AlignCenter);
    column->addWidget(m_title);
    TextStyles::apply(*m_help, font(), true);
    m_help->setAlignment(Qt::AlignCenter);
    m_help->setWordWrap(true);
    m_help->setContentsMargins(16, 0, 16, 0);
    column->addWidget(m_help);
    column->addSpacing(kButtonTopSpace);
    ProminentButton::style(*m_button, TextStyles::headline(*this), QMargins(12, 8, 12, 8));
    column->addWidget(m_button, 0, Qt::AlignHCenter);
    column->addStretch(1);
    connect(m_button, &QPushButton::clicked, this, [onAdd = std::move(onAdd)] { onAdd(); });
    retranslate();
}

void EmptyStateView::retranslate()
{
    m_title->setText(localized(QStringLiteral("No Rules Yet")));
    m_help->setText(localized(QStringLiteral("Add a rule to automatically switch input sources when an app is active.")));
    m_button->setText(localized(QStringLiteral("Create First Rule")));
}
