// Placeholder until the registry lands.
#include "platform/linux/KeyboardLayoutRegistry.h"
namespace platform {
KeyboardLayoutRegistry& KeyboardLayoutRegistry::shared() { static KeyboardLayoutRegistry r; return r; }
KeyboardLayoutRegistry::KeyboardLayoutRegistry() = default;
KeyboardLayoutRegistry::~KeyboardLayoutRegistry() = default;
std::optional<KeyboardLayoutInfo> KeyboardLayoutRegistry::find(const QString&, const QString&) const { return std::nullopt; }
QString KeyboardLayoutRegistry::inputSourceId(const QString&, const QString&, const QString&) { return {}; }
std::optional<KeyboardLayoutRegistry::LayoutName> KeyboardLayoutRegistry::parseInputSourceId(const QString&) { return std::nullopt; }
QString KeyboardLayoutRegistry::key(const QString& l, const QString& v) { return l + v; }
}
