<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>AbstractFolder</name>
    <message>
        <source>Абстракт нельзя сохранить в файл &quot;%1&quot;: имя файла не может содержать разделитель пути</source>
        <translation>The abstract cannot be saved to the file &quot;%1&quot;: a file name cannot contain a path separator</translation>
    </message>
</context>
<context>
    <name>AbstractText</name>
    <message>
        <source>чтение файла прервал сбой</source>
        <translation>reading the file was interrupted by a failure</translation>
    </message>
    <message>
        <source>в файле </source>
        <translation>the file has </translation>
    </message>
    <message>
        <source>строка</source>
        <translation>line</translation>
    </message>
    <message>
        <source>строки</source>
        <translation>lines</translation>
    </message>
    <message>
        <source>строк</source>
        <translation>lines</translation>
    </message>
    <message>
        <source>, а нужно не меньше %1</source>
        <translation>, but at least %1 are needed</translation>
    </message>
    <message>
        <source>строка %1 длиннее %2 МБ; такой файл не абстракт</source>
        <translation>line %1 is longer than %2 MB; such a file is not an abstract</translation>
    </message>
</context>
<context>
    <name>Backup</name>
    <message>
        <source>Не удалось создать папку %1</source>
        <translation>Could not create the folder %1</translation>
    </message>
    <message>
        <source>Не удалось записать %1 на диск</source>
        <translation>Could not write %1 to the disk</translation>
    </message>
    <message>
        <source>Библиотека менялась во время копирования: в копии %1 записей вместо %2</source>
        <translation>The library changed during copying: the copy has %1 records instead of %2</translation>
    </message>
    <message>
        <source>Не удалось переименовать %1</source>
        <translation>Could not rename %1</translation>
    </message>
