// Common ground of the console's dialogs: the opening that runs once, and the caption suffix that
// names the agent a dialog is about.
#pragma once

#include "zrdlg_global.h"

#include <QDialog>
#include <QString>

class ZRDLGU_EXPORT CZRAgentDlg : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

    // " - text" is appended to the caption when the dialog opens; empty text adds nothing.
    void AddTitleInfo(const QString& text);
    // The opening: caption suffix, then the dialog's own set-up. Runs once, when the dialog is
    // first shown, or earlier when called.
    void OnInitDialog();

protected:
    bool IsInited() const { return m_inited; }
    // The dialog's own part of the opening.
    virtual void OnOpen() = 0;
    void showEvent(QShowEvent* e) override;

private:
    QString m_title;
    bool m_inited = false;
};
