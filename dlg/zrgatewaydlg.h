// The Gateway Manager: the operator's list of gateways (name, address, port). The console fills it
// from its profile, runs it and reads the list back whatever the result; the dialog never touches
// files or connections itself.
#pragma once

#include "zragentdlg.h"
#include "zrdlg_global.h"

#include <QDialog>
#include <QList>
#include <QString>

class CDynEdit;
class CIPAddressCtrl;
class QListWidget;
class QPushButton;

struct GatewayInfo
{
    QString name;
    QString address; // dotted, as the address field shows it
    QString port;    // as typed
};

class ZRDLGU_EXPORT CZRGatewayDlg : public CZRAgentDlg
{
    Q_OBJECT

public:
    // Result of a run that asks the console to connect GetSelItem().
    static constexpr int IDCONNECT = 99;
    // Control ids, also the object names of the controls.
    enum : int {
        IDD = 6004,
        IDC_IPADDRESS = 6162,
        IDC_PORT = 6164,
        IDC_NAME = 6166,
        IDC_LIST = 6168,
        IDC_NEW = 6169,
        IDC_SAVE = 6170,
        IDC_DELETE = 6171,
        IDC_CONNECT = 6172,
    };

    explicit CZRGatewayDlg(QWidget* parent = nullptr, bool enableConnect = true);

    void SetDefaultPort(const QString& port) { m_defaultPort = port; }
    QString GetDefaultPort() const { return m_defaultPort; }

    // False when an entry of that exact name exists.
    bool AddListItem(const QString& name, const QString& address, const QString& port);
    // Changes the entry being edited, unless another entry already has the new name.
    void SetListItem(const QString& name, const QString& address, const QString& port);
    void RemoveListItem(const QString& name);
    int GetCount() const { return int(m_list.size()); }
    bool GetListItem(int index, QString& name, QString& address, QString& port) const;
    const QList<GatewayInfo>& GetList() const { return m_list; }

    // The three fields; an empty name becomes "Gateway", or "Gateway-2", "Gateway-3"… when the list
    // already shows that text.
    void GetItem(QString& name, QString& address, QString& port) const;
    void SetItem(const QString& name, const QString& address, const QString& port);
    void SetName(const QString& name);
    void SetIPAddr(const QString& address);
    void SetPort(const QString& port);
    QString GetName() const;
    QString GetIPAddr() const;
    QString GetPort() const;

    // Blank fields with the default port, nothing selected, the next Save adds.
    void SetNew();
    void UpdateList();
    // The name "Connect" was pressed for.
    QString GetSelItem() const { return m_selName; }
    bool IsNewMode() const { return m_newMode; }
    int GetSelIndex() const { return m_sel; }

    // The buttons' handlers (also pressed by tests and the demo).
    void OnSave();
    void OnNew() { SetNew(); }
    void OnDelete();
    void OnConnect();
    void OnSelChange();

    CDynEdit* nameEdit() const { return m_name; }
    CDynEdit* portEdit() const { return m_port; }
    CIPAddressCtrl* addressCtrl() const { return m_address; }
    QListWidget* listBox() const { return m_listBox; }
    QPushButton* button(int id) const;

protected:
    // Opening: edit rules, default port, Connect enabling, list filled, new-entry mode.
    void OnOpen() override;

private:
    int findEntry(const QString& name) const;
    bool listBoxHolds(const QString& text) const;
    void selectLine(int row);

    QString m_defaultPort;
    QString m_selName;
    bool m_enableConnect;
    bool m_newMode = true;
    int m_sel = -1;
    int m_editing = -1; // index into m_list of the entry being edited
    QList<GatewayInfo> m_list;

    CDynEdit* m_name;
    CDynEdit* m_port;
    CIPAddressCtrl* m_address;
    QListWidget* m_listBox;
    QPushButton* m_new;
    QPushButton* m_save;
    QPushButton* m_delete;
    QPushButton* m_connect;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
