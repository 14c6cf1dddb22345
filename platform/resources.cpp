#include "resources.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <vector>

namespace {
struct Tables
{
    std::vector<std::pair<const ResString*, int>> list;
    QHash<int, QString> cache;
};
Tables& tables()
{
    static Tables t;
    return t;
}

QString picturePath(int id)
{
    const QString svg = QStringLiteral(":/res/%1.svg").arg(id);
    if (QFile::exists(svg)) return svg;
    const QString png = QStringLiteral(":/res/%1.png").arg(id);
    if (QFile::exists(png)) return png;
    return QString();
}
} // namespace

void RegisterStrings(const ResString* table, int count)
{
    tables().list.emplace_back(table, count);
}

QString LoadResString(int id)
{
    Tables& t = tables();
    auto hit = t.cache.constFind(id);
    if (hit != t.cache.constEnd()) return *hit;
    for (const auto& [table, count] : t.list) {
        for (int i = 0; i < count; ++i) {
            if (table[i].id == id) {
                const QString text = QString::fromUtf16(table[i].text);
                t.cache.insert(id, text);
                return text;
            }
        }
    }
    return QString();
}

bool HasResPicture(int id)
{
    return !picturePath(id).isEmpty();
}

QIcon LoadResIcon(int id)
{
    const QString path = picturePath(id);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QPixmap LoadResBitmap(int id, QSize size)
{
    const QString path = picturePath(id);
    if (path.isEmpty()) return QPixmap();
    if (path.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer svg(path);
        if (!svg.isValid()) return QPixmap();
        const QSize s = size.isEmpty() ? svg.defaultSize() : size;
        QPixmap pm(s);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        svg.render(&p);
        return pm;
    }
    QPixmap pm(path);
    return size.isEmpty() || pm.isNull() ? pm
                                         : pm.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
