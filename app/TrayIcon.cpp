#include "app/TrayIcon.h"

#include "feedback/SymbolIcons.h"
#include "app/TrayIconImage.h"
#include "core/RuleEngine.h"
#include "feedback/MenuBarIndicatorController.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>

TrayIcon::TrayIcon(RuleEngine& engine, MenuBarIndicatorController& indicator, PauseToggle& pauseToggle,
                   StatusMenu::Actions actions, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_indicator(indicator)
    , m_menu(std::make_unique<StatusMenu>(engine, indicator, pauseToggle, std::move(actions)))
{
    m_item.setContextMenu(m_menu.get());
    // The X11 tray opens the context menu on the right button only; the left one opens it too, also
    // when it comes soon after the last click and counts as a double click.
    connect(&m_item, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        const bool leftClick = reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick;
        if (leftClick && !m_menu->isVisible())
            m_menu->popup(QCursor::pos());
    });

    connect(&m_engine, &RuleEngine::isPausedChanged, this, &TrayIcon::renderIcon);
    connect(&m_indicator, &MenuBarIndicatorController::currentInputSourceIconChanged, this, &TrayIcon::renderIcon);
    connect(&m_indicator, &MenuBarIndicatorController::currentInputSourceNameChanged, this,
            &TrayIcon::renderToolTip);
    connect(&m_indicator, &MenuBarIndicatorController::showFlagChanged, this, &TrayIcon::renderIcon);

    renderIcon();
    renderToolTip();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::renderIcon()
{
    const QString symbol = m_engine.isPaused() ? SymbolIcons::keyboardPaused : SymbolIcons::keyboard;
    const std::optional<QString> flag =
        m_indicator.showFlag() ? std::optional(m_indicator.currentInputSourceIcon()) : std::nullopt;
    // The indicator announces every assignment; the tray is only told of real changes.
    if (!m_item.icon().isNull() && symbol == m_symbol && flag == m_flag)
        return;
    m_symbol = symbol;
    m_flag = flag;
    const QIcon icon = TrayIconImage::icon(m_symbol, m_flag);
    m_item.setIcon(icon);
    const QList<QSize> sizes = icon.availableSizes();
    const QSize largest = *std::max_element(sizes.cbegin(), sizes.cend(),
                                            [](QSize a, QSize b) { return a.height() < b.height(); });
    m_slot.setAspectRatio(qreal(largest.width()) / largest.height());
    emit iconChanged();
}

void TrayIcon::renderToolTip()
{
    const QString name = m_indicator.currentInputSourceName();
    m_item.setToolTip(name.isEmpty() ? QGuiApplication::applicationDisplayName() : name);
}
