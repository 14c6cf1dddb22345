// The path box above each list: an editable combo box with the paths asked for before, newest
// first, kept per user under a key. A path typed or chosen here is asked for through a callback;
// it becomes current, and enters the history, only when the request was really sent.
#pragma once

#include "zrfilemgr_global.h"

#include <QComboBox>

// The panes' callback: hands the path to window as message; the message's result (0: not sent).
using ZRShellProc = int (*)(const QString& argument, QWidget* window, int message, const QString& nick);

class ZRFILEMGRU_EXPORT CZRHistoryCombo : public QComboBox
{
    Q_OBJECT

public:
    static constexpr int kMaxHistory = 20;

    explicit CZRHistoryCombo(QWidget* parent = nullptr);

    // Non-zero: "\\" separators; zero: "/".
    void SetSeparatorStyle(int backslash) { m_backslash = backslash != 0; }
    int GetSeparatorStyle() const { return m_backslash ? 1 : 0; }
    void SetRequestProc(ZRShellProc proc, QWidget* window, int message);
    // Loads the history kept under key and saves it there from now on; empty key: not kept.
    void SetAutoPersistent(const QString& key);
    QString GetPersistentKey() const { return m_key; }

    QString GetCurrentText() const { return m_current; }
    bool IsTyped() const { return m_typed; }
    // Makes text current and shows it; record also puts it first in the history.
    void SetText(const QString& text, bool record = true);
    // Asks for path through the callback; it becomes current when the request was sent.
    bool RequestPath(const QString& path);
    // The current path failed: a typed one leaves the history, a chosen one stays.
    void WrongDirectory();
    QStringList History() const;

    // Where histories are kept; empty: the user's settings of the application. For tests.
    static void SetHistoryStore(const QString& iniPath);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void enterPressed();
    void chosen(int index);
    void remember(const QString& text);
    void save();
    QString normalized(const QString& text) const;

    QString m_current;
    bool m_backslash = true;
    bool m_typed = false;
    bool m_busy = false;
    ZRShellProc m_proc = nullptr;
    QWidget* m_window = nullptr;
    int m_message = 0;
    QString m_key;
};
