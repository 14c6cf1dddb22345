#include "pbfile.h"

#include <QFile>
#include <QSaveFile>

QByteArray PBFileLine(const QString& name, const QString& number)
{
    QByteArray line("\"");
    for (QChar c : name) {
        // A line break inside a name would start a second contact.
        if (c == u'\r' || c == u'\n') c = u' ';
        if (c == u'\\' || c == u'"') line += '\\';
        line += QString(c).toLocal8Bit();
    }
    line += "\" ";
    QString n = number;
    n.replace(u'\r', u' ').replace(u'\n', u' ');
    line += n.toLocal8Bit();
    line += "\r\n";
    return line;
}

bool ParsePBFileLine(QByteArray line, _PBItem* item)
{
    if (line.size() > kPBLineMax) line.truncate(kPBLineMax);
    const qsizetype cr = line.indexOf('\r'), lf = line.indexOf('\n');
    const qsizetype cut = cr < 0 ? lf : lf < 0 ? cr : qMin(cr, lf);
    if (cut >= 0) line.truncate(cut);
    qsizetype i = 0;
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (i >= line.size()) return false;
    QByteArray name;
    if (line[i] == '"') {
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) ++i;
            name += line[i];
        }
        ++i; // the closing quote, or past the end of a line cut short
    } else {
        const qsizetype end = line.indexOf(' ', i);
        name = line.mid(i, end < 0 ? -1 : end - i);
        i = end < 0 ? line.size() : end;
    }
    while (i < line.size() && line[i] == ' ')
        ++i;
    QByteArray number = i < line.size() ? line.mid(i) : QByteArray();
    if (const qsizetype end = number.indexOf(' '); end >= 0) number.truncate(end);
    item->name = QString::fromLocal8Bit(name);
    item->number = QString::fromLocal8Bit(number);
    return !item->name.isEmpty() || !item->number.isEmpty();
}

QList<_PBItem> ParsePBFile(const QByteArray& data)
{
    QList<_PBItem> items;
    qsizetype at = 0;
    while (at < data.size()) {
        qsizetype end = data.indexOf('\n', at);
        if (end < 0) end = data.size();
        _PBItem item;
        if (ParsePBFileLine(data.mid(at, end - at), &item)) items.append(item);
        at = end + 1;
    }
    return items;
}

bool ReadPBFile(const QString& path, QList<_PBItem>* items, QString* error, qsizetype max)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    // Line by line: a file of any size costs no more than the contacts kept.
    items->clear();
    while (!f.atEnd() && items->size() < max) {
        const QByteArray line = f.readLine(kPBLineMax + 1); // at most kPBLineMax bytes
        if (!line.endsWith('\n'))
            while (!f.atEnd())
                if (f.readLine(4096).endsWith('\n')) break; // the rest of a long line
        _PBItem item;
        if (ParsePBFileLine(line, &item)) items->append(item);
    }
    if (f.error() != QFileDevice::NoError) {
        *error = f.errorString();
        return false;
    }
    return true;
}

bool WritePBFile(const QString& path, const QList<_PBItem>& items, QString* error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = f.errorString();
        return false;
    }
    for (const _PBItem& item : items)
        f.write(PBFileLine(item.name, item.number));
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

QString JoinPBPath(const QString& dir, const QString& file)
{
    if (dir.endsWith(u'\\') || dir.endsWith(u'/')) return dir + file;
    const QChar separator = dir.contains(u'/') && !dir.contains(u'\\') ? u'/' : u'\\';
    return dir + separator + file;
}
