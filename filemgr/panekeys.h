// The keys both file panes answer alike: Backspace goes up, Enter opens, Delete and Ctrl+D delete,
// Ctrl+A selects everything, F2 renames.
#pragma once

#include <QAbstractItemView>
#include <QKeyEvent>

// True when the key was one of them and has been handled.
template <class Pane> bool HandlePaneKey(QKeyEvent* e, QAbstractItemView* list, Pane* pane, long markRow)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Backspace:
        pane->OpenParent();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (markRow >= 0) pane->OpenEntry(markRow);
        return true;
    case Qt::Key_Delete:
        pane->DeleteSelection();
        return true;
    case Qt::Key_D:
        if (!ctrl) return false;
        pane->DeleteSelection();
        return true;
    case Qt::Key_A:
        if (!ctrl) return false;
        list->selectAll();
        return true;
    case Qt::Key_F2:
        if (markRow >= 0) pane->BeginRename(markRow);
        return true;
    default:
        return false;
    }
}
