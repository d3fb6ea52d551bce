#pragma once

#include "platform/WindowEffects.h"
#include "platform/linux/XConnection.h"

namespace platform {

// Compositor effects under X11: a compositing manager owns the selection
// _NET_WM_CM_S<screen>; a compositor that blurs behind windows on request
// (KWin and those that follow it) lists _KDE_NET_WM_BLUR_BEHIND_REGION in the
// root's _NET_SUPPORTED and reads that property of each window.
class X11WindowEffects : public WindowEffects {
public:
    explicit X11WindowEffects(XConnection& connection);

    bool isCompositing() override;
    bool isBlurSupported() override;
    bool enableBlurBehind(WId window, const QRegion& region) override;

private:
    int screenNumber() const;

    XConnection& m_connection;
};

} // namespace platform
