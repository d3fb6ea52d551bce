// Placeholder until the EWMH workspace lands.
#include "platform/linux/EwmhWorkspace.h"
namespace platform {
EwmhWorkspace::EwmhWorkspace(XConnection& c, QObject* p) : Workspace(p), m_connection(c) {}
EwmhWorkspace::~EwmhWorkspace() = default;
std::optional<RunningApplication> EwmhWorkspace::frontmostApplication() { return std::nullopt; }
QList<RunningApplication> EwmhWorkspace::runningApplications() { return {}; }
std::optional<RunningApplication> EwmhWorkspace::applicationForWindow(xcb_window_t) { return std::nullopt; }
void EwmhWorkspace::handleXEvent(const xcb_generic_event_t*) {}
std::optional<RunningApplication> EwmhWorkspace::readApplication(xcb_window_t) { return std::nullopt; }
}
