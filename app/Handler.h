#pragma once

#include "platform/Dialogs.h"

#include <QObject>
#include <functional>

// Connects a signal to a command handler that runs guarded: whatever the handler raises is
// shown in the error report and the program goes on. The signal's arguments are not passed.
template <typename Sender, typename Signal>
QMetaObject::Connection connectHandler(Sender *sender, Signal signal, QObject *context,
                                       std::function<void()> handler)
{
    return QObject::connect(sender, signal, context,
                            [handler = std::move(handler)] { quil::guarded(handler); });
}
