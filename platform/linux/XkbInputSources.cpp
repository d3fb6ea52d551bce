// Placeholder until the XKB backend lands.
#include "platform/linux/XkbInputSources.h"
#include "platform/linux/KeyboardLayoutRegistry.h"
namespace platform {
XkbInputSources::XkbInputSources(XConnection& c, QObject* p) : XkbInputSources(c, KeyboardLayoutRegistry::shared(), p) {}
XkbInputSources::XkbInputSources(XConnection& c, KeyboardLayoutRegistry& r, QObject* p) : TextInputSources(p), m_connection(c), m_registry(r) {}
XkbInputSources::~XkbInputSources() = default;
std::optional<QList<PlatformInputSource>> XkbInputSources::enabledInputSources() { return std::nullopt; }
std::optional<PlatformInputSource> XkbInputSources::currentKeyboardInputSource() { return std::nullopt; }
int XkbInputSources::selectInputSource(const PlatformInputSource&) { return kStatusFailed; }
void XkbInputSources::handleXEvent(const xcb_generic_event_t*) {}
}
