// An agent's network interfaces and DNS servers on two tabs. The dialog turns the operator's changes
// into the texts of the requests that set an interface and that set the DNS servers, and hands them
// to the apply callback.
#pragma once

#include "zragentdlg.h"
#include "zrapplyaction.h"
#include "zrdlg_global.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class CIPAddressCtrl;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// One interface as the dialog keeps it.
struct _NetworkInterface
{
    int changed = 0;
    int mode = 0; // 0 address from a DHCP server, 1 fixed address
    QString name;
    QString ip;
    QString mask;
    QString gateway;
    QString mac;
};

// The DNS servers of one interface.
struct _DNSServer
{
    int changed = 0;
    QString name;
    QString primary;
    QString secondary;
    // Servers the agent reported beyond the two the tab shows; sent back unchanged after them, so
    // that applying the two shown never drops servers the operator could not see.
    QStringList further;
};

class ZRDLGU_EXPORT CZRNetworkIPTab : public QWidget
{
    Q_OBJECT

public:
    enum : int {
        IDD = 6003,
        IDC_INTERFACE = 6121,
        IDC_DHCP = 6122,
        IDC_FIXED = 6123,
        IDC_IP = 6124,
        IDC_MASK = 6125,
        IDC_GATEWAY = 6126,
        IDC_MAC = 6127,
    };
    explicit CZRNetworkIPTab(QWidget* parent = nullptr);

    QList<_NetworkInterface>& List() { return m_list; }
    const QList<_NetworkInterface>& List() const { return m_list; }
    int GetMode() const { return m_mode; }
    // Fills the combo box in list order and loads entry 0 (nothing for an empty list).
    void Fill();
    void LoadEntry(int index);
    // "DHCP" (0) or "Fixed IP" (1): the address fields follow.
    void SetMode(int mode);
    // The entry the combo box names, null when it names none.
    _NetworkInterface* Selected();
    // The controls' values into an entry; a blank address field reads as "".
    void StoreControls(_NetworkInterface& entry) const;

    QComboBox* combo() const { return m_combo; }
    QRadioButton* dhcpButton() const { return m_dhcp; }
    QRadioButton* fixedButton() const { return m_fixed; }
    CIPAddressCtrl* ipCtrl() const { return m_ip; }
    CIPAddressCtrl* maskCtrl() const { return m_mask; }
    CIPAddressCtrl* gatewayCtrl() const { return m_gateway; }
    QLineEdit* macField() const { return m_mac; }

private:
    QList<_NetworkInterface> m_list;
    int m_mode = 0;
    QComboBox* m_combo;
    QRadioButton* m_dhcp;
    QRadioButton* m_fixed;
    CIPAddressCtrl* m_ip;
    CIPAddressCtrl* m_mask;
    CIPAddressCtrl* m_gateway;
    QLineEdit* m_mac;
    QList<QLabel*> m_labels;
};

class ZRDLGU_EXPORT CZRNetworkDNSTab : public QWidget
{
    Q_OBJECT

public:
    enum : int { IDD = 6002, IDC_INTERFACE = 6142, IDC_PRIMARY = 6145, IDC_SECONDARY = 6147 };
    explicit CZRNetworkDNSTab(QWidget* parent = nullptr);

    QList<_DNSServer>& List() { return m_list; }
    const QList<_DNSServer>& List() const { return m_list; }
    void SetOSType(int type) { m_osType = type; }
    int GetOSType() const { return m_osType; }
    void Fill();
    void LoadEntry(int index);
    _DNSServer* Selected();
    void StoreControls(_DNSServer& entry) const;

    QComboBox* combo() const { return m_combo; }
    CIPAddressCtrl* primaryCtrl() const { return m_primary; }
    CIPAddressCtrl* secondaryCtrl() const { return m_secondary; }

private:
    QList<_DNSServer> m_list;
    int m_osType = 1;
    QComboBox* m_combo;
    CIPAddressCtrl* m_primary;
    CIPAddressCtrl* m_secondary;
};

class ZRDLGU_EXPORT CZRNetworkDlg : public CZRAgentDlg
{
    Q_OBJECT

public:
    enum : int { IDD = 6001, IDC_APPLY = 6100, IDC_TAB = 6101 };

    explicit CZRNetworkDlg(QWidget* parent = nullptr, int selfDelete = 0);

    void SetNick(const QString& key) { m_key = key; }
    QString GetNick() const { return m_key; }
    void SetApplyAction(ZRApplyAction action, void* context);
    void SetActionType(int interfaceCode, int dnsCode);
    void SetOSType(int type);

    int AddInterface(int mode, const QString& name, const QString& ip, const QString& mask,
                     const QString& gateway, const QString& mac);
    // Replaces the servers of an entry of that exact name, else appends one; further servers
    // beyond the two shown are kept with the entry.
    int AddDNSList(const QString& name, const QString& primary, const QString& secondary,
                   const QStringList& further = {});
    // The selected entry's request text from the controls; false when there is no such entry.
    // The text is "" when the operator refused or an address was invalid.
    bool SetInterface(QString& text);
    bool SetDNSList(QString& text);
    QString GetInterfaceData(const _NetworkInterface& entry);
    QString GetDNSListData(const _DNSServer& entry) const;
    bool GetInterface(const QString& name, _NetworkInterface& out) const;
    bool GetDNSList(const QString& name, _DNSServer& out) const;
    static bool IsValidIP(const QString& text);
    static bool IsValidMask(const QString& text);
    bool ConfirmIPChange();

    void OnApply();
    void OnOK();
    void OnCancel();

    CZRNetworkIPTab* ipTab() const { return m_ipTab; }
    CZRNetworkDNSTab* dnsTab() const { return m_dnsTab; }
    QTabWidget* tabs() const { return m_tabs; }
    QPushButton* button(int id) const;

protected:
    void OnOpen() override;
    void reject() override;

private:
    // The visible tab's request text and code; an empty text when nothing is to be sent.
    void visibleRequest(QString& text, int& code);

    QString m_key;
    ZRApplyAction m_action = nullptr;
    void* m_context = nullptr;
    int m_ifCode = 0;
    int m_dnsCode = 0;
    QTabWidget* m_tabs;
    CZRNetworkIPTab* m_ipTab;
    CZRNetworkDNSTab* m_dnsTab;
    QPushButton* m_apply;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
