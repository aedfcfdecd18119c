// Bad input for the import readers: the fuzzing corpora are replayed through the checks that
// the fuzz targets make, and so is every cut of two whole files.
#include "fuzz/ImportChecks.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <functional>

namespace {

using Check = std::function<QString(const QByteArray &)>;

void replay(const QString &corpus, const Check &check)
{
    QDir dir(QStringLiteral(QUIL_SOURCE_DIR "/fuzz/") + corpus);
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY2(files.size() >= 10, qPrintable("the corpus " + corpus + " is missing"));
    for (const QString &name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString problem = check(file.readAll());
        QVERIFY2(problem.isEmpty(), qPrintable(corpus + "/" + name + ": " + problem));
    }
}

void everyCut(const QByteArray &bytes, const Check &check)
{
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        const QString problem = check(bytes.left(n));
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("cut at %1: ").arg(n) + problem));
    }
}

} // namespace

class TestImportCorpus : public QObject {
    Q_OBJECT
private slots:
    void referenceListCorpus()
    {
        replay("corpus-reference-list", importchecks::checkReferenceList);
    }
    void abstractCorpus() { replay("corpus-abstract", importchecks::checkAbstract); }
    void everyCutOfAList()
    {
        everyCut("Orlov A.B.\t On films\r\n\xc0\xe1\t\t x\x1a y\rB\nC\r\n\r\nD\tE\tF\tG\tH\tI",
                 importchecks::checkReferenceList);
    }
    void everyCutOfAnAbstract()
    {
        // Past the NUL the text goes on, as it may in a damaged file.
        static const char text[] = "Acta. 2001 Mar;56(3):310-4.\r\n\r\n\rComment in: X\n\r\n"
                                   "[Russian]\r\nT\r\nA\r\n\r\nP\r\n\r\nR\r\n\0tail\r\n";
        everyCut(QByteArray(text, sizeof text - 1), importchecks::checkAbstract);
    }
};

QTEST_GUILESS_MAIN(TestImportCorpus)
#include "test_import_corpus.moc"
