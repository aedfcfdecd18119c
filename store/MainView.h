#pragma once

#include <QString>

// What the data module's handlers reach in the windows: the status bar panels and the
// bookmark items. The main window implements it; tests give a recording one.
class MainView {
public:
    virtual ~MainView() = default;
    virtual void setStatusPanel(int panel, const QString &text) = 0;
    virtual QString statusPanel(int panel) const = 0;
    // Enabled states of "GetBookMark" / "GotoBookMark": a bookmark is stored or not.
    virtual void setBookmarkStored(bool stored) = 0;
};
