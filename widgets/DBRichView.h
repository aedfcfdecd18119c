#pragma once

#include <QTextBrowser>

class Abstract;

namespace quil {

// A read-only view of the current entry's abstract as stored: RTF is rendered, any other value
// is shown as plain text in the view's font. Hidden, it reads nothing; it catches up when shown.
class DBRichView : public QTextBrowser {
    Q_OBJECT
public:
    explicit DBRichView(QWidget *parent = nullptr);
    void setAbstract(Abstract *abstract);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void abstractChanged();
    void showStored();

    Abstract *FAbstract = nullptr;
    // The value shown: a refresh that brings the same value again (a store notifies its
    // field's change and then the stored record) renders nothing anew.
    QString FShown;
    bool FShowing = false;
    // A change came while the view was hidden.
    bool FBehind = false;
};

} // namespace quil