</context>
<context>
    <name>BibTeX</name>
    <message>
        <source>файл кончился внутри значения</source>
        <translation>the file ended inside a value</translation>
    </message>
    <message>
        <source>не закрыта фигурная скобка</source>
        <translation>a curly brace is not closed</translation>
    </message>
    <message>
        <source>не закрыты кавычки</source>
        <translation>quotes are not closed</translation>
    </message>
    <message>
        <source>вместо значения стоит «%1»</source>
        <translation>“%1” stands where a value should be</translation>
    </message>
    <message>
        <source>после «@%1» нет ни «{», ни «(»</source>
        <translation>“@%1” is followed by neither “{” nor “(”</translation>
    </message>
    <message>
        <source>не закрыта скобка @%1</source>
        <translation>the bracket of @%1 is not closed</translation>
    </message>
    <message>
        <source>в @string нет «имя = значение»</source>
        <translation>@string has no “name = value”</translation>
    </message>
    <message>
        <source>@string не закрыт</source>
        <translation>@string is not closed</translation>
    </message>
    <message>
        <source>у записи @%1 нет ключа</source>
        <translation>the @%1 record has no key</translation>
    </message>
    <message>
        <source>запись @%1{%2 не закрыта</source>
        <translation>the record @%1{%2 is not closed</translation>
    </message>
    <message>
        <source>в записи @%1{%2 поле «%3» без «=»</source>
        <translation>in the record @%1{%2 the field “%3” has no “=”</translation>
    </message>
    <message>
        <source>в записи @%1{%2, поле %3: %4</source>
        <translation>in the record @%1{%2, field %3: %4</translation>
    </message>
    <message>
        <source>в записи @%1{%2 нет ни авторов, ни названия</source>
        <translation>the record @%1{%2 has neither authors nor a title</translation>
    </message>
</context>
<context>
    <name>Connection</name>
    <message>
        <source>Файл %1 не найден</source>
        <translation>File %1 not found</translation>
    </message>
</context>
<context>
    <name>DataSet</name>
    <message>
        <source>Соединение с библиотекой не открыто</source>
        <translation>The connection to the library is not open</translation>
    </message>
    <message>
        <source>В таблице %1 нет поля %2</source>
        <translation>Table %1 has no field %2</translation>
    </message>
    <message>
        <source>Поле %1 не найдено</source>
        <translation>Field %1 not found</translation>
    </message>
    <message>
        <source>Закладка недействительна</source>
        <translation>The bookmark is not valid</translation>
    </message>
</context>
<context>
    <name>DataSetBulk</name>
    <message>
        <source>Записи, сделанные после последнего сохранения в файл, отменены после ошибки базы данных</source>
        <translation>The records made since the last save to the file were undone after a database error</translation>
    </message>
</context>
<context>
    <name>DataSetRows</name>
    <message>
        <source>Поле &apos;%1&apos; не найдено</source>
        <translation>Field &apos;%1&apos; not found</translation>
    </message>
    <message>
        <source>Поле &apos;%1&apos; нельзя изменить</source>
        <translation>Field &apos;%1&apos; cannot be changed</translation>
    </message>
</context>
<context>
    <name>DataSetWriter</name>
    <message>
        <source>Библиотека открыта только для чтения: изменения в ней не сохраняются</source>
        <translation>The library is open read-only: changes to it are not saved</translation>
    </message>
    <message>
        <source>Операция невозможна: набор данных закрыт</source>
        <translation>Operation not possible: the dataset is closed</translation>
    </message>
    <message>
        <source>Набор данных не в режиме редактирования</source>
        <translation>The dataset is not in edit mode</translation>
    </message>
    <message>
        <source>Изменения не записаны: файл библиотеки повреждён</source>
        <translation>Changes not written: the library file is damaged</translation>
    </message>
    <message>
        <source>Поле &apos;%1&apos; должно иметь значение</source>
        <translation>Field &apos;%1&apos; must have a value</translation>
    </message>
    <message>
        <source>Запись удалена другим пользователем: введённый текст не сохранён</source>
        <translation>The record was deleted by another user: the text entered is not saved</translation>
    </message>
    <message>
        <source>Запись была изменена другим пользователем: введённый текст не сохранён (Esc покажет запись как она есть)</source>
        <translation>The record was changed by another user: the text entered is not saved (Esc shows the record as it is)</translation>
    </message>
    <message>
        <source>Номер записи (поле %1) достиг наибольшего значения: новые записи в эту библиотеку не добавить</source>
        <translation>The record number (field %1) has reached its largest value: no new records can be added to this library</translation>
    </message>
    <message>
        <source>Операция невозможна: нет записей</source>
        <translation>Operation not possible: there are no records</translation>
    </message>
    <message>
        <source>Запись была изменена другим пользователем и не удалена: посмотрите, какой она стала, и удалите снова, если нужно</source>
        <translation>The record was changed by another user and is not deleted: look at what it has become, and delete it again if needed</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>Неизвестная ошибка</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>DisplayText</name>
    <message>
        <source>Показаны первые </source>
        <translation>Showing the first </translation>
    </message>
    <message>
        <source>знак</source>
        <translation>character</translation>
    </message>
    <message>
        <source>знака</source>
        <translation>characters</translation>
    </message>
    <message>
        <source>знаков</source>
        <translation>characters</translation>
    </message>
    <message>
        <source> из %1; правка меняет показанное, остальное хранится как было</source>
        <translation> of %1; editing changes what is shown, the rest is kept as it was</translation>
    </message>
</context>
<context>
    <name>DurableFile</name>
    <message>
        <source>Не удалось скопировать %1 в %2: проверьте место на диске и права на папку</source>
        <translation>Could not copy %1 to %2: check the disk space and the permissions on the folder</translation>
    </message>
    <message>
        <source>Не удалось переименовать %1</source>
        <translation>Could not rename %1</translation>
    </message>
    <message>
        <source>Новая библиотека не прошла проверку</source>
        <translation>The new library failed its check</translation>
    </message>
    <message>
        <source>В новой библиотеке %1 записей вместо %2</source>
        <translation>The new library has %1 records instead of %2</translation>
    </message>
    <message>
        <source>Не удалось создать папку %1</source>
        <translation>Could not create the folder %1</translation>
    </message>
    <message>
        <source>Не удалось заменить %1 новой библиотекой</source>
        <translation>Could not replace %1 with the new library</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>Не хватило памяти; закройте другие программы и повторите.</source>
        <translation>Out of memory; close other programs and try again.</translation>
    </message>
    <message>
        <source>Библиотека занята другой программой; закройте её там или повторите позже.</source>
        <translation>The library is in use by another program; close it there or try again later.</translation>
    </message>
    <message>
        <source>Файл библиотеки не удалось прочитать или записать из-за сбоя носителя; проверьте диск и повторите.</source>
        <translation>The library file could not be read or written because of a media failure; check the disk and try again.</translation>
    </message>
    <message>
        <source>На диске не хватило места, и изменение не сохранено; освободите место и повторите.</source>
        <translation>The disk is full and the change is not saved; free some space and try again.</translation>
    </message>
    <message>
        <source>Библиотеку нельзя изменить, она доступна только для чтения; скопируйте её туда, где разрешена запись.</source>
        <translation>The library cannot be changed, it is read-only; copy it to a place where writing is allowed.</translation>
    </message>
    <message>
        <source>Файл библиотеки не удаётся открыть; проверьте, что он на месте и что права на него и на его папку есть.</source>
        <translation>The library file cannot be opened; check that it is in place and that you have permissions on it and on its folder.</translation>
    </message>
    <message>
        <source>Нет прав на доступ к файлу библиотеки; проверьте права на файл и на его папку.</source>
        <translation>No permission to access the library file; check the permissions on the file and on its folder.</translation>
    </message>
    <message>
        <source>Значение слишком велико для библиотеки; сократите его.</source>
        <translation>The value is too large for the library; shorten it.</translation>
    </message>
    <message>
        <source>Библиотека не приняла запись, значение нарушает правило таблицы; исправьте его и сохраните снова.</source>
        <translation>The library did not accept the record, a value breaks a rule of the table; correct it and save again.</translation>
    </message>
    <message>
        <source>Устройство библиотеки изменила другая программа; откройте библиотеку заново.</source>
        <translation>Another program has changed the structure of the library; open the library again.</translation>
    </message>
    <message>
        <source>Работа с библиотекой прервана; повторите.</source>
        <translation>Work with the library was interrupted; try again.</translation>
    </message>
    <message>
        <source>Работа с библиотекой не удалась; повторите, а если ошибка останется, откройте библиотеку заново.</source>
        <translation>Work with the library failed; try again, and if the error remains, open the library again.</translation>
    </message>
    <message>
        <source>Файл библиотеки повреждён или не является библиотекой; верните её резервную копию командой «Восстановить из копии…» меню «Библиотека».</source>
        <translation>The library file is damaged or is not a library; bring back its backup copy with “Restore from a copy…” in the “Library” menu.</translation>
    </message>
    <message>
        <source>Нет связи с сервером библиотеки: изменение не сохранено, введённый текст остался на месте; сохраните его снова, когда связь восстановится.</source>
        <translation>No connection to the library&apos;s server: the change is not saved, the text entered stays in place; save it again when the connection is back.</translation>
    </message>
</context>
<context>
    <name>ExchangeExport</name>
    <message>
        <source>Соединение с библиотекой не открыто</source>
        <translation>The connection to the library is not open</translation>
    </message>
    <message>
        <source>Ошибка записи</source>
        <translation>Write error</translation>
    </message>
</context>
<context>
    <name>ExchangeImport</name>
    <message>
        <source>Запись в строке %1 не сохранена</source>
        <translation>The record on line %1 is not saved</translation>
    </message>
    <message>
        <source>Файл %1 прочитан не до конца</source>
        <translation>File %1 was not read to the end</translation>
    </message>
    <message>
        <source>строка %1</source>
        <translation>line %1</translation>
    </message>
    <message>
        <source>Не импортированы записи файла %1 (%2):</source>
        <translation>Records of file %1 not imported (%2):</translation>
    </message>
</context>
<context>
    <name>ExportCommands</name>
    <message>
        <source>Запись выборки в </source>
        <translation>Write the selection to </translation>
    </message>
    <message>
        <source>Запись всей информации в </source>
        <translation>Write all the information to </translation>
    </message>
    <message>
        <source>BibTeX файл</source>
        <translation>a BibTeX file</translation>
    </message>
    <message>
        <source>RIS файл</source>
        <translation>a RIS file</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Finder</name>
    <message>
        <source>Библиотека не открыта</source>
        <translation>No library is open</translation>
    </message>
    <message>
        <source>Автор</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>Название </source>
        <translation>Title </translation>
    </message>
    <message>
        <source>Абстракт</source>
        <translation>Abstract</translation>
    </message>
    <message>
        <source>Издатель</source>
        <translation>Publisher</translation>
    </message>
    <message>
        <source>Информация отсутствует</source>
        <translation>Nothing found</translation>
    </message>
</context>
<context>
    <name>Import</name>
    <message>
        <source> (импортировано </source>
        <translation> (imported </translation>
    </message>
    <message>
        <source>запись</source>
        <translation>record</translation>
    </message>
    <message>
        <source>записи</source>
        <translation>records</translation>
    </message>
    <message>
        <source>записей</source>
        <translation>records</translation>
    </message>
    <message>
        <source>Импорт не завершён</source>
        <translation>Import not completed</translation>
    </message>
    <message>
        <source>Файл прочитан не до конца, строка %1</source>
        <translation>The file was not read to the end, line %1</translation>
    </message>
    <message>
        <source>Строка %1 не сохранена</source>
        <translation>Line %1 is not saved</translation>
    </message>
    <message>
        <source>Файл %1 не импортирован: %2</source>
        <translation>File %1 not imported: %2</translation>
    </message>
    <message>
        <source>Файл %1 не сохранён</source>
        <translation>File %1 is not saved</translation>
    </message>
    <message>
        <source>Не импортированы файлы (%1):</source>
        <translation>Files not imported (%1):</translation>
    </message>
    <message>
        <source>Импорт отменён, но импортированное убрать не удалось</source>
        <translation>The import was cancelled, but what it had imported could not be taken out</translation>
    </message>
</context>
<context>
    <name>ImportCommands</name>
    <message>
        <source>Импорт Name-Title из файла.txt в </source>
        <translation>Import Name-Title from a .txt file into </translation>
    </message>
    <message>
        <source>Кодировка файла </source>
        <translation>Encoding of the file </translation>
    </message>
    <message>
        <source>Импорт BibTeX или RIS в </source>
        <translation>Import BibTeX or RIS into </translation>
    </message>
    <message>
        <source>Внимание!!!</source>
        <translation>Attention!!!</translation>
    </message>
    <message>
        <source>Загрузить Name-Title-Abstract из директории Abstract?</source>
        <translation>Load Name-Title-Abstract from the Abstract folder?</translation>
    </message>
    <message>
        <source>Импорт из %1 отменён: библиотека осталась такой, какой была до него.</source>
        <translation>The import from %1 was cancelled: the library is as it was before it.</translation>
    </message>
</context>
<context>
    <name>ImportProgressDialog</name>
    <message>
        <source>Импорт</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Ход импорта</source>
        <translation>Import progress</translation>
    </message>
    <message>
        <source>Импортировано записей: %1 из %2</source>
        <translation>Records imported: %1 of %2</translation>
    </message>
    <message>
        <source>Импортировано записей: %1</source>
        <translation>Records imported: %1</translation>
    </message>
    <message>
        <source>
Файл: </source>
        <translation>
File: </translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Импорт отменяется...</source>
        <translation>Cancelling the import...</translation>
    </message>
</context>
<context>
    <name>ImportSource</name>
    <message>
        <source>нет права на чтение файла</source>
        <translation>no permission to read the file</translation>
    </message>
    <message>
        <source>файла уже нет или ссылка ведёт в никуда</source>
        <translation>the file is gone or the link leads nowhere</translation>
    </message>
    <message>
        <source>ссылки на файл ведут по кругу</source>
        <translation>the links to the file go round in a circle</translation>
    </message>
    <message>
        <source>файл не читается из-за сбоя носителя</source>
        <translation>the file cannot be read because of a media failure</translation>
    </message>
    <message>
        <source>файл не удаётся открыть (%1)</source>
        <translation>the file cannot be opened (%1)</translation>
    </message>
    <message>
        <source>это не обычный файл (папка, канал, устройство или сокет); импортируются только обычные файлы</source>
        <translation>this is not a regular file (a folder, pipe, device or socket); only regular files are imported</translation>
    </message>
</context>
<context>
    <name>JetReader</name>
    <message>
        <source>Файл %1 повреждён: прочитать его не удаётся. Файл оставлен как есть</source>
        <translation>File %1 is damaged: it cannot be read. The file is left as it is</translation>
    </message>
    <message>
        <source>Файл %1 не является библиотекой Microsoft Access</source>
        <translation>File %1 is not a Microsoft Access library</translation>
    </message>
    <message>
        <source>Файл %1 записан Microsoft Access 2007 или новее; перенести можно библиотеку Access 97–2003: сохраните её в Access в формате 2002–2003 (.mdb)</source>
        <translation>File %1 was written by Microsoft Access 2007 or later; only an Access 97–2003 library can be migrated: save it in Access in the 2002–2003 format (.mdb)</translation>
    </message>
    <message>
        <source>Библиотека %1 защищена паролем; снимите пароль в Microsoft Access и повторите</source>
        <translation>Library %1 is password-protected; remove the password in Microsoft Access and try again</translation>
    </message>
    <message>
        <source>В файле %1 нет таблицы Books: это не библиотека старой программы. Файл оставлен как есть</source>
        <translation>File %1 has no table Books: it is not a library of the old program. The file is left as it is</translation>
    </message>
    <message>
        <source>Поле %1 таблицы Books не перенесено: программа его не знает. Оно осталось в исходном файле</source>
        <translation>Field %1 of the table Books was not migrated: the program does not know it. It remains in the original file</translation>
    </message>
    <message>
        <source>Поля %1 таблицы Books не перенесены: программа их не знает. Они остались в исходном файле</source>
        <translation>Fields %1 of the table Books were not migrated: the program does not know them. They remain in the original file</translation>
    </message>
    <message>
        <source>В таблице Books нет поля %1; у перенесённых записей оно пусто</source>
        <translation>The table Books has no field %1; it is empty in the migrated records</translation>
    </message>
    <message>
        <source>В таблице Books нет полей %1; у перенесённых записей они пусты</source>
        <translation>The table Books has no fields %1; they are empty in the migrated records</translation>
    </message>
</context>
<context>
    <name>LibraryCheck</name>
    <message>
        <source>Библиотеку не удалось проверить</source>
        <translation>The library could not be checked</translation>
    </message>
    <message>
        <source>Библиотека %1 повреждена: часть её записей не читается. Изменения в неё больше не записываются</source>
        <translation>Library %1 is damaged: some of its records cannot be read. Changes are no longer written to it</translation>
    </message>
</context>
<context>
    <name>LibraryFile</name>
    <message>
        <source>В файле нет таблицы Books</source>
        <translation>The file has no table Books</translation>
    </message>
    <message>
        <source>Books в этом файле не таблица</source>
        <translation>Books in this file is not a table</translation>
    </message>
    <message>
        <source>В таблице Books нет поля %1</source>
        <translation>The table Books has no field %1</translation>
    </message>
    <message>
        <source>Поле key таблицы Books не целочисленный первичный ключ</source>
        <translation>The field key of the table Books is not an integer primary key</translation>
    </message>
    <message>
        <source>Библиотека </source>
        <translation>Library </translation>
    </message>
    <message>
        <source> отсутствует!</source>
        <translation> is missing!</translation>
    </message>
    <message>
        <source> не открывается: это не файл, а папка или устройство</source>
        <translation> cannot be opened: it is not a file but a folder or a device</translation>
    </message>
    <message>
        <source> не удаётся прочитать: нет права на чтение файла, его может дать владелец файла</source>
        <translation> cannot be read: no permission to read the file; the owner of the file can grant it</translation>
    </message>
    <message>
        <source> записана старой программой (Microsoft Access); эта версия такие файлы не открывает</source>
        <translation> was written by the old program (Microsoft Access); this version does not open such files</translation>
    </message>
    <message>
        <source> не подходит программе</source>
        <translation> does not suit the program</translation>
    </message>
    <message>
        <source> занята другой программой; повторите позже</source>
        <translation> is in use by another program; try again later</translation>
    </message>
    <message>
        <source> не удаётся прочитать из-за сбоя носителя: проверьте диск и повторите</source>
        <translation> cannot be read because of a media failure: check the disk and try again</translation>
    </message>
    <message>
        <source> не удаётся открыть: проверьте права на файл и на его папку</source>
        <translation> cannot be opened: check the permissions on the file and on its folder</translation>
    </message>
    <message>
        <source> не открывается. </source>
        <translation> cannot be opened. </translation>
    </message>
    <message>
        <source>Файл %1 уже существует</source>
        <translation>File %1 already exists</translation>
    </message>
    <message>
        <source> повреждена и не открывается</source>
        <translation> is damaged and does not open</translation>
    </message>
    <message>
        <source> повреждена или не является библиотекой</source>
        <translation> is damaged or is not a library</translation>
    </message>
    <message>
        <source>Библиотека готовится к быстрому поиску: %1 из %2 записей</source>
        <translation>The library is being prepared for fast search: %1 of %2 records</translation>
    </message>
</context>
<context>
    <name>LinkFinder</name>
    <message>
        <source>Ссылка ведёт за пределы папки программы: </source>
        <translation>The link leads outside the program folder: </translation>
    </message>
</context>
<context>
    <name>ListExport</name>
    <message>
        <source>Ошибка записи</source>
        <translation>Write error</translation>
    </message>
    <message>
        <source>Запись выборки в TXT файл</source>
        <translation>Write the selection to a TXT file</translation>
    </message>
    <message>
        <source>Запись всей информации в TXT файл</source>
        <translation>Write all the information to a TXT file</translation>
    </message>
    <message>
        <source>Запись выборки в HTML файл</source>
        <translation>Write the selection to an HTML file</translation>
    </message>
    <message>
        <source>Запись всей информации в HTML файл</source>
        <translation>Write all the information to an HTML file</translation>
    </message>
</context>
<context>
    <name>Migration</name>
    <message>
        <source>Прочитано %1 записей из %2: файл повреждён. Файл оставлен как есть</source>
        <translation>%1 of %2 records read: the file is damaged. The file is left as it is</translation>
    </message>
    <message>
        <source>Не удалось записать %1 на диск</source>
        <translation>Could not write %1 to the disk</translation>
    </message>
    <message>
        <source>В папке %1 уже есть другой файл %2; перенесите его в другое место и повторите</source>
        <translation>The folder %1 already holds another file %2; move it elsewhere and try again</translation>
    </message>
</context>
<context>
    <name>MigrationOffer</name>
    <message>
        <source>Перенос библиотеки в новый формат…</source>
        <translation>Migrating the library to the new format…</translation>
    </message>
    <message>
        <source>Внимание!!!</source>
        <translation>Attention!!!</translation>
    </message>
    <message>
        <source>Библиотека %1 (записей: %2) записана старой программой (Microsoft Access). Перевести её в новый формат?

Исходный файл будет перенесён без изменений в папку DBase/Access.</source>
        <translation>Library %1 (records: %2) was written by the old program (Microsoft Access). Convert it to the new format?

The original file will be moved unchanged to the folder DBase/Access.</translation>
    </message>
</context>
<context>
    <name>NoteFile</name>
    <message>
        <source>Символ «%1» нельзя записать в файл: в кодировке Windows-1251 его нет</source>
        <translation>The character “%1” cannot be written to the file: the Windows-1251 encoding does not have it</translation>
    </message>
    <message>
        <source>Файл заметок %1 не найден; он будет создан при первой правке заметок</source>
        <translation>Notes file %1 not found; it will be created when the notes are first edited</translation>
    </message>
    <message>
        <source>Файл заметок %1 не удаётся прочитать; проверьте права на него</source>
        <translation>Notes file %1 cannot be read; check the permissions on it</translation>
    </message>
</context>
<context>
    <name>PgEngine</name>
    <message>
        <source>Файл %1 не удаётся прочитать</source>
        <translation>File %1 cannot be read</translation>
    </message>
    <message>
        <source>В файле %1 записан пароль: уберите его оттуда в ~/.pgpass</source>
        <translation>File %1 holds a password: move it from there to ~/.pgpass</translation>
    </message>
    <message>
        <source>В файле %1 нет адреса сервера библиотеки</source>
        <translation>File %1 has no address of the library&apos;s server</translation>
    </message>
    <message>
        <source>Пароль пользователя %1 на сервере %2:</source>
        <translation>Password of user %1 on server %2:</translation>
    </message>
    <message>
        <source>Нет соединения с сервером библиотеки</source>
        <translation>No connection to the library&apos;s server</translation>
    </message>
    <message>
        <source>%1 не файл, его не собрать заново</source>
        <translation>%1 is not a file; it cannot be rebuilt</translation>
    </message>
</context>
<context>
    <name>PgLibrary</name>
    <message>
        <source>На сервере нет таблицы Books</source>
        <translation>The server has no table Books</translation>
    </message>
    <message>
        <source>В таблице Books на сервере нет поля %1</source>
        <translation>The table Books on the server has no field %1</translation>
    </message>
    <message>
        <source>В таблице Books на сервере нет поля %1: её сделала не эта программа</source>
        <translation>The table Books on the server has no field %1: it was not made by this program</translation>
    </message>
    <message>
        <source>Библиотека </source>
        <translation>Library </translation>
    </message>
    <message>
        <source> не открывается: </source>
        <translation> cannot be opened: </translation>
    </message>
    <message>
        <source> не открывается: сервер базы данных недоступен; проверьте адрес сервера в файле библиотеки и связь с ним</source>
        <translation> cannot be opened: the database server cannot be reached; check the server&apos;s address in the library file and the connection to it</translation>
    </message>
    <message>
        <source> не открывается: сервер отказал во входе; проверьте имя пользователя в файле библиотеки и пароль в ~/.pgpass</source>
        <translation> cannot be opened: the server refused the login; check the user name in the library file and the password in ~/.pgpass</translation>
    </message>
    <message>
        <source> не открывается: на сервере нет прав на таблицу Books</source>
        <translation> cannot be opened: no permissions on the table Books on the server</translation>
    </message>
    <message>
        <source> не открывается. </source>
        <translation> cannot be opened. </translation>
    </message>
</context>
<context>
    <name>ProgramFolder</name>
    <message>
        <source>Не удалось создать папку программы %1</source>
        <translation>Could not create the program folder %1</translation>
    </message>
</context>
<context>
    <name>QtPlatform</name>
    <message>
        <source>Прервать</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>ReferenceList</name>
    <message>
        <source>чтение файла прервал сбой; проверьте носитель и повторите</source>
        <translation>reading the file was interrupted by a failure; check the medium and try again</translation>
    </message>
    <message>
        <source>в строке больше %1 МБ без конца строки; такой файл не список ссылок</source>
        <translation>a line has more than %1 MB without a line end; such a file is not a reference list</translation>
    </message>
</context>
<context>
    <name>ReferenceRows</name>
    <message>
        <source>Соединение с библиотекой не открыто</source>
        <translation>The connection to the library is not open</translation>
    </message>
</context>
<context>
    <name>Ris</name>
    <message>
        <source>в записи TY %1 нет ни авторов, ни названия</source>
        <translation>the TY %1 record has neither authors nor a title</translation>
    </message>
</context>
<context>
    <name>Salvage</name>
    <message>
        <source>Не удалось записать %1 на диск</source>
        <translation>Could not write %1 to the disk</translation>
    </message>
</context>
<context>
    <name>SelectionGrid</name>
    <message>
        <source>Выборка - Автор</source>
        <translation>Selection - Author</translation>
    </message>
    <message>
        <source>Выборка - Название</source>
        <translation>Selection - Title</translation>
    </message>
    <message>
        <source>Год</source>
        <translation>Year</translation>
    </message>
</context>
<context>
    <name>SqliteEngine</name>
    <message>
        <source>Соединение с библиотекой закрыто</source>
        <translation>The connection to the library is closed</translation>
    </message>
    <message>
        <source>Нет соединения с файлом библиотеки</source>
        <translation>No connection to the library file</translation>
    </message>
    <message>
        <source>Не удалось подготовить соединение с файлом</source>
        <translation>Could not prepare the connection to the file</translation>
    </message>
    <message>
        <source>Копирование прервано</source>
        <translation>Copying was interrupted</translation>
    </message>
</context>
<context>
    <name>SymbolList</name>
    <message>
        <source>Символы</source>
        <translation>Symbols</translation>
    </message>
</context>
<context>
    <name>TAboutBox</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Значок программы</source>
        <translation>Program icon</translation>
    </message>
    <message>
        <source>   База данных для хранения и
редактирования информации по 
 библиографическим ссылкам.</source>
        <translation>   A database for storing and
editing information on 
 bibliographic references.</translation>
    </message>
    <message>
        <source>Qt 6 и SQLite; автор QUIL.Lib, 2006–2026</source>
        <translation>Qt 6 and SQLite; by QUIL.Lib, 2006–2026</translation>
    </message>
</context>
<context>
    <name>TDataModule1</name>
    <message>
        <source>Нет записей</source>
        <translation>No records</translation>
    </message>
    <message>
        <source>%1 из %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>

Собрать из неё новую библиотеку не удалось: </source>
        <translation>

A new library could not be built from it: </translation>
    </message>
    <message>
        <source>Собрать из неё новую библиотеку? Сохранятся записей: %1, потеряются: %2%3. Повреждённый файл останется без изменений в папке DBase\Damaged.</source>
        <translation>Build a new library from it? Records kept: %1, lost: %2%3. The damaged file will stay unchanged in the folder DBase\Damaged.</translation>
    </message>
    <message>
        <source> (ключи %1)</source>
        <translation> (keys %1)</translation>
    </message>
    <message>
        <source>Библиотека %1 собрана заново: записей %2, потеряно %3. Повреждённый файл сохранён как %4.</source>
        <translation>Library %1 was rebuilt: %2 records, %3 lost. The damaged file is kept as %4.</translation>
    </message>
    <message>
        <source>Сбор читаемых записей библиотеки %1 в новую...</source>
        <translation>Gathering the readable records of library %1 into a new one...</translation>
    </message>
    <message>
        <source>%1, записей: %2</source>
        <translation>%1, records: %2</translation>
    </message>
    <message>
        <source>Вернуть её резервную копию от %1 (записей: %2)</source>
        <translation>Bring back its backup copy of %1 (records: %2)</translation>
    </message>
    <message>
        <source>

Что сделать? Повреждённый файл останется без изменений в папке DBase\Damaged.</source>
        <translation>

What should be done? The damaged file stays unchanged in the folder DBase\Damaged.</translation>
    </message>
    <message>
        <source>Резервная копия библиотеки %1 не сделана: </source>
        <translation>The backup copy of library %1 was not made: </translation>
    </message>
    <message>
        <source>Резервных копий библиотеки %1 пока нет: они появляются в папке DBase\Backup после изменений в ней.</source>
        <translation>Library %1 has no backup copies yet: they appear in the folder DBase\Backup after it is changed.</translation>
    </message>
    <message>
        <source>Резервные копии</source>
        <translation>Backup copies</translation>
    </message>
    <message>
        <source>Копии библиотеки %1. Какую вернуть на её место?</source>
        <translation>Copies of library %1. Which one should take its place?</translation>
    </message>
    <message>
        <source>Заменить библиотеку %1 её копией от %2 (записей: %3)? Нынешний файл останется без изменений в папке DBase\%4.</source>
        <translation>Replace library %1 with its copy of %2 (records: %3)? The current file stays unchanged in the folder DBase\%4.</translation>
    </message>
    <message>
        <source>Копия не восстановлена</source>
        <translation>The copy was not restored</translation>
    </message>
    <message>
        <source>Библиотека %1 восстановлена из копии: записей %2. Прежний файл сохранён как %3.</source>
        <translation>Library %1 was restored from a copy: %2 records. The previous file is kept as %3.</translation>
    </message>
    <message>
        <source>Копии библиотеки %1. В какой искать удалённые записи?</source>
        <translation>Copies of library %1. Which one should be searched for deleted records?</translation>
    </message>
    <message>
        <source>В копии от %1 нет записей, которых нет в библиотеке %2.</source>
        <translation>The copy of %1 has no records that library %2 lacks.</translation>
    </message>
    <message>
        <source>Удалённые записи</source>
        <translation>Deleted records</translation>
    </message>
    <message>
        <source>Записи копии от %1, которых нет в библиотеке. Какие вернуть?</source>
        <translation>Records of the copy of %1 that the library lacks. Which should be brought back?</translation>
    </message>
    <message>
        <source>Возвращено записей: %1.</source>
        <translation>Records brought back: %1.</translation>
    </message>
    <message>
        <source>Связь с сервером библиотеки восстановлена</source>
        <translation>The connection to the library&apos;s server is back</translation>
    </message>
    <message>
        <source>Нет связи с сервером библиотеки: введённое не потеряно, сохраните его, когда связь восстановится</source>
        <translation>No connection to the library&apos;s server: what was entered is not lost; save it when the connection is back</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Русский</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>Главное меню</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>Библиотека</source>
        <translation>Library</translation>
    </message>
    <message>
        <source>Абстракт</source>
        <translation>Abstract</translation>
    </message>
    <message>
        <source>Новая книга</source>
        <translation>New book</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Поиск</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Выборка</source>
        <translation>Selection</translation>
    </message>
    <message>
        <source>Экспорт</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Импорт</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Сокращения</source>
        <translation>Abbreviations</translation>
    </message>
    <message>
        <source>Термины</source>
        <translation>Terms</translation>
    </message>
    <message>
        <source>Запись данных в файл</source>
        <translation>Write data to a file</translation>
    </message>
    <message>
        <source>Закладки и выборка</source>
        <translation>Bookmarks and selection</translation>
    </message>
    <message>
        <source>Запись</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>При изменении необходимо 
&quot;Сохранить&quot; информацию</source>
        <translation>After a change the information 
must be saved with &quot;Save&quot;</translation>
    </message>
    <message>
        <source>Автор(ы)</source>
        <translation>Author(s)</translation>
    </message>
    <message>
        <source>Название статьи (книги)</source>
        <translation>Title of the article (book)</translation>
    </message>
    <message>
        <source>Год</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>Строка состояния</source>
        <translation>Status bar</translation>
    </message>
    <message>
        <source>Номер книги</source>
        <translation>Book number</translation>
    </message>
    <message>
        <source>Информация</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Раскладка клавиатуры или выборка</source>
        <translation>Keyboard layout or selection</translation>
    </message>
    <message>
        <source>Поиск и выборка</source>
        <translation>Find and selection</translation>
    </message>
    <message>
        <source>Внимание!!!</source>
        <translation>Attention!!!</translation>
    </message>
    <message>
        <source>Закрыть без сохранения?</source>
        <translation>Close without saving?</translation>
    </message>
    <message>
        <source>Выбрать библиотеку для редактивроания и просмотра</source>
        <translation>Choose a library to edit and view</translation>
    </message>
    <message>
        <source> (только чтение)</source>
        <translation> (read-only)</translation>
    </message>
    <message>
        <source>Вы действительно хотите удалить текущую информацию?</source>
        <translation>Do you really want to delete the current information?</translation>
    </message>
    <message>
        <source>Символ «%1» нельзя сохранить в заметках: в кодировке Windows-1251 его нет</source>
        <translation>The character “%1” cannot be saved in the notes: the Windows-1251 encoding does not have it</translation>
    </message>
    <message>
        <source>Выбрать библиотеку…</source>
        <translation>Choose a library…</translation>
    </message>
    <message>
        <source>Восстановить из копии…</source>
        <translation>Restore from a copy…</translation>
    </message>
    <message>
        <source>Вернуть удалённые записи…</source>
        <translation>Bring back deleted records…</translation>
    </message>
    <message>
        <source>Библиотеки (*.mdb; *.pglib)|*.mdb;*.pglib</source>
        <translation>Libraries (*.mdb; *.pglib)|*.mdb;*.pglib</translation>
    </message>
</context>
<context>
    <name>TFormEdit</name>
    <message>
        <source>Редактирование абстрактов</source>
        <translation>Abstract editor</translation>
    </message>
    <message>
        <source>Абстракт</source>
        <translation>Abstract</translation>
    </message>
    <message>
        <source>Скрыть / абстракт</source>
        <translation>Hide / abstract</translation>
    </message>
    <message>
        <source>Список - нумерация</source>
        <translation>List - numbering</translation>
    </message>
    <message>
        <source>Список - точки</source>
        <translation>List - bullets</translation>
    </message>
    <message>
        <source>Увеличить на 1 / размер шрифта</source>
        <translation>Increase by 1 / font size</translation>
    </message>
    <message>
        <source>Уменьшить на 1 / размер шрифта</source>
        <translation>Decrease by 1 / font size</translation>
    </message>
    <message>
        <source>Установить черный / цвет шрифта</source>
        <translation>Set black / font colour</translation>
    </message>
    <message>
        <source>Желтый маркер</source>
        <translation>Yellow highlighter</translation>
    </message>
    <message>
        <source>Стандартный шрифт / Times New Roman 12</source>
        <translation>Standard font / Times New Roman 12</translation>
    </message>
    <message>
        <source>Создать гиперссылку</source>
        <translation>Create a hyperlink</translation>
    </message>
    <message>
        <source>Перевод в Lingvo 10 / Ctr-C-C</source>
        <translation>Translate in Lingvo 10 / Ctr-C-C</translation>
    </message>
    <message>
        <source>Загрузить Абстракт из TXT&amp;RTF файла</source>
        <translation>Load the abstract from a TXT&amp;RTF file</translation>
    </message>
    <message>
        <source>После загрузки файла данные Заключения будут потеряны. Продолжить?</source>
        <translation>Loading the file will lose the data of the abstract. Continue?</translation>
    </message>
    <message>
        <source>Загрузка абстракта из файла %1 ...</source>
        <translation>Loading the abstract from the file %1 ...</translation>
    </message>
    <message>
        <source>Нечего искать: введите текст для поиска.</source>
        <translation>Nothing to find: enter the text to find.</translation>
    </message>
</context>
<context>
    <name>TextEncoding</name>
    <message>
        <source>Windows-1251 (кириллица Windows)</source>
        <translation>Windows-1251 (Windows Cyrillic)</translation>
    </message>
    <message>
        <source>UTF-8 (Юникод)</source>
        <translation>UTF-8 (Unicode)</translation>
    </message>
    <message>
        <source>UTF-16 LE (Юникод)</source>
        <translation>UTF-16 LE (Unicode)</translation>
    </message>
    <message>
        <source>UTF-16 BE (Юникод)</source>
        <translation>UTF-16 BE (Unicode)</translation>
    </message>
    <message>
        <source>KOI8-R (кириллица Unix)</source>
        <translation>KOI8-R (Unix Cyrillic)</translation>
    </message>
    <message>
        <source>CP866 (кириллица DOS)</source>
        <translation>CP866 (DOS Cyrillic)</translation>
    </message>
    <message>
        <source>Windows-1252 (западноевропейская)</source>
        <translation>Windows-1252 (Western European)</translation>
    </message>
    <message>
        <source>чтение файла прервал сбой; проверьте носитель и повторите</source>
        <translation>reading the file was interrupted by a failure; check the medium and try again</translation>
    </message>
    <message>
        <source>файл не перечитать с начала</source>
        <translation>the file cannot be read again from the start</translation>
    </message>
</context>
<context>
    <name>quil::DBRichEdit</name>
    <message>
        <source>Абстракт не удалось сохранить в файл &quot;%1&quot;.
%2</source>
        <translation>The abstract could not be saved to the file &quot;%1&quot;.
%2</translation>
    </message>
    <message>
        <source>Не удалось напечатать абстракт</source>
        <translation>Could not print the abstract</translation>
    </message>
</context>
<context>
    <name>quil::EncodingDialog</name>
    <message>
        <source>&amp;Кодировка файла:</source>
        <translation>File &amp;encoding:</translation>
    </message>
    <message>
        <source>Первые строки файла:</source>
        <translation>The first lines of the file:</translation>
    </message>
</context>
<context>
    <name>quil::FindDialog</name>
    <message>
        <source>С учётом &amp;регистра</source>
        <translation>Match &amp;case</translation>
    </message>
    <message>
        <source>Только слово &amp;целиком</source>
        <translation>Match &amp;whole word only</translation>
    </message>
    <message>
        <source>Направление</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Вв&amp;ерх</source>
        <translation>&amp;Up</translation>
    </message>
    <message>
        <source>Вн&amp;из</source>
        <translation>&amp;Down</translation>
    </message>
    <message>
        <source>&amp;Найти далее</source>
        <translation>&amp;Find Next</translation>
    </message>
    <message>
        <source>&amp;Заменить</source>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>Заменить &amp;все</source>
        <translation>Replace &amp;All</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Что искать:</source>
        <translation>Fi&amp;nd what:</translation>
    </message>
    <message>
        <source>Заменить н&amp;а:</source>
        <translation>Re&amp;place with:</translation>
    </message>
    <message>
        <source>Замена</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>Поиск</source>
        <translation>Find</translation>
    </message>
</context>
<context>
    <name>quil::FontDialog</name>
    <message>
        <source>Шрифт</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>&amp;Полужирный</source>
        <translation>&amp;Bold</translation>
    </message>
    <message>
        <source>&amp;Курсив</source>
        <translation>&amp;Italic</translation>
    </message>
    <message>
        <source>По&amp;дчёркнутый</source>
        <translation>&amp;Underline</translation>
    </message>
    <message>
        <source>&amp;Зачёркнутый</source>
        <translation>Stri&amp;keout</translation>
    </message>
    <message>
        <source>Цвет</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>&amp;Авто</source>
        <translation>A&amp;uto</translation>
    </message>
    <message>
        <source>Цвет текста окна</source>
        <translation>The window text colour</translation>
    </message>
    <message>
        <source>Цвет текста</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>АаБбВв AaBbCc 123</source>
        <translation>AaBbYyZz 123</translation>
    </message>
    <message>
        <source>&amp;Шрифт:</source>
        <translation>&amp;Font:</translation>
    </message>
    <message>
        <source>&amp;Размер:</source>
        <translation>&amp;Size:</translation>
    </message>
    <message>
        <source>&amp;Цвет:</source>
        <translation>C&amp;olour:</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>автоматический</source>
        <translation>automatic</translation>
    </message>
</context>
<context>
    <name>search::FindPanel</name>
    <message>
        <source> Поле для поиска</source>
        <translation> Field to search</translation>
    </message>
    <message>
        <source>Поиск</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Поле для поиска</source>
        <translation>Field to search</translation>
    </message>
    <message>
        <source> Информация для поиска</source>
        <translation> Text to find</translation>
    </message>
    <message>
        <source>Информация для поиска</source>
        <translation>Text to find</translation>
    </message>
    <message>
        <source>Указание года поиска</source>
        <translation>Year to search</translation>
    </message>
    <message>
        <source>Год поиска</source>
        <translation>Search year</translation>
    </message>
    <message>
        <source>Начать поиск - Поиск с начала БД</source>
        <translation>Start the search - search from the beginning of the database</translation>
    </message>
    <message>
        <source>Далее</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Продолжить поиск</source>
        <translation>Continue the search</translation>
    </message>
</context>
<context>
    <name>search::SelectPanel</name>
    <message>
        <source>Выборка</source>
        <translation>Selection</translation>
    </message>
    <message>
        <source>Автор</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>Название</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>Закончить поиск</source>
        <translation>End the search</translation>
    </message>
</context>
</TS>
