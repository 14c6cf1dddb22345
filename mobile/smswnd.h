// The SMS page: inbox, editing, templates and history on four tabs. Everything lives on the agent;
// the pages only list, show and ask.
#pragma once

#include "zrmobiletmplwnd.h"

#include <QDialog>
#include <QPlainTextEdit>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class CZRMobileSMSInboxWnd;
class CZRMobileSMSEditWnd;
class CZRMobileSMSTmplWnd;
class CZRMobileSMSHistoryWnd;
class CZRMobileTmplListDlg;

// Quoted-item escaping: backslash, double quote, carriage return and line feed.
QString EscapeSmsText(const QString& text);
// A text-form stamp without its time zone, whichever sign the zone carries.
QString SmsDateWithoutZone(const QString& stamp);
// Why a template cannot be kept, or empty: its reply must stay below what the console reads.
QString TemplateTooLong(const QString& text);

// One message of a list, in the form it arrived.
struct SmsRow
{
    int index = 0; // storage index, or entry number in the history
    bool unread = false;
    QString pdu; // set when the message came as a PDU
    QString sender, date, text;
};

// Reads reply 322 (four or five items) or 340 (one or three items); false for a message that is
// not listed (stored outgoing, or a PDU that does not decode).
bool ParseInboxReply(const QString& reply, SmsRow* row);
bool ParseHistoryReply(const QString& reply, SmsRow* row);

// The message grids: check boxes, one row per message, unread rows in bold.
class CZRMobileSMSGrid : public QWidget
{
    Q_OBJECT

public:
    CZRMobileSMSGrid(QWidget* parent, const QString& name, bool withDate);
    void Clear();
    void Append(const SmsRow& row);
    void Remove(int row);
    int Count() const { return int(m_rows.size()); }
    const SmsRow& Row(int row) const { return m_rows[std::size_t(row)]; }
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    int FirstChecked() const;
    std::vector<int> CheckedRows() const;
    QTreeWidget* Tree() const { return m_tree; }

signals:
    void opened(int row);

private:
    QTreeWidget* m_tree;
    std::vector<SmsRow> m_rows;
    bool m_withDate;
};

// The message dialog: sender, date and text, with Reply (102) and Delete (101).
class CZRMobileSMSDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDelete = 101;
    static constexpr int kReply = 102;
    CZRMobileSMSDlg(QWidget* parent, const SmsRow& row);
};

class CZRMobileSMSInboxWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileSMSInboxWnd(CZRMobileWnd* owner);
    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;

    void OnMessage(const QString& text);
    void OnListEnd();
    void OnListFailed();
    void OnDeleted();
    void OnDeleteFailed();
    void OnStorageChanged();
    // The page went out of sight: what waited on a parked request is dropped.
    void Leave();

    void RefreshNow();
    void DeleteChecked();
    void ExportChecked();
    void Open(int row);
    CZRMobileSMSGrid* Grid() const { return m_grid; }
    bool Listing() const { return m_listing; }
    bool ReloadPending() const { return m_reloadPending; }
    int DeletingRow() const { return m_deletingRow; }

signals:
    void replyTo(const QString& number);

private:
    void requestList();
    void deleteNext();

    CZRMobileSMSGrid* m_grid;
    QPushButton* m_refresh;
    QPushButton* m_delete;
    QPushButton* m_export;
    bool m_reloadPending = true;
    bool m_listing = false;
    int m_listsOutstanding = 0;
    bool m_listParked = false;   // the listing waits behind the gate
    bool m_deleteParked = false; // so does the deletion
    int m_deletingRow = -1;
    bool m_deletedAny = false;
};

class CZRMobileSMSHistoryWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileSMSHistoryWnd(CZRMobileWnd* owner);
    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;

    void OnEntry(const QString& text);
    void OnListEnd();
    void OnFailed();
    void DeleteChecked();
    void Open(int row);
    CZRMobileSMSGrid* Grid() const { return m_grid; }

signals:
    void replyTo(const QString& number);

private:
    void deleteEntries(std::vector<int> numbers);

    CZRMobileSMSGrid* m_grid;
    QPushButton* m_delete;
    bool m_reload = false;
};

// The message edit: refuses what the message could not carry, and says why.
class CZRMobileSMSEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CZRMobileSMSEdit(QWidget* parent);
    void SetUnicodeAllowed(bool allowed) { m_unicodeAllowed = allowed; }
    bool UnicodeAllowed() const { return m_unicodeAllowed; }
    int Limit() const { return m_limit; }
    bool Wide() const { return m_wide; }
    // Puts a template, forward or reply text in; false (and why) when it is refused.
    bool PutText(const QString& text, QString* note);
    static bool HasWide(const QString& text);

