#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quil::exchange {

// One person's name as a bibliography gives it; a corporate name is a literal.
struct PersonName {
    QString family;
    QString given;
    QString literal;
};

// A reference as a BibTeX entry or a RIS record describes it, in plain Unicode text.
struct Reference {
    QString type;        // the entry type in lower case ("article") or the RIS type ("JOUR")
    QString key;         // the citation key or the RIS ID
    int line = 0;        // where the record begins, 1-based
    QString source;      // the record's text as the file holds it
    QStringList strings; // the @string definitions that source needs
    QList<PersonName> authors;
    QList<PersonName> editors;
    bool etAl = false;
    QString title;
    QString container; // journal or book title
    QString publisher;
    QString address; // place of publication
    QString year;
    QString month;
    QString volume;
    QString issue;
    QString pages; // "12–20", or a page count for a book
    QString edition;
    QString series;
    QString number;      // report number
    QString genre;       // kind of report or thesis
    QString institution; // of a report or thesis
    QString note;
    QString doi;
    QString url;
    QString isbn;
    QString language;
    QStringList keywords;
    QString abstract;
};

// A record that could not be read, and why (in Russian).
struct ReadProblem {
    int line = 0;
    QString why;
};

struct ReadResult {
    QList<Reference> references;
    QList<ReadProblem> problems;
};

// Runs of blanks, tabs and line breaks as one blank, none at either end; a no-break space
// stays, as the tie it was written for.
QString collapsedBlanks(const QString &text);
// The same added to the end of `into`; false, and nothing added, when the text is so already.
bool appendCollapsedBlanks(QStringView text, QString &into);

// A DOI without the resolver's address or the "doi:" before it.
QString bareDoi(const QString &doi);

} // namespace quil::exchange
