#pragma once

class QSettings;

// The user's settings store: QSettings for organization "Kelvaro", application
// "Kelvaro" (~/.config/Kelvaro/Kelvaro.conf). Main thread only.
namespace UserDefaults {

QSettings& standard();

} // namespace UserDefaults
