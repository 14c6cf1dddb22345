#include "modelpicture.h"

#include <QDir>

QString FindModelPicture(const QString& model, const QString& dir)
{
    if (model.isEmpty()) return QString();
    QString cut = model;
    const qsizetype dash = cut.lastIndexOf(u'-');
    if (dash >= 0) {
        const QStringView suffix = QStringView(cut).mid(dash);
        if (suffix == u"-CE" || suffix == u"-LX" || suffix == u"-XPE") cut.truncate(dash);
    }
    qsizetype digit = 0;
    while (digit < cut.size() && !(cut[digit] >= u'0' && cut[digit] <= u'9'))
        ++digit;
    const QString prefix = cut.left(digit);
    const QString tail = cut.mid(digit);
    const qsizetype tailDash = tail.indexOf(u'-');
    const QString number = tailDash < 0 ? tail : tail.left(tailDash);
    if (number.isEmpty()) return QString();

    const QDir folder(dir);
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : entries) {
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot < 0 || QStringView(name).mid(dot).compare(u".bmp", Qt::CaseInsensitive) != 0) continue;
        if (!name.contains(prefix)) continue;
        if (name.contains(cut) || name.contains(number)) return folder.filePath(name);
    }
    return QString();
}

bool TitleNamesAgent(const QString& title, const QString& agent)
{
    QStringView compared(title);
    const qsizetype dash = title.lastIndexOf(u'-');
    if (dash >= 0) compared = compared.mid(qMin(dash + 2, title.size()));
    return compared.compare(agent, Qt::CaseInsensitive) == 0;
}

QString NickAddress(const QString& nick)
{
    const qsizetype colon = nick.indexOf(u':');
    return colon < 0 ? nick : nick.left(colon);
}
