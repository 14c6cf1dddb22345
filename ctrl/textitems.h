// The item reader every reply is taken apart with: items separated by spaces, double-quoted items
// may hold spaces, no escapes. Parses once, so a handler reading several items pays once.
#pragma once

#include "zrctrl_global.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

class ZRCTRL_EXPORT ZRTextItems
{
public:
    explicit ZRTextItems(QStringView text);
    // Items up to an opening quote that is never closed.
    int count() const { return m_count; }
    QString item(int index) const { return view(index).toString(); }
    QStringView view(int index) const;
    // An item the text really has; past the last one, empty instead of a repeat of the last.
    QString present(int index) const
    {
        return index >= 0 && index < m_items.size() ? item(index) : QString();
    }

private:
    struct Item
    {
        qsizetype start;
        qsizetype length;
        bool quoted;
    };
    QStringView m_text;
    QVarLengthArray<Item, 8> m_items;
    int m_count = 0;
};
