// The Phone Book page: the contacts of the modem or SIM in an editable grid, saved one at a time
// through the gate, deleted, and moved to and from text files on this PC or on the device. The
// same list serves the contact picker of the message editor.
#pragma once

#include "pbfile.h"
#include "zrmobiletmplwnd.h"

#include <ugctrl.h>

#include <QDialog>

#include <deque>

class CDynEdit;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Row n holds the contact at device index n + 1; a check box per row, name and number editable in
// place. A few empty rows follow the last contact for new ones.
class CZRMobilePBGrid : public CUGCtrl
{
    Q_OBJECT

public:
    static constexpr int kSpareRows = 5;
    // Indexes beyond this are not shown: the agent's word is not trusted with the grid's size.
    static constexpr int kMaxIndex = 1000;

    CZRMobilePBGrid(QWidget* parent, bool editable);

    void Clear();
    // Grows the grid as needed; false for a row beyond the bound.
    bool SetContact(long row, const QString& name, const QString& number, bool changed);
    QString Name(long row) const { return QuickGetText(1, row); }
    QString Number(long row) const { return QuickGetText(2, row); }
    bool Changed(long row) const { return QuickGetParam(1, row) != 0; }
    void SetChanged(long row, bool changed);
    bool Checked(long row) const;
    void SetChecked(long row, bool checked);
    // No name and no number.
    bool IsEmptyRow(long row) const { return Name(row).isEmpty() && Number(row).isEmpty(); }
    // The contacts in row order, empty rows left out.
    QList<_PBItem> Contacts() const;
    void SetContacts(const QList<_PBItem>& items, bool changed);
    // What a phone-number cell takes as it is typed.
    static bool IsNumberChar(QChar c);

signals:
    // Read-only grids: a phone number was double-clicked.
    void Picked(long row);
    // Editable grids: the operator changed a cell.
    void Edited(long row);

protected:
    void OnSetup() override;
    QColor OnGetDefBackColor(int section) override;
    void OnDClicked(int col, long row, QRect* rect, QPoint* point, int processed) override;
    int OnEditStart(int col, long row, QWidget** edit) override;
    int OnEditFinish(int col, long row, QWidget* edit, const QString& string, bool cancelFlag) override;

private:
    void fit();
    bool m_editable;
};

class CZRMobilePBWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobilePBWnd(CZRMobileWnd* owner);

    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;

    // Replies.
    void OnContact(const QString& text);
    void OnListEnd();
    void OnListFailed();
    void OnSaved();
    void OnSaveFailed();
    void OnImportLine(const QString& text);
    void OnImportEnd();
    void OnImportFailed();

    CZRMobilePBGrid* Grid() const { return m_grid; }
    QList<_PBItem> Contacts() const { return m_grid->Contacts(); }
    const QList<_PBItem>& ImportList() const { return m_import; }
    // The operator's buttons.
    void Save();
    void Delete();
    void Export();
    void Import();

signals:
    // A fresh contact list arrived: an open contact picker refills.
    void ContactsChanged();

private:
    void saveNext();
    void previewImport();
    int message(int textId, const QString& more, unsigned icon, unsigned buttons);

    CZRMobilePBGrid* m_grid = nullptr;
    QPushButton* m_saveBtn = nullptr;
    QPushButton* m_deleteBtn = nullptr;
    QPushButton* m_exportBtn = nullptr;
    QPushButton* m_importBtn = nullptr;
    bool m_reload = false;
    std::deque<long> m_saveQueue;
    long m_saveCursor = -1;
    bool m_importing = false;
    QList<_PBItem> m_import;
};

// The contact picker of the message editor, and the preview of an import.
class CZRMobilePBDlg : public QDialog
{
    Q_OBJECT

public:
    enum Mode { Picker, ImportPreview };
    CZRMobilePBDlg(QWidget* parent, Mode mode, const QList<_PBItem>& items);
    void SetContacts(const QList<_PBItem>& items);
    // Refills the dialog whenever the page receives a new contact list.
    void FollowPage(CZRMobilePBWnd* page);
    // The picker's choice: the number of the chosen row, or empty.
    QString ChosenNumber() const { return m_chosen; }
    CZRMobilePBGrid* Grid() const { return m_grid; }
    void accept() override;

private:
    Mode m_mode;
    CZRMobilePBGrid* m_grid;
    QString m_chosen;
};

class CZRMobileExportDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CZRMobileExportDlg(QWidget* parent);
    QString FileName() const;
    bool Local() const;
    QString LocalDir() const;
    bool Device() const;
    QString DeviceDir() const;
    void accept() override;

private:
    CDynEdit* m_name;
    QCheckBox* m_local;
    QLineEdit* m_localDir;
    QCheckBox* m_device;
    QLineEdit* m_deviceDir;
};

class CZRMobileImportDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CZRMobileImportDlg(QWidget* parent);
    bool FromLocal() const;
    QString LocalFile() const;
    QString DeviceFile() const;
    void accept() override;

private:
    QRadioButton* m_local;
    QLineEdit* m_localFile;
    QRadioButton* m_device;
    QLineEdit* m_deviceFile;
};
