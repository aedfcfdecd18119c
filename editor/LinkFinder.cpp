#include "editor/LinkFinder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace quil {
namespace {

const QLatin1String FilePrefix("file:<");
const QLatin1String Prefixes[] = {QLatin1String("http://"), QLatin1String("https://"),
                                  QLatin1String("ftp://"),  QLatin1String("mailto:"),
                                  QLatin1String("www."),    FilePrefix};

bool isBlank(QChar c) { return c.isSpace() || c.unicode() < 0x20 || c == QChar(0x2028); }

bool endsAddress(QChar c)
{
    return isBlank(c) || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('"');
}

int prefixAt(const QString &text, int i)
{
    if (i > 0 && text.at(i - 1).isLetterOrNumber())
        return -1;
    for (const QLatin1String &prefix : Prefixes)
        if (QStringView(text).mid(i).startsWith(prefix, Qt::CaseInsensitive))
            return int(prefix.size());
    return -1;
}

// The end of a file link that starts at i: after the first ">" on its line, else at a blank.
int fileLinkEnd(const QString &text, int i)
{
    for (int j = i + int(FilePrefix.size()); j < text.size(); ++j) {
        const QChar c = text.at(j);
        if (c == QLatin1Char('>'))
            return j + 1;
        if (c == QChar(0x2028) || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
    }
    int j = i + int(FilePrefix.size());
    while (j < text.size() && !isBlank(text.at(j)))
        ++j;
    return j;
}

int addressEnd(const QString &text, int i, int prefixLength)
{
    int j = i + prefixLength;
    while (j < text.size() && !endsAddress(text.at(j)))
        ++j;
    // Punctuation after an address belongs to the sentence.
    static const QString trailing = QStringLiteral(".,;:!?'");
    while (j > i + prefixLength &&
           (trailing.contains(text.at(j - 1)) || (text.at(j - 1) == QLatin1Char(')') &&
                                                  !QStringView(text).mid(i, j - i).contains(u'('))))
        --j;
    return j;
}

bool isAbsolute(const QString &path)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    return path.startsWith(QLatin1Char('/')) || drive.match(path).hasMatch() ||
           QDir::isAbsolutePath(path);
}

bool inside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

QList<LinkFinder::Link> LinkFinder::find(const QString &text)
{
    QList<Link> links;
    int i = 0;
    while (i < text.size()) {
        const int prefix = prefixAt(text, i);
        if (prefix < 0) {
            ++i;
            continue;
        }
        const bool file = prefix == int(FilePrefix.size()) &&
                          QStringView(text).mid(i).startsWith(FilePrefix, Qt::CaseInsensitive);
        const int end = file ? fileLinkEnd(text, i) : addressEnd(text, i, prefix);
        if (!file && end == i + prefix) {
            i += prefix;
            continue;
        }
        links.append({i, end - i, text.mid(i, end - i)});
        i = end;
    }
    return links;
}

LinkFinder::Link LinkFinder::at(const QString &text, int pos)
{
    for (const Link &link : find(text))
        if (pos >= link.start && pos < link.start + link.length)
            return link;
    return {};
}

QString LinkFinder::address(const QString &linkText)
{
    if (linkText.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + linkText;
    return linkText;
}

LinkFinder::FileLink LinkFinder::resolveFileLink(const QString &line, const QString &programFolder)
{
    const int open = line.indexOf(QLatin1String(":<"));
    if (open < 0)
        return {};
    const QString rest = line.mid(open + 2);
    const int close = rest.indexOf(QLatin1Char('>'));
    if (close < 0)
        return {};
    QString path = rest.left(close);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));

    const auto refused = [&] {
        return FileLink{
            FileLink::Refused, QString(),
            QCoreApplication::translate("LinkFinder", "Ссылка ведёт за пределы папки программы: ") +
                rest.left(close)};
    };
    if (isAbsolute(path) || path.split(QLatin1Char('/')).contains(QLatin1String("..")))
        return refused();
    const QString folder = QDir::cleanPath(programFolder);
    const QString full = QDir::cleanPath(folder + QLatin1Char('/') + path);
    if (!inside(full, folder))
        return refused();
    // A symbolic link on the way may still lead out of the folder: check the deepest part of
    // the path that exists.
    QString existing = full;
    while (!QFileInfo::exists(existing) && inside(existing, folder) && existing != folder)
        existing = QFileInfo(existing).path();
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty() && !canonicalFolder.isEmpty() && !inside(canonical, canonicalFolder))
        return refused();
    return {FileLink::File, full, QString()};
}

} // namespace quil
