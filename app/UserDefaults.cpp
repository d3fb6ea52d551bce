#include "app/UserDefaults.h"

#include <QSettings>

namespace UserDefaults {

QSettings& standard()
{
    static QSettings* const settings = new QSettings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
    return *settings;
}

} // namespace UserDefaults
