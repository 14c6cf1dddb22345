#include "zrhistorycombo.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>

#include <memory>

namespace {
QString& storePath()
{
    static QString path;
    return path;
}
std::unique_ptr<QSettings> openStore()
{
    if (!storePath().isEmpty()) return std::make_unique<QSettings>(storePath(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("Tarn"), QStringLiteral("TarnTool"));
}
const QString kGroup = QStringLiteral("History/");
} // namespace

void CZRHistoryCombo::SetHistoryStore(const QString& iniPath)
{
    storePath() = iniPath;
}

CZRHistoryCombo::CZRHistoryCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxCount(kMaxHistory);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::activated, this, &CZRHistoryCombo::chosen);
}

void CZRHistoryCombo::SetRequestProc(ZRShellProc proc, QWidget* window, int message)
{
    m_proc = proc;
    m_window = window;
    m_message = message;
}

void CZRHistoryCombo::SetAutoPersistent(const QString& key)
{
    m_key = key;
    if (key.isEmpty()) return;
    const QStringList list = openStore()->value(kGroup + key).toStringList();
    m_busy = true;
    clear();
    for (const QString& s : list)
        if (!s.isEmpty() && findText(s, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0 &&
            count() < kMaxHistory)
            addItem(s);
    setEditText(m_current);
    m_busy = false;
}

QString CZRHistoryCombo::normalized(const QString& text) const
{
    QString t = text;
    if (m_backslash)
        t.replace(QLatin1Char('/'), QLatin1Char('\\'));
    else
        t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return t;
}

void CZRHistoryCombo::remember(const QString& text)
{
    if (text.isEmpty()) return;
    m_busy = true;
    const int at = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) removeItem(at);
    insertItem(0, text);
    while (count() > kMaxHistory)
        removeItem(count() - 1);
    setCurrentIndex(-1);
    setEditText(m_current);
    m_busy = false;
    save();
}

void CZRHistoryCombo::save()
{
    if (m_key.isEmpty()) return;
    auto store = openStore();
    store->setValue(kGroup + m_key, History());
}

QStringList CZRHistoryCombo::History() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

void CZRHistoryCombo::SetText(const QString& text, bool record)
{
    m_current = text;
    m_typed = false;
    m_busy = true;
    setCurrentIndex(-1);
    setEditText(text);
    m_busy = false;
    if (record) remember(text);
}

bool CZRHistoryCombo::RequestPath(const QString& path)
{
    if (m_proc && m_proc(path, m_window, m_message, QString()) == 0) return false;
    if (m_current != path) SetText(path);
    return true;
}

void CZRHistoryCombo::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        enterPressed();
        e->accept();
        return;
    }
    QComboBox::keyPressEvent(e);
}

void CZRHistoryCombo::enterPressed()
{
    const QString text = normalized(currentText());
    m_busy = true;
    setEditText(text);
    m_busy = false;
    if (text == m_current) return;
    if (m_proc && m_proc(text, m_window, m_message, QString()) == 0) {
        setEditText(m_current); // not sent: nothing changes
        return;
    }
    m_current = text;
    m_typed = true;
    remember(text);
}

void CZRHistoryCombo::chosen(int index)
{
    if (m_busy || index < 0) return;
    const QString text = itemText(index);
    if (text != m_current) {
        if (!m_proc || m_proc(text, m_window, m_message, QString()) != 0) {
            m_current = text;
            m_typed = false;
            remember(text);
            return;
        }
    }
    m_busy = true;
    setCurrentIndex(-1);
    setEditText(m_current);
    m_busy = false;
}

void CZRHistoryCombo::WrongDirectory()
{
    if (!m_typed) return;
    const int at = findText(m_current, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) {
        m_busy = true;
        removeItem(at);
        setCurrentIndex(-1);
        setEditText(m_current);
        m_busy = false;
        save();
    }
    m_typed = false;
}
