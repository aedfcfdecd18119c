#include "exchange/Originals.h"

#include "db/Engine.h"
#include "store/TextIndex.h"

#include <QCryptographicHash>

namespace quil::exchange {

Originals::Originals(quil::Engine &engine)
{
    // Made the first time a record is kept; find goes on answering from the index.
    textindex::keepInStepAcross(engine, [&] {
        engine.executeOrThrow(
            QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (key %2, format TEXT, "
                           "citation TEXT, record TEXT, digest TEXT, strings TEXT)")
                .arg(TableName, engine.keyColumnType()));
    });
    // A key may come back after its entry was deleted: the new record replaces the old one.
    FInsert = engine.prepareOrThrow(
        QStringLiteral("INSERT INTO \"%1\" (key, format, citation, record, digest, strings) "
                       "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (key) DO UPDATE SET "
                       "format = excluded.format, citation = excluded.citation, "
                       "record = excluded.record, digest = excluded.digest, "
                       "strings = excluded.strings")
            .arg(TableName));
}

Originals::~Originals() = default;

void Originals::keep(qint64 key, const Reference &reference, Format format, const QString &digest)
{
    FInsert->bindInteger(0, key);
    FInsert->bind(1, format == Format::Ris ? QStringLiteral("ris") : QStringLiteral("bibtex"));
    FInsert->bind(2, reference.key);
    FInsert->bind(3, reference.source);
    FInsert->bind(4, digest);
    FInsert->bind(5, reference.strings.join(StringSeparator));
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
