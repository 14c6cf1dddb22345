// The ordered list of programs an agent starts at boot, each a program and its arguments. On OK the
// whole new list goes to the apply callback, one quoted pair per entry.
#pragma once

#include "zragentdlg.h"
#include "zrdlg_global.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QLineEdit;
class QPushButton;
class QTreeWidget;

struct __InstructionDlg
{
    QString program;
    QString arguments;
};

// Gets the new list (each entry "\"program\" \"arguments\"", in order) to own.
using ZRAutoLaunchAction = int (*)(QStringList list, int number, void* context, const QString& key);

class ZRDLGU_EXPORT CZRAutoLaunchDlg : public CZRAgentDlg
{
    Q_OBJECT

public:
    enum : int {
        IDD = 6005,
        IDC_PROGRAM = 6182,
        IDC_ARGUMENTS = 6184,
        IDC_ADD = 6185,
        IDC_LIST = 6186,
        IDC_DELETE = 6187,
        IDC_MOVE_UP = 6188,
        IDC_MOVE_DOWN = 6189,
    };
    // A reply of the agent carries at most this many bytes of text: a pair that would not fit
    // could be sent but never read back.
    static constexpr int kMaxPairBytes = 1022;

    explicit CZRAutoLaunchDlg(QWidget* parent = nullptr, int selfDelete = 0);

    void SetNick(const QString& key) { m_key = key; }
    QString GetNick() const { return m_key; }
    void SetApplyAction(ZRAutoLaunchAction action, int code, void* context);

    void AddAutoLaunch(const QString& program, const QString& arguments);
    int GetAutoLaunchCount() const { return int(m_entries.size()); }
    bool GetAutoLaunch(int index, QString& program, QString& arguments) const;
    void AddListAutoLaunch(int index, const QString& program, const QString& arguments);
    bool GetListAutoLaunch(int index, QString& program, QString& arguments) const;
    int GetListCount() const;
    void DeleteListAutoLaunchs();
    void SetAutoLaunchList();
    // The new list as sent; null when no callback is set.
    std::unique_ptr<QStringList> GetAutoLaunchList() const;
    static QString TrimCommand(const QString& text);
    // Whether a pair can travel to the agent and back; the reason when it cannot.
    static bool CanCarry(const QString& program, const QString& arguments, QString* why = nullptr);

    void OnAdd();
    void OnDelete();
    void OnMoveUp();
    void OnMoveDown();
    void OnOK();
    void OnCancel();

    // Selected rows in ascending order.
    QList<int> SelectedRows() const;
    void SelectRows(const QList<int>& rows);

    QLineEdit* programEdit() const { return m_program; }
    QLineEdit* argumentsEdit() const { return m_arguments; }
    QTreeWidget* listCtrl() const { return m_list; }
    QPushButton* button(int id) const;

protected:
    void OnOpen() override;
    void reject() override;

private:
    void moveRow(int from, int to);
    void updateButtons();

    QString m_key;
    ZRAutoLaunchAction m_action = nullptr;
    int m_code = 0;
    void* m_context = nullptr;
    QList<__InstructionDlg> m_entries;

    QLineEdit* m_program;
    QLineEdit* m_arguments;
    QTreeWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_delete;
    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
