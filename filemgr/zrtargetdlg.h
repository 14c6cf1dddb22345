// Common ground of the upload and firmware upgrade dialogs: the devices of one gateway split into
// a selected and a non-selected list (selector 0 and 1), the caller's settings, the caption
// additions and the opening that runs once.
#pragma once

#include "zrfilemgr_global.h"
#include "zrfmtypes.h"

#include <QDialog>
#include <QSet>
#include <QString>
#include <QStringList>

class QGroupBox;
class QListWidget;
class QPushButton;

class ZRFILEMGRU_EXPORT CZRTargetDlg : public QDialog
{
    Q_OBJECT

public:
    // Ids of the selected and non-selected list boxes and of the "->" and "<-" buttons.
    CZRTargetDlg(QWidget* parent, int selfDelete, int selectedId, int othersId, int toOthersId,
                 int toSelectedId);

    // The gateway part of every device key.
    void SetNick(const QString& nick) { m_nick = nick; }
    QString GetNick() const { return m_nick; }
    // Start folder of the file dialog.
    void SetLocalDirectory(const QString& dir) { m_localDir = dir; }
    QString GetLocalDirectory() const { return m_localDir; }
    // " - text" is appended to the caption when the dialog opens; empty text adds nothing.
    void AddTitleInfo(const QString& text);

    // Lists: 0 selected, 1 non-selected. Add only when absent; 1 when something changed.
    int AddAgent(int list, const QString& name);
    bool HasAgent(int list, const QString& name) const;
    int RemoveAgent(int list, const QString& name);
    int AddListAgent(int list, const QString& name);
    int RemoveListAgent(int list, const QString& name);
    // Copies a whole list into its list box; 0 when the list is empty.
    int AddListAgents(int list);
    void GetAgentList(QStringList& list) const { list = m_agents[0]; }
    QStringList Agents(int list) const { return m_agents[list & 1]; }
    QListWidget* ListBox(int list) const { return m_box[list & 1]; }
    // "<-": the current item of the non-selected box to the selected side; "->" the other way.
    void MoveToSelected() { moveCurrent(1); }
    void MoveToOthers() { moveCurrent(0); }

    // The opening: caption additions, the device boxes, then the dialog's own part. Runs once,
    // when the dialog is first shown, or earlier when called.
    void OnInitDialog();

protected:
    QGroupBox* DeviceGroup() const { return m_group; }
    virtual void OnOpen() {}
    void showEvent(QShowEvent* e) override;
    // Calls the action for the record and every selected device, in list order; pairs the action
    // took before are not handed in again. Returns how many calls it refused.
    int ApplyTo(ZRTransferAction action, int code, void* context, const _TransferRequest& request);
    // A size given in dialog units, in pixels of the dialog's font.
    QSize DialogUnits(int width, int height) const;

private:
    void moveCurrent(int from);

    QString m_nick;
    QString m_localDir;
    QString m_title;
    bool m_inited = false;
    QStringList m_agents[2];
    QListWidget* m_box[2];
    QGroupBox* m_group;
    // Local path, remote path and device of every call the action took: after a refusal the
    // dialog stays open, and a second OK must not start those transfers twice.
    QSet<QString> m_applied;
};
