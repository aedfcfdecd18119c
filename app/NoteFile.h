#pragma once

#include <QString>
#include <utility>
#include <vector>

class QIODevice;

// The notebook files (Info.txt, Terms.txt): Windows-1251 text with CR LF line ends.
namespace notefile {

// The file's text with every line end (CR LF, lone CR, lone LF) as "\n". Fails with
// quil::Error, in Russian, when the file is missing or cannot be opened.
QString read(const QString &path);
// Writes the text whole, "\n" as CR LF and nothing added at the end. A new file replaces the
// old one only once every byte of it has been written, flushed and committed; on any failure
// the old file stays whole and "Cannot create file" is raised. A file that was missing is
// created.
void write(const QString &path, const QString &text);
// The same onto a device; a device that takes fewer bytes than given fails.
void write(QIODevice &device, const QString &text);

// Where the text holds characters that Windows-1251 has no byte for: (position, length) in
// the text, a surrogate pair being one character of length 2.
std::vector<std::pair<qsizetype, qsizetype>> unencodable(const QString &text);

} // namespace notefile
