// Placeholder until localization lands.
#include "app/LocalizedBundle.h"
std::optional<LocalizedBundle> LocalizedBundle::open(const QString&) { return std::nullopt; }
QString LocalizedBundle::localizedString(const QString& key) const { return m_table.value(key, key); }
