#include "textitems.h"
#include "zrcontrol.h"

ZRTextItems::ZRTextItems(QStringView text) : m_text(text)
{
    const qsizetype n = text.size();
    // Items are short: a plain scan beats a search call per item.
    const char16_t* s = text.utf16();
    qsizetype i = 0;
    bool unclosed = false;
    while (true) {
        while (i < n && s[i] == u' ')
            ++i;
        if (i >= n) break;
        if (s[i] == u'"') {
            qsizetype close = i + 1;
            while (close < n && s[close] != u'"')
                ++close;
            if (close >= n) {
                m_items.append({i + 1, n - i - 1, true});
                unclosed = true;
                break;
            }
            m_items.append({i + 1, close - i - 1, true});
            i = close + 1;
        } else {
            qsizetype j = i;
            while (j < n && s[j] != u' ' && s[j] != u'"')
                ++j;
            m_items.append({i, j - i, false});
            i = j;
        }
    }
    m_count = int(m_items.size()) - (unclosed ? 1 : 0);
}

QStringView ZRTextItems::view(int index) const
{
    if (index < 0 || m_items.isEmpty()) return {};
    if (index < m_items.size()) {
        const Item& it = m_items[index];
        return m_text.mid(it.start, it.length);
    }
    // Past the end: a trailing bare item repeats, a trailing quoted one reads as empty.
    const Item& last = m_items.back();
    return last.quoted ? QStringView() : m_text.mid(last.start, last.length);
}

QString CZRControl::GetTextItem(int index, const QString& text)
{
    return ZRTextItems(text).item(index);
}

int CZRControl::GetTextNumber(const QString& text)
{
    return ZRTextItems(text).count();
}

int CZRControl::ParseNick(const QString& key, QString* left, QString* right)
{
    const qsizetype bar = key.indexOf(QLatin1Char('|'));
    if (bar < 0) return 0;
    if (left) *left = key.left(bar);
    if (right) *right = key.mid(bar + 1);
    return 1;
}

QString CZRControl::ParseFilename(QString& text, QString* path)
{
    const qsizetype first = text.indexOf(QLatin1Char(':'));
    if (first < 0) return QString();
    QString found;
    const qsizetype second = text.indexOf(QLatin1Char(':'), first + 1);
    if (second >= 0) {
        // A drive letter stays in the path.
        found = text.left(second);
        qsizetype rest = second + 1;
        while (rest < text.size() && text[rest].isSpace())
            ++rest;
        text = text.mid(rest);
    } else {
        found = text.left(first);
    }
    if (path) *path = found;
    const qsizetype sep = std::max(found.lastIndexOf(QLatin1Char('\\')), found.lastIndexOf(QLatin1Char('/')));
    return found.mid(sep + 1);
}
