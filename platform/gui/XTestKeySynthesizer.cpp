#include "platform/gui/XTestKeySynthesizer.h"

#include <QGuiApplication>

// X11 headers last: their macros (None, KeyPress, Bool) would break the Qt headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace quil {
namespace {

Display *display()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

KeySym keySymOf(int virtualKey)
{
    switch (virtualKey) {
    case 16: return XK_Shift_L;
    case 17: return XK_Control_L;
    case 18: return XK_Alt_L;
    default: break;
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return XK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9')
        return XK_0 + (virtualKey - '0');
    return NoSymbol;
}

int keyCodeOf(Display *d, int virtualKey)
{
    const KeySym sym = keySymOf(virtualKey);
    return sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
}

} // namespace

bool XTestKeySynthesizer::available() const
{
    Display *d = display();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    return d && XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor);
}

int XTestKeySynthesizer::scanCode(int virtualKey) const
{
    Display *d = display();
    return d ? keyCodeOf(d, virtualKey) : 0;
}

void XTestKeySynthesizer::key(int virtualKey, int, bool keyUp)
{
    Display *d = display();
    if (!d)
        return;
    const int code = keyCodeOf(d, virtualKey);
    if (code == 0)
        return;
    XTestFakeKeyEvent(d, unsigned(code), keyUp ? False : True, CurrentTime);
    XFlush(d);
}

} // namespace quil
