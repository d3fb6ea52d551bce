#pragma once

#include <QFont>
#include <QMargins>

class QPushButton;

namespace ProminentButton {

// Draws the button filled with the accent colour, its label in the given font
// and padded by `padding` around it.
void style(QPushButton& button, const QFont& font, const QMargins& padding);

} // namespace ProminentButton
