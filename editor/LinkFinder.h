#pragma once

#include <QList>
#include <QString>

namespace quil {

// The links of an abstract, found in its text as the editor displays it (nothing about them is
// stored): web addresses ("http://", "https://", "ftp://", "www."), "mailto:" addresses and
// file links "file:<path>", the path relative to the program folder. Also where a click on a
// file link leads, refusing paths that would leave the program folder.
class LinkFinder {
public:
    struct Link {
        int start = 0;
        int length = 0;
        QString text;
    };

    // The links of one paragraph's text, in order. A file link runs to the first ">" after
    // its "file:<" (spaces included) or, without one, to the next blank.
    static QList<Link> find(const QString &text);
    // The link that holds the character at pos, or a link of length 0.
    static Link at(const QString &text, int pos);
    // What the desktop is given to open a link that is not a file link.
    static QString address(const QString &linkText);

    struct FileLink {
        enum Kind { None, File, Refused } kind = None;
        QString path;    // File: the full path to open
        QString message; // Refused: why
    };
    // A click on a file link acts on its whole line: the path is the text between the line's
    // first ":<" and the first ">" after it, under programFolder (which ends in a separator).
    // None when the line has no ":<" or no ">" after it; Refused for an absolute path, a ".."
    // step, or a path that ends up outside the folder.
    static FileLink resolveFileLink(const QString &line, const QString &programFolder);
};

} // namespace quil
