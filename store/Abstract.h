#pragma once

#include "db/DataLink.h"

#include <QObject>
#include <QString>

namespace quil {
class DataSource;
class Field;
} // namespace quil

// The abstract of the current entry as data: the RTF of its field, or what the one editing it
// holds and has not written back yet; its plain text on demand; whether it was changed. The
// readers (export, the view, the editor) ask it, never a window.
class Abstract : public QObject {
    Q_OBJECT
public:
    // What edits the abstract while it is shown, and may hold typing the record has not got.
    class Holder {
    public:
        virtual ~Holder() = default;
        virtual bool holdsChanges() const = 0;
        virtual QString heldRtf() const = 0;
        virtual QString heldText() const = 0;
    };

    // Follows the current record of the source, whose dataset holds the field.
    Abstract(quil::Field &field, quil::DataSource &source);

    QString rtf() const;
    // As the current record holds it, typing the editor holds aside; empty with no library open.
    QString stored() const;
    // Paragraphs joined by CR LF.
    QString text() const;
    // Typed and not yet stored: held by the editor, or a change of the record being edited.
    bool modified() const;

    // The editor takes the abstract while its window is shown and lets it go when hidden.
    void setHolder(Holder *holder) { FHolder = holder; }
    Holder *holder() const { return FHolder; }

signals:
    // Another entry became current, the stored abstract changed, or the library closed.
    void changed();

private:
    bool held() const { return FHolder && FHolder->holdsChanges(); }

    quil::Field &FField;
    quil::FieldDataLink FLink;
    Holder *FHolder = nullptr;
};
