// File and folder choosers. Every window asks the service in place; tests put their own in.
#pragma once

#include "platformgui_global.h"

#include <QString>
#include <QStringList>

class QWidget;

class TARNPLATFORMGUI_EXPORT PickerService
{
public:
    virtual ~PickerService() = default;
    // Existing files to read; empty when the operator cancelled.
    virtual QStringList OpenFiles(QWidget* owner, const QString& caption, const QString& dir,
                                  const QString& filter, bool multiple);
    // A file to write; empty when cancelled.
    virtual QString SaveFile(QWidget* owner, const QString& caption, const QString& path,
                             const QString& filter);
    // An existing folder; empty when cancelled.
    virtual QString Folder(QWidget* owner, const QString& caption, const QString& dir);
};

// The service in use: the one set last, or the real dialogs.
TARNPLATFORMGUI_EXPORT PickerService& Pickers();
// Not owned; null puts the real dialogs back.
TARNPLATFORMGUI_EXPORT void SetPickerService(PickerService* service);
