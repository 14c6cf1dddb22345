// The callback through which the settings dialogs hand what the operator applied to the console:
// result = action(parameter, request number, context, key); 0 means nothing was sent. The dialogs
// never talk to the control core themselves.
#pragma once

#include <QColor>
#include <QString>

class QWidget;

using ZRApplyAction = int (*)(const QString& parameter, int number, void* context, const QString& key);

// The background the console's pages and settings dialogs share.
inline QColor ZRDialogBackground()
{
    return QColor(241, 255, 213);
}
// Gives a dialog the pages' background; edits and lists keep their own.
void ZRApplyDialogPalette(QWidget* dialog);
