#include "settings_ui/RuleListView.h"

#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "feedback/SymbolIcons.h"
#include "localization/LocalizationManager.h"
#include "settings_ui/AddRuleView.h"
#include "settings_ui/EditRuleView.h"
#include "settings_ui/EmptyStateView.h"
#include "settings_ui/RuleRow.h"
#include "settings_ui/TextStyles.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kFooterVerticalPadding = 8;
constexpr int kFooterHorizontalPadding = 16;

QIcon symbolIcon(const QWidget& widget, const QString& symbol)
{
    return QIcon(SymbolIcons::pixmap(symbol, 16, widget.palette().color(QPalette::ButtonText), widget.devicePixelRatioF()));
}

} // namespace

RuleListView::RuleListView(RuleEngine& engine, InputSourceManager& inputSources, platform::Workspace& workspace,
                           QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_inputSources(inputSources)
    , m_workspace(workspace)
    , m_title(new QLabel(this))
    , m_addToolbarButton(new QToolButton(this))
    , m_content(new QStackedWidget(this))
    , m_emptyState(new EmptyStateView([this] { showAddSheet(); }, this))
    , m_list(new QListWidget(this))
    , m_minus(new QPushButton(this))
    , m_count(new QLabel(this))
    , m_plus(new QPushButton(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(16, 10, 16, 10);
    TextStyles::apply(*m_title, TextStyles::title2(*this));
    toolbar->addWidget(m_title);
    toolbar->addStretch(1);
    m_addToolbarButton->setIcon(symbolIcon(*this, SymbolIcons::plus));
    m_addToolbarButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addWidget(m_addToolbarButton);
    column->addLayout(toolbar);

    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::DefaultContextMenu);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    // Inset: the list sits on the page with a margin and a rounded frame.
    auto* inset = new QWidget(this);
    auto* insetLayout = new QVBoxLayout(inset);
    insetLayout->setContentsMargins(12, 0, 12, 12);
    insetLayout->addWidget(m_list);
    m_content->addWidget(m_emptyState);
    m_content->addWidget(inset);
    column->addWidget(m_content, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);
    auto* footer = new QWidget(this);
    footer->setAutoFillBackground(true);
    footer->setBackgroundRole(QPalette::Window);
    auto* bar = new QHBoxLayout(footer);
    bar->setContentsMargins(kFooterHorizontalPadding, kFooterVerticalPadding, kFooterHorizontalPadding,
                            kFooterVerticalPadding);
    for (QPushButton* button : {m_minus, m_plus}) {
        button->setFlat(true);
        button->setIcon(symbolIcon(*this, button == m_plus ? SymbolIcons::plus : SymbolIcons::minus));
    }
    // Rules are removed with Delete or from the edit sheet.
    m_minus->setEnabled(false);
    TextStyles::apply(*m_count, TextStyles::caption(*this), true);
    bar->addWidget(m_minus);
    bar->addStretch(1);
    bar->addWidget(m_count);
    bar->addStretch(1);
    bar->addWidget(m_plus);
    column->addWidget(footer);

    connect(m_addToolbarButton, &QToolButton::clicked, this, &RuleListView::showAddSheet);
    connect(m_plus, &QPushButton::clicked, this, &RuleListView::showAddSheet);
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showEditSheet(m_shownRules.at(m_list->row(item))); });
    connect(&m_engine, &RuleEngine::rulesChanged, this, &RuleListView::render);
    followLanguage(this, [this] { retranslate(); });
}

void RuleListView::retranslate()
{
    m_title->setText(localized(QStringLiteral("Rules")));
    m_addToolbarButton->setText(localized(QStringLiteral("Add Rule")));
    m_plus->setToolTip(localized(QStringLiteral("Add Rule")));
    m_plus->setAccessibleName(localized(QStringLiteral("Add Rule")));
    m_minus->setAccessibleName(localized(QStringLiteral("Delete")));
    m_emptyState->retranslate();
    render();
}

void RuleListView::render()
{
    m_shownRules = m_engine.rules();
    m_list->clear();
    for (const AppRule& rule : std::as_const(m_shownRules)) {
        auto* item = new QListWidgetItem(m_list);
        auto* row = new RuleRow(rule, m_inputSources, m_workspace);
        item->setSizeHint(row->sizeHint());
        item->setData(Qt::AccessibleTextRole, row->accessibleName());
        m_list->setItemWidget(item, row);
    }
    m_content->setCurrentIndex(m_shownRules.isEmpty() ? 0 : 1);
    const qsizetype count = m_shownRules.size();
    m_count->setText(QString::number(count) + u' '
                     + localized(count == 1 ? QStringLiteral("Rule") : QStringLiteral("Rules")));
}

void RuleListView::showAddSheet()
{
    showSheet(new AddRuleView(m_engine, m_inputSources, m_workspace, this));
}

void RuleListView::showEditSheet(const AppRule& rule)
{
    showSheet(new EditRuleView(rule, m_engine, m_inputSources, m_workspace, this));
}

void RuleListView::showSheet(QDialog* sheet)
{
    if (m_sheet) {
        delete sheet;
        return;
    }
    m_sheet = sheet;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

void RuleListView::deleteRows(QList<int> positions)
{
    // The rules as shown when Delete was pressed, whatever each deletion does
    // to the list.
    QList<AppRule> doomed;
    for (int position : positions) {
        if (position >= 0 && position < m_shownRules.size())
            doomed.append(m_shownRules.at(position));
    }
    for (const AppRule& rule : doomed)
        m_engine.deleteRule(rule);
}

bool RuleListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            QList<int> positions;
            for (QListWidgetItem* item : m_list->selectedItems())
                positions.append(m_list->row(item));
            deleteRows(positions);
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space)
            && m_list->currentRow() >= 0) {
            showEditSheet(m_shownRules.at(m_list->currentRow()));
            return true;
        }
    }
    if (watched == m_list->viewport() && event->type() == QEvent::ContextMenu) {
        const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const int row = m_list->row(m_list->itemAt(menuEvent->pos()));
        if (row < 0)
            return true;
        QMenu menu(this);
        menu.addAction(localized(QStringLiteral("Delete")), this, [this, row] { deleteRows({row}); });
        menu.exec(menuEvent->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
