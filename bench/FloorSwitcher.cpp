// The floor of the switch benchmark: the least any switcher has to do. On each
// change of the root's _NET_ACTIVE_WINDOW it reads the window's WM_CLASS, maps
// the class to a group with a fixed table and locks that group. Plain Xlib.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstring>

int main()
{
    const struct { const char* windowClass; int group; } table[] = {{"BenchA", 0}, {"BenchB", 1}};
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });   // a window may go while it is read
    const Window root = DefaultRootWindow(display);
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    XSelectInput(display, root, PropertyChangeMask);
    for (XEvent event;;) {
        XNextEvent(display, &event);
        if (event.type != PropertyNotify || event.xproperty.atom != active)
            continue;
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        XClassHint hint{};
        if (XGetWindowProperty(display, root, active, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data)
                == Success && count == 1 && XGetClassHint(display, *reinterpret_cast<Window*>(data), &hint)) {
            for (const auto& entry : table) {
                if (std::strcmp(hint.res_class, entry.windowClass) == 0)
                    XkbLockGroup(display, XkbUseCoreKbd, entry.group);
            }
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        if (data)
            XFree(data);
        XFlush(display);
    }
}
