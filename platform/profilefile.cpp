#include "profilefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
QStringView trimmed(QStringView s)
{
    return s.trimmed();
}

// "[name]" (blanks around allowed); the name, or a null view.
QStringView headerName(QStringView line)
{
    QStringView t = trimmed(line);
    if (!t.startsWith(u'[')) return {};
    const qsizetype close = t.indexOf(u']');
    if (close < 0) return {};
    return trimmed(t.mid(1, close - 1));
}

bool isComment(QStringView line)
{
    QStringView t = trimmed(line);
    return t.isEmpty() || t.startsWith(u';');
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquote(QStringView v)
{
    v = trimmed(v);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.toString();
}
} // namespace

ProfileText::ProfileText(const QByteArray& content)
{
    QByteArrayView bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    // Exactly one mark is dropped: a second one is part of the first line, as ToBytes keeps it.
    // Stateless, so that a sequence cut off at the end becomes a replacement character, not nothing.
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    QString text = decode(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    m_lines = text.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty()) m_lines.removeLast();
}

QByteArray ProfileText::ToBytes() const
{
    QByteArray out;
    // A first line that starts with the mark would lose it on reading without one in front.
    if (!m_lines.isEmpty() && m_lines.first().startsWith(QChar(0xFEFF))) out += "\xEF\xBB\xBF";
    for (const QString& line : m_lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

int ProfileText::find(const QString& section, int* end) const
{
    const QStringView wanted = trimmed(section);
    for (int i = 0; i < m_lines.size(); ++i) {
        QStringView name = headerName(m_lines[i]);
        if (name.isNull() || !sameName(name, wanted)) continue;
        int j = i + 1;
        while (j < m_lines.size() && headerName(m_lines[j]).isNull())
            ++j;
        if (end) *end = j;
        return i;
    }
    return -1;
}

int ProfileText::findKey(int head, int end, const QString& key) const
{
    const QStringView wanted = trimmed(key);
    for (int i = head + 1; i < end; ++i) {
        const QString& line = m_lines[i];
        if (isComment(line)) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && sameName(trimmed(QStringView(line).left(eq)), wanted)) return i;
    }
    return -1;
}

QString ProfileText::Get(const QString& section, const QString& key) const
{
    int end = 0;
    const int head = find(section, &end);
    const int at = head < 0 ? -1 : findKey(head, end, key);
    if (at < 0) return QString();
    const QString& line = m_lines[at];
    QString value = unquote(QStringView(line).mid(line.indexOf(u'=') + 1));
    if (value.isNull()) value = QLatin1String("");
    return value;
}

bool ProfileText::HasSection(const QString& section) const
{
    return find(section, nullptr) >= 0;
}

QStringList ProfileText::Section(const QString& section) const
{
    QStringList out;
    int end = 0;
    const int head = find(section, &end);
    for (int i = head + 1; head >= 0 && i < end; ++i)
        if (!isComment(m_lines[i])) out << m_lines[i];
    return out;
}

bool ProfileText::ValidSection(const QString& section)
{
    const QString t = section.trimmed();
    return !t.isEmpty() && !t.contains(u']') && !t.contains(u'\n') && !t.contains(u'\r');
}

bool ProfileText::ValidKey(const QString& key)
{
    const QString t = key.trimmed();
    return !t.isEmpty() && !t.contains(u'=') && !t.startsWith(u'[') && !t.startsWith(u';') &&
           !t.contains(u'\n') && !t.contains(u'\r');
}

bool ProfileText::ValidValue(const QString& value)
{
    // A line break would start a new entry of its own.
    return !value.contains(u'\n') && !value.contains(u'\r');
}

bool ProfileText::Set(const QString& section, const QString& key, const QString& value)
{
    if (!ValidSection(section) || !ValidKey(key) || !ValidValue(value)) return false;
    const QString line = key.trimmed() + u'=' + value;
    int end = 0;
    const int head = find(section, &end);
    if (head < 0) {
        m_lines << (u'[' + section.trimmed() + u']') << line;
        return true;
    }
    if (const int at = findKey(head, end, key); at >= 0) {
        m_lines[at] = line;
        return true;
    }
    // After the section's last entry, before the blank lines that part it from the next one.
    int at = end;
    while (at > head + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, line);
    return true;
}

bool ProfileText::RemoveKey(const QString& section, const QString& key)
{
    int end = 0;
    const int head = find(section, &end);
    if (head < 0) return true;
    if (const int at = findKey(head, end, key); at >= 0) m_lines.removeAt(at);
    return true;
}

bool ProfileText::RemoveSection(const QString& section)
{
    int end = 0;
    const int head = find(section, &end);
    if (head >= 0) m_lines.remove(head, end - head);
    return true;
}

bool ProfileText::SetSection(const QString& section, const QStringList& lines)
{
    if (!ValidSection(section)) return false;
    for (const QString& l : lines) {
        const qsizetype eq = l.indexOf(u'=');
        if (eq < 0 || !ValidKey(l.left(eq)) || l.contains(u'\n') || l.contains(u'\r')) return false;
    }
    int end = 0;
    const int head = find(section, &end);
    if (head < 0) {
        m_lines << (u'[' + section.trimmed() + u']');
        m_lines << lines;
        return true;
    }
    m_lines.remove(head + 1, end - head - 1);
    for (int i = 0; i < lines.size(); ++i)
        m_lines.insert(head + 1 + i, lines[i]);
    return true;
}

QString ProfileFile::GetString(const QString& section, const QString& key, const QString& def,
                               int bufferSize) const
{
    QString value = Read().Get(section, key);
    if (value.isNull()) value = def;
    if (bufferSize > 0 && value.size() > bufferSize - 1) value.truncate(bufferSize - 1);
    return value;
}

int ProfileFile::GetInt(const QString& section, const QString& key, int def) const
{
    const QString value = Read().Get(section, key);
    if (value.isNull()) return def;
    QStringView v = QStringView(value).trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) negative = v[i++] == u'-';
    qint64 n = 0;
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i) {
        n = n * 10 + (v[i].unicode() - u'0');
        if (n > 0x7FFFFFFFLL) n = 0x7FFFFFFFLL + 1; // saturate instead of overflowing
    }
    if (negative) n = -n;
    if (n > 0x7FFFFFFFLL) n = 0x7FFFFFFFLL;
    if (n < -0x7FFFFFFFLL - 1) n = -0x7FFFFFFFLL - 1;
    return int(n);
}

ProfileText ProfileFile::Read() const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly)) return ProfileText();
    // A profile is a few lines; anything huge is not ours and is read no further than this.
    return ProfileText(f.read(16 * 1024 * 1024));
}

bool ProfileFile::Write(const ProfileText& text)
{
    const QFileInfo info(m_path);
    if (!info.dir().exists() && !QDir().mkpath(info.absolutePath())) return false;
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    // A write that fails in the buffer's final flush is not seen by commit() on its own, and the
    // cut file would replace the profile: flush here and give up on any shortfall.
    const QByteArray bytes = text.ToBytes();
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

bool ProfileFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    ProfileText t = Read();
    return t.Set(section, key, value) && Write(t);
}

bool ProfileFile::DeleteKey(const QString& section, const QString& key)
{
    ProfileText t = Read();
    return t.RemoveKey(section, key) && Write(t);
}

bool ProfileFile::DeleteSection(const QString& section)
{
    ProfileText t = Read();
    return t.RemoveSection(section) && Write(t);
}

bool ProfileFile::WriteSection(const QString& section, const QStringList& lines)
{
    ProfileText t = Read();
    return t.SetSection(section, lines) && Write(t);
}
