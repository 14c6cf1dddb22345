#include "picker.h"

#include <QFileDialog>

namespace {
PickerService g_default;
PickerService* g_current = nullptr;
} // namespace

QStringList PickerService::OpenFiles(QWidget* owner, const QString& caption, const QString& dir,
                                     const QString& filter, bool multiple)
{
    if (multiple) return QFileDialog::getOpenFileNames(owner, caption, dir, filter);
    const QString one = QFileDialog::getOpenFileName(owner, caption, dir, filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
}

QString PickerService::SaveFile(QWidget* owner, const QString& caption, const QString& path,
                                const QString& filter)
{
    return QFileDialog::getSaveFileName(owner, caption, path, filter);
}

QString PickerService::Folder(QWidget* owner, const QString& caption, const QString& dir)
{
    return QFileDialog::getExistingDirectory(owner, caption, dir);
}

PickerService& Pickers()
{
    return g_current ? *g_current : g_default;
}

void SetPickerService(PickerService* service)
{
    g_current = service;
}
