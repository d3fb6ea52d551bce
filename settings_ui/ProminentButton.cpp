#include "settings_ui/ProminentButton.h"

#include <QPushButton>

namespace ProminentButton {

void style(QPushButton& button, const QFont& font, const QMargins& padding)
{
    button.setFont(font);
    button.setStyleSheet(QStringLiteral("QPushButton { background: palette(highlight); color: palette(highlighted-text);"
                                        " border: none; border-radius: 6px; padding: %1px %2px %3px %4px; }"
                                        "QPushButton:pressed { background: palette(dark); }"
                                        "QPushButton:focus { outline: none; border: 2px solid palette(text); }")
                             .arg(padding.top())
                             .arg(padding.right())
                             .arg(padding.bottom())
                             .arg(padding.left()));
}

} // namespace ProminentButton
