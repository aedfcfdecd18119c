#pragma once

#include <QString>

// The notebook files (Info.txt, Terms.txt): Windows-1251 text with CR LF line ends.
namespace notefile {

// The file's text with every line end (CR LF, lone CR, lone LF) as "\n". Fails with
// quil::Error when the file cannot be opened.
QString read(const QString &path);
// Writes the text whole, "\n" as CR LF and nothing added at the end. A new file replaces the
// old one only once it is complete, so a failure mid-write leaves the old text in place.
void write(const QString &path, const QString &text);

} // namespace notefile
