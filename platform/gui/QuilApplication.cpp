#include "platform/gui/QuilApplication.h"

#include "platform/gui/QtClipboard.h"
#include "platform/gui/QtPlatform.h"
#include "platform/gui/XTestKeySynthesizer.h"
#include "platform/gui/XkbKeyboardLayout.h"

#include <QIcon>
#include <QInputMethod>

namespace quil {
namespace {
QtDialogs qtDialogs;
QtShell qtShell;
QtKeyboardLayout qtKeyboardLayout;
XTestKeySynthesizer xtestKeySynthesizer;
QtClipboard qtClipboard;
} // namespace

QuilApplication::QuilApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("QUIL.Lib"));
    // No display name: Qt would append it to every window title, and captions are exact.
    // The installed menu entry and icon (desktop/) go by this name.
    setDesktopFileName(QStringLiteral("io.github.quil_lib.QuilLib"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.quil_lib.QuilLib")));
    setDialogs(&qtDialogs);
    setShell(&qtShell);
    FKeyboardLayout = XkbKeyboardLayout::create();
    if (FKeyboardLayout) {
        setKeyboardLayout(FKeyboardLayout.get());
    } else {
        setKeyboardLayout(&qtKeyboardLayout);
        QObject::connect(inputMethod(), &QInputMethod::localeChanged, &qtKeyboardLayout,
                         &KeyboardLayout::switched);
    }
    setKeySynthesizer(&xtestKeySynthesizer);
    setClipboard(&qtClipboard);
    showSymbolFontAsUnicode();
}

QuilApplication::~QuilApplication()
{
    setDialogs(nullptr);
    setShell(nullptr);
    setKeyboardLayout(nullptr);
    setKeySynthesizer(nullptr);
    setClipboard(nullptr);
}

bool QuilApplication::notify(QObject *receiver, QEvent *event)
{
    bool result = false;
    guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

} // namespace quil
