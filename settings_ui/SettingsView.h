#pragma once

#include "settings_ui/ProSettingsView.h"

#include <QWidget>

#include <optional>

class InputSourceManager;
class LaunchAtLoginManager;
class PermissionsManager;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class RuleEngine;
class RuleListView;
namespace platform {
class ShellExtension;
class Workspace;
}

// The content of the settings window: a banner while the shell extension
// needs the user, or else while Kelvaro lacks the accessibility permission, a
// sidebar of pages and the chosen page, the rule list before any is chosen.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        RuleEngine& ruleEngine;
        InputSourceManager& inputSourceManager;
        PermissionsManager& permissionsManager;
        platform::ShellExtension& shellExtension;
        platform::Workspace& workspace;
        LaunchAtLoginManager& launchAtLoginManager;
        // The extras page's; without them that page stays empty.
        std::optional<ProSettingsView::Services> extras = std::nullopt;
    };
    // The pages the sidebar leads to, in its order.
    enum class Page { Rules, General, Extras, About };

    explicit SettingsView(const Services& services, QWidget* parent = nullptr);

    QListWidget* sidebar() const { return m_sidebar; }
    QWidget* banner() const { return m_banner; }
    QWidget* currentPage() const;
    RuleListView* ruleList() const { return m_ruleList; }

private:
    void retranslate();
    void renderBanner();
    void bannerButtonClicked();

    Services m_services;
    QWidget* m_banner;
    QLabel* m_bannerText;
    QPushButton* m_bannerButton;
    QLabel* m_sidebarTitle;
    QListWidget* m_sidebar;
    QLabel* m_footer;
    QStackedWidget* m_pages;
    RuleListView* m_ruleList;
};