signals:
    void stateChanged(int left, const QString& note);

private:
    void onChanged();

    bool m_unicodeAllowed = false;
    bool m_wide = false;
    int m_limit = 140;
    QString m_accepted;
    int m_acceptedCursor = 0;
    bool m_inChange = false;
};

class CZRMobileSMSEditWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileSMSEditWnd(CZRMobileWnd* owner);
    void EnableControls(bool enable) override;
    void Refresh() override {}
    void Reset() override;

    void SetPduMode(bool pdu);
    bool PduMode() const { return m_pduMode; }
    void SetRecipient(const QString& number);
    bool PutMessage(const QString& text);
    void Send();
    void AddToTemplate();
    void ReadFromTemplate();
    // Opens the contact picker on the phone book page's contacts; the picked number becomes the
    // recipient.
    void PickContact();
    // The template list arrived again, or failed, while the picker is open.
    void OnTemplates(const QStringList& templates, bool complete);

    QLineEdit* Number() const { return m_number; }
    CZRMobileSMSEdit* Message() const { return m_message; }
    QLabel* Counter() const { return m_counter; }
    QLabel* Note() const { return m_note; }

signals:
    void listTemplates();

private:
    QLineEdit* m_number;
    QLabel* m_counter;
    QLabel* m_note;
    CZRMobileSMSEdit* m_message;
    QPushButton* m_template;
    QPushButton* m_phoneBook;
    QPushButton* m_send;
    bool m_pduMode = false;
    CZRMobileTmplListDlg* m_picker = nullptr;
};

// One template: Save (101), Delete (102), Send (103).
class CZRMobileTmplDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSave = 101;
    static constexpr int kDelete = 102;
    static constexpr int kSend = 103;
    CZRMobileTmplDlg(QWidget* parent, const QString& text, bool existing);
    QString Text() const;

private:
    QPlainTextEdit* m_text;
};

// The picker of the Edit page: double-click takes a template.
class CZRMobileTmplListDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CZRMobileTmplListDlg(QWidget* parent);
    void Fill(const QStringList& templates);
    QString Picked() const { return m_picked; }
    QTreeWidget* Tree() const { return m_tree; }

private:
    QTreeWidget* m_tree;
    QString m_picked;
};

class CZRMobileSMSTmplWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileSMSTmplWnd(CZRMobileWnd* owner);
    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;

    void OnTemplate(const QString& text);
    void OnListEnd();
    void OnFailed();
    void Add();
    void DeleteChecked();
    void Open(int row);
    const QStringList& Templates() const { return m_templates; }
    QTreeWidget* Tree() const { return m_tree; }
    // Sends a template for saving when it fits; false (with a box) when it does not.
    bool Save(int number, const QString& text);

signals:
    void forward(const QString& text);
    void listChanged(const QStringList& templates, bool complete);

private:
    void deleteNumbers(std::vector<int> numbers);
    void fill();

    QTreeWidget* m_tree;
    QPushButton* m_add;
    QPushButton* m_delete;
    QStringList m_templates;
    bool m_reload = false;
};

class CZRMobileSMSWnd : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    explicit CZRMobileSMSWnd(CZRMobileWnd* owner);
    void EnableControls(bool enable) override;
    void Refresh() override;
    void Reset() override;

    // Routes a reply of the SMS requests; false when the code is not one of them.
    bool Receive(int code, const QString& text);
    // The failed request's recovery; false when the wire code is not one of the SMS requests.
    bool Failed(int wireCode);
    void SetPduMode(bool pdu);
    void ShowTab(int tab);
    int CurrentTab() const;

    CZRMobileSMSInboxWnd* Inbox() const { return m_inbox; }
    CZRMobileSMSEditWnd* Edit() const { return m_edit; }
    CZRMobileSMSTmplWnd* Templates() const { return m_templates; }
    CZRMobileSMSHistoryWnd* History() const { return m_history; }

protected:
    void hideEvent(QHideEvent* e) override;

private:
    QTabWidget* m_tabs;
    CZRMobileSMSInboxWnd* m_inbox;
    CZRMobileSMSEditWnd* m_edit;
    CZRMobileSMSTmplWnd* m_templates;
    CZRMobileSMSHistoryWnd* m_history;
};
