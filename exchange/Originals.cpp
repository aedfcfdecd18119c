#include "exchange/Originals.h"

#include "db/Engine.h"

#include <QCryptographicHash>

namespace quil::exchange {

Originals::Originals(quil::Engine &engine)
{
    engine.executeOrThrow(QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (key INTEGER PRIMARY "
                                         "KEY, format TEXT, citation TEXT, record TEXT, digest "
                                         "TEXT, strings TEXT)")
                              .arg(TableName));
    // The entry stored last is the row the last insert made (its triggers' own inserts do not
    // count, by the engine's rule).
    FInsert = engine.prepareOrThrow(
        QStringLiteral(
            "INSERT OR REPLACE INTO \"%1\" (key, format, citation, record, digest, strings) "
            "VALUES (last_insert_rowid(), ?, ?, ?, ?, ?)")
            .arg(TableName));
}

Originals::~Originals() = default;

void Originals::keep(const Reference &reference, Format format, const QString &digest)
{
    FInsert->bind(0, format == Format::Ris ? QStringLiteral("ris") : QStringLiteral("bibtex"));
    FInsert->bind(1, reference.key);
    FInsert->bind(2, reference.source);
    FInsert->bind(3, digest);
    FInsert->bind(4, reference.strings.join(StringSeparator));
    quil::execOrThrow(*FInsert);
    FInsert->reset();
}

QString Originals::digest(const QString &authors, const QString &title, const QString &publisher,
                          const QString &year, const QString &keywords, const QString &info,
                          const QString &resume)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString *field : {&authors, &title, &publisher, &year, &keywords, &info, &resume}) {
        hash.addData(field->toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace quil::exchange
