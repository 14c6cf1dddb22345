// Small dialogs of the file manager: the permission editor, the one-line prompt and the open-file
// dialog with a remote-directory field. Modal runs go through RunDialog (zrfmtypes.h), so tests
// can fill and answer them.
#pragma once

#include "zrfilemgr_global.h"
#include "zrfmtypes.h"

#include <QDialog>
#include <QFileDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class CDynEdit;

class ZRFILEMGRU_EXPORT CZRChangeModeDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CZRChangeModeDlg(QWidget* parent = nullptr);

    // kind non-zero: a file; 0: a directory.
    void SetObject(int kind, const QString& name);
    QString GetObjectText() const { return m_object; }
    QString GetDescription() const;
    void SetNumericMode(quint16 mode);
    void SetNumericMode(const QString& text);
    void SetCheckMode(int mode);
    static void SetPermission(int digit, bool& read, bool& write, bool& execute);
    // The mode of the numeric text; -1 unless it is one to three digits, each 0 to 7.
    int GetMode() const;
    QString GetNumericText() const;
    // Owner, group, other × read, write, execute.
    QCheckBox* Check(int who, int bit) const { return m_checks[who * 3 + bit]; }
    QLineEdit* NumericEdit() const;

    int DoModal() { return RunDialog(this); }
    void accept() override;

private:
    void checksChanged();
    void numericEdited(const QString& text);

    QString m_object;
    QLabel* m_description;
    QCheckBox* m_checks[9];
    CDynEdit* m_numeric;
    bool m_updating = false;
};

class ZRFILEMGRU_EXPORT CZRInputBox : public QDialog
{
    Q_OBJECT

public:
    explicit CZRInputBox(QWidget* parent = nullptr);

    QString m_title = QStringLiteral("Input");
    QString m_prompt;
    QString m_value;

    // Shows the box with title, prompt and value; afterwards m_value holds what was typed.
    int DoModal();
    QLineEdit* ValueEdit() const { return m_edit; }
    QLabel* PromptLabel() const { return m_label; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    QLabel* m_label;
    QLineEdit* m_edit;
};

class ZRFILEMGRU_EXPORT CZRFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    CZRFileDialog(bool open, const QString& defaultExt = QString(), const QString& fileName = QString(),
                  int flags = 0, const QString& filter = QString(), QWidget* parent = nullptr);

    void SetRemoteDir(const QString& text);
    QString GetRemoteDir() const { return m_remoteDir; }
    QLineEdit* RemoteDirEdit() const { return m_edit; }
    void accept() override;

private:
    QString m_remoteDir;
    QLineEdit* m_edit;
};
