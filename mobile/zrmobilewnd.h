// The mobile window: the page list with its navigation bar, the single-request gate with one parked
// request, and the routing of mobile replies to the pages.
#pragma once

#include "zrmobileapi.h"

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <vector>

class CZRMobileTmplWnd;
class CZRMobileSIMWnd;
class CZRMobileGPRSWnd;
class CZRMobileSMSWnd;
class CZRMobilePBWnd;
class CZRMobileATCWnd;
class CZRMobileCfgWnd;
class QLabel;
class QListWidget;
class QListWidgetItem;

struct _WndHandler
{
    quint16 id;
    QWidget* wnd;
};

class CZRMobileWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CZRMobileWnd(QWidget* parent);
    ~CZRMobileWnd() override;

    static QColor Background() { return QColor(241, 255, 213); }
    // True for a handle CreateWnd gave out and DestroyWnd has not ended yet.
    static bool IsLive(const void* handle);

    void SetModel(const QString& model) { m_model = model; }
    void SetVersion(const QString& version);
    void SetNick(const QString& nick) { m_nick = nick; }
    const QString& Nick() const { return m_nick; }
    const char16_t* NickText() const { return reinterpret_cast<const char16_t*>(m_nick.utf16()); }
    void SetSendMessageCB(ZRSendMessageCB cb, void* mainWnd, void* context);
    void ReceiveMessage(quint16 code, const QString& key, const QString& text);
    void EnableATRelated(bool enable);
    void Init();
    void Reset();
    bool HasMessageBox() const { return m_messageBoxOpen; }

    // Requests of the pages: through the gate, or at once. False when nothing was sent.
    bool SendGated(int number, const QString* text);
    bool SendNow(int number, const QString* text);
    // The SIM page's verdict: rebuilds the navigation items.
    void OnSimReady(bool ready);
    // Navigation: shows a page as the operator's choice of its item does.
    void ShowPage(quint16 page);
    quint16 CurrentPage() const { return m_current; }
    // A box of the plug-in's strings; the caption gets " - " and the detail when one is given.
    int Message(const QString& text, int captionId, const QString& detail, unsigned icon, unsigned buttons);

    bool IsReady() const { return m_ready; }
    int ParkedRequest() const { return m_parkedNumber; }
    bool FamilyModel() const { return m_familyModel; }
    bool RestrictedModel() const { return m_restrictedModel; }
    bool NewAgentVersion() const { return m_newAgent; }
    CZRMobileSIMWnd* SimPage() const { return m_sim; }
    CZRMobileCfgWnd* CfgPage() const { return m_cfg; }
    CZRMobileGPRSWnd* GprsPage() const { return m_gprs; }
    CZRMobilePBWnd* PbPage() const { return m_pb; }
    const std::vector<_WndHandler>& Pages() const { return m_pages; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void enableAll(bool enable);
    int call(int number, const QString* text);
    void sendParked();
    void onError(const QString& key, const QString& text);
    void rebuildNavigation(bool simReady);
    void onItemActivated(QListWidgetItem* item);
    CZRMobileTmplWnd* page(quint16 id) const;

    std::vector<_WndHandler> m_pages;
    CZRMobileSIMWnd* m_sim = nullptr;
    CZRMobileGPRSWnd* m_gprs = nullptr;
    CZRMobileSMSWnd* m_sms = nullptr;
    CZRMobilePBWnd* m_pb = nullptr;
    CZRMobileATCWnd* m_atc = nullptr;
    CZRMobileCfgWnd* m_cfg = nullptr;
    quint16 m_current = 5;
    QWidget* m_navigation = nullptr;
    QLabel* m_navigationHeader = nullptr;
    QListWidget* m_items = nullptr;
    QPixmap m_strip;
    QString m_model;
    QString m_nick;
    ZRSendMessageCB m_callback = nullptr;
    void* m_mainWnd = nullptr; // kept, never read
    void* m_context = nullptr;
    bool m_ready = true;
    int m_parkedNumber = 0;
    QString m_parkedText;
    bool m_parkedHasText = false;
    bool m_messageBoxOpen = false;
    bool m_familyModel = false;
    bool m_restrictedModel = false;
    bool m_newAgent = false;
};

// Wire codes of the requests that go through the gate: only their failures reopen it.
bool IsGatedWireCode(int code);
