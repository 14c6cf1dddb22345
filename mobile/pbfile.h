// Phone-book text files: one contact a line, the name in double quotes, a space and the number,
// CR LF, in the system's 8-bit code page. Only a backslash and a double quote are escaped inside
// the name, so that files without them stay as they always were.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct _PBItem
{
    QString name;
    QString number;
    bool operator==(const _PBItem& o) const { return name == o.name && number == o.number; }
};

// Bytes read of one line; the rest of a longer line is dropped, never a contact of its own.
constexpr int kPBLineMax = 1023;

QByteArray PBFileLine(const QString& name, const QString& number);
// False for a line without a name or a number (an empty line).
bool ParsePBFileLine(QByteArray line, _PBItem* item);
QList<_PBItem> ParsePBFile(const QByteArray& data);
// Reads up to max contacts of a file; false with the system's message.
bool ReadPBFile(const QString& path, QList<_PBItem>* items, QString* error, qsizetype max = 1000);
// Writes a temporary file beside the target and renames it over the target once complete, so a
// failed export never leaves a half-written book; false with the system's message.
bool WritePBFile(const QString& path, const QList<_PBItem>& items, QString* error);
// A directory and a file name joined with the directory's own separator (a backslash when it has
// none); nothing is added when the directory already ends with one.
QString JoinPBPath(const QString& dir, const QString& file);
