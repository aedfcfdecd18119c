// The program read in English: every text of the English catalogue is translated, and with the
// catalogue installed the windows and dialogs show no Cyrillic that is not the library's own.
#include "AppFixture.h"

#include "app/TAboutBox.h"
#include "app/Translation.h"
#include "import/TextEncoding.h"
#include "import/gui/ImportProgressDialog.h"
#include "platform/gui/EncodingDialog.h"
#include "platform/gui/FindDialog.h"
#include "platform/gui/FontDialog.h"
#include "widgets/DBRichEdit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

bool cyrillic(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
}

// The messages of the catalogue whose English is missing, unfinished or still Cyrillic.
QStringList untranslated(const QString &tsFile)
{
    QFile file(tsFile);
    if (!file.open(QIODevice::ReadOnly))
        return {tsFile + QStringLiteral(": cannot be read")};
    QStringList bad;
    QXmlStreamReader xml(&file);
    QString context, source;
    int messages = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            ++messages;
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString english = xml.readElementText();
            if (!type.isEmpty() || english.trimmed().isEmpty() || cyrillic(english))
                bad << context + QLatin1Char('|') + source + QLatin1String(" -> [") + type +
                           QLatin1String("] ") + english;
        }
    }
    if (xml.hasError() || messages == 0)
        bad << tsFile + QStringLiteral(": ") + xml.errorString() +
                   QStringLiteral(" (%1 messages)").arg(messages);
    return bad;
}

// Every Cyrillic text a window or its children show or name: titles, captions, hints, names
// read out to screen readers, list items and column titles. Edits are left alone: they hold
// the library's data.
void collectShown(QWidget *root, QStringList &found)
{
    const auto note = [&found](const QObject *o, const char *what, const QString &text) {
        if (cyrillic(text))
            found << QStringLiteral("%1 %2 %3: %4")
                         .arg(QString::fromLatin1(o->metaObject()->className()), o->objectName(),
                              QString::fromLatin1(what), text);
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        note(w, "title", w->windowTitle());
        note(w, "tool tip", w->toolTip());
        note(w, "status tip", w->statusTip());
        note(w, "what's this", w->whatsThis());
        note(w, "accessible name", w->accessibleName());
        note(w, "accessible description", w->accessibleDescription());
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            note(w, "text", button->text());
        if (auto *label = qobject_cast<QLabel *>(w))
            note(w, "text", label->text());
        if (auto *box = qobject_cast<QGroupBox *>(w))
            note(w, "title", box->title());
        if (auto *menu = qobject_cast<QMenu *>(w))
            note(w, "menu", menu->title());
        if (auto *combo = qobject_cast<QComboBox *>(w)) {
            note(w, "current text", combo->currentText());
            for (int i = 0; i < combo->count(); ++i)
                note(w, "item", combo->itemText(i));
        }
        if (auto *view = qobject_cast<QAbstractItemView *>(w); view && view->model()) {
            for (int column = 0; column < view->model()->columnCount(); ++column)
                note(w, "column", view->model()->headerData(column, Qt::Horizontal).toString());
        }
    }
    for (const QAction *action : root->findChildren<QAction *>()) {
        note(action, "text", action->text());
        note(action, "tool tip", action->toolTip());
        note(action, "status tip", action->statusTip());
    }
}

} // namespace

class TestEnglish : public QObject {
    Q_OBJECT
private slots:
    void everyShownTextInEnglish();
};

void TestEnglish::everyShownTextInEnglish()
{
    // Only an English desktop gets English; the C locale of a desktop with none set is Russian.
    const struct {
        const char *locale;
        bool english;
    } desktops[] = {{"C", false},    {"ru_RU", false}, {"de_DE", false}, {"uk_UA", false},
                    {"en_GB", true}, {"en_US", true},  {"en_AU", true}};
    for (const auto &desktop : desktops)
        QVERIFY2(translation::english(QLocale(QLatin1String(desktop.locale))) == desktop.english,
                 desktop.locale);
    QVERIFY(!translation::install(*QCoreApplication::instance(), QLocale::c()));

    const QStringList missing =
        untranslated(QStringLiteral(QUIL_SOURCE_DIR) + QStringLiteral("/translations/quil_en.ts"));
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));

    QTranslator *translator = translation::install(
        *QCoreApplication::instance(), QLocale(QLocale::English, QLocale::UnitedKingdom));
    QVERIFY(translator);
    const auto uninstall = qScopeGuard([translator] {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    });

    // Data in Latin letters: any Cyrillic on screen is then the program's own.
    AppFixture app;
    app.startWithLibrary(
        QStringLiteral("Library.mdb"),
        {{QStringLiteral("Landau L.D."), QStringLiteral("Mechanics"), QStringLiteral("1988")},
         {QStringLiteral("Feynman R."), QStringLiteral("Lectures"), QStringLiteral("1963")}});
    TForm1 *form = running().Form1;
    for (QAction *item : {form->mmAbstract, form->mmSearch, form->mmSelect})
        trigger(item);
    // Each command's dialogs, every one answered No or Cancel.
    for (QAction *item :
         form->mmImportStringMenu->actions() + form->mmImportAbstractMenu->actions())
        if (!item->isSeparator())
            trigger(item);
    trigger(form->mmDelete);
    trigger(form->About1);

    quil::FindDialog find;
    find.open(*running().FormEdit->Editor, true, QString(), QString());
    quil::FontDialog font({QFont(), QColor()});
    quil::Dialogs::EncodingRequest encoding;
    encoding.title = QStringLiteral("Import.txt");
    encoding.names = quil::importEncodings();
    for (const QString &name : encoding.names)
        encoding.labels << quil::encodingLabel(name);
    encoding.guess = encoding.names.first();
    encoding.preview = [](const QString &) { return QStringLiteral("Landau L.D."); };
    quil::EncodingDialog chooser(encoding, nullptr);
    ImportProgressDialog progress(nullptr);
    progress.update(1, 2, QStringLiteral("Import.txt"));

    QStringList found;
    for (QWidget *window : std::initializer_list<QWidget *>{
             form, running().FormEdit, running().AboutBox, &find, &font, &chooser, &progress})
        collectShown(window, found);
    QVERIFY(app.dialogs.shown.size() >= 6);
    for (const quil::ScriptedDialogs::Shown &shown : app.dialogs.shown) {
        for (const QString &text :
             {shown.caption, shown.text, shown.request.title, shown.request.filter, shown.detail})
            if (cyrillic(text))
                found << shown.kind + QStringLiteral(" dialog: ") + text;
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

QUIL_APP_TEST_MAIN(TestEnglish)
#include "test_english.moc"
