#include "fmpaths.h"

#include <QDir>
#include <QFileInfo>

namespace zrpath {

namespace {
bool isSep(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}
bool isDriveRoot(const QString& p)
{
    return p.size() == 3 && p.at(0).isLetter() && p.at(1) == QLatin1Char(':') && isSep(p.at(2));
}
} // namespace

QChar Separator(int osType)
{
    return osType != 0 ? QLatin1Char('\\') : QLatin1Char('/');
}

QString Normalize(const QString& path, int osType)
{
    const QChar sep = Separator(osType);
    QString out;
    out.reserve(path.size());
    for (QChar c : path) {
        if (isSep(c)) {
            if (!out.isEmpty() && out.back() == sep) continue;
            out += sep;
        } else {
            out += c;
        }
    }
    // A bare drive opens its root.
    if (osType != 0 && out.size() == 2 && out.at(0).isLetter() && out.at(1) == QLatin1Char(':')) out += sep;
    while (out.size() > 1 && out.back() == sep && !isDriveRoot(out))
        out.chop(1);
    return out;
}

bool IsRoot(const QString& path, int osType)
{
    const QString n = Normalize(path, osType);
    return n.isEmpty() || n == QString(Separator(osType)) || n == QLatin1String(":");
}

QString Join(const QString& dir, const QString& name, int osType)
{
    QString d = Normalize(dir, osType);
    if (d.isEmpty() || d.back() != Separator(osType)) d += Separator(osType);
    return d + name;
}

QString Parent(const QString& path, int osType)
{
    const QString n = Normalize(path, osType);
    const QString root(Separator(osType));
    if (IsRoot(n, osType)) return n.isEmpty() ? root : n;
    if (isDriveRoot(n)) return root;
    const int at = n.lastIndexOf(Separator(osType));
    if (at < 0) return root;
    if (at == 0) return root;
    QString parent = n.left(at);
    if (parent.size() == 2 && parent.at(1) == QLatin1Char(':')) parent += Separator(osType);
    return parent;
}

QString Canonical(const QString& path, int osType)
{
    const QString n = Normalize(path, osType);
    return CaseInsensitive(osType) ? n.toCaseFolded() : n;
}

QString CanonicalLocal(const QString& path)
{
    if (path.isEmpty()) return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString NameOf(const QString& path)
{
    const int at = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return at < 0 ? QString() : path.mid(at + 1);
}

QString FolderOf(const QString& path)
{
    int at = path.lastIndexOf(QLatin1Char('\\'));
    if (at < 0) at = path.lastIndexOf(QLatin1Char('/'));
    if (at < 0) return QString();
    if (at == 0 || path.at(at - 1) == QLatin1Char(':')) return path.left(at + 1);
    return path.left(at);
}

bool ValidName(const QString& name)
{
    for (QChar c : name)
        if (c.unicode() < 32 || QStringView(u"\\/:*?\"<>|").contains(c)) return false;
    return true;
}

bool AcceptableAgentName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    for (QChar c : name)
        if (c.unicode() < 32 || c.unicode() == 127 || isSep(c) || c == QLatin1Char('"')) return false;
    return true;
}

bool HasQuote(const QString& text)
{
    return text.contains(QLatin1Char('"'));
}

bool FitsWire(const QString& argument)
{
    return argument.toUtf8().size() <= kMaxWireBytes;
}

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString SizeText(quint64 bytes)
{
    // (size + 512) / 1024 without wrapping at the top of the range.
    quint64 kb = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
    if (kb == 0) kb = 1;
    return QString::number(kb) + QLatin1String(" KB");
}

} // namespace zrpath
