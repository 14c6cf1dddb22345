// The plug-in host: the libraries the console extends itself with, loaded by base name at start
// and bound export by export, and the glue that gives their windows a page, their commands a place
// in the menus and tool bars, their requests a way out and their replies a way in.
//
// Every call into a plug-in happens on the GUI thread, from a window procedure or a posted
// notification; none of them may block. A missing library leaves its handle empty (every call
// returns 0 or does nothing); a missing export is looked up once and then treated as absent.
#pragma once

#include <zrmobileapi.h>

#include <QLibrary>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class CZRNotify;
class QMenu;
class QToolBar;
class QWidget;
struct _Notice;

// One library: its module, its file's base name and a load count.
class PDLL
{
public:
    explicit PDLL(QString baseName);
    virtual ~PDLL();
    PDLL(const PDLL&) = delete;
    PDLL& operator=(const PDLL&) = delete;

    // Counts the call; only the first one loads, from the first folder that holds the library.
    // True when this call loaded it.
    virtual bool Load(const QStringList& folders);
    // Counts down (not below 0); at 0 the module is freed and every look-up forgotten.
    virtual void Release();
    bool IsLoaded() const { return m_module != nullptr; }
    const QString& Name() const { return m_name; }
    QString FileName() const;

protected:
    // One cached look-up per export; `looked` keeps a missing name from being looked up again.
    template <typename F> struct Export
    {
        F fn = nullptr;
        bool looked = false;
    };
    template <typename F> F bind(Export<F>& e, const char* name)
    {
        if (!m_module) return nullptr;
        if (!e.looked) {
            e.fn = reinterpret_cast<F>(m_module->resolve(name));
            e.looked = true;
            ++m_lookups;
        }
        return e.fn;
    }
    virtual void forget() = 0; // the module is gone: every look-up again on the next load

public:
    int Lookups() const { return m_lookups; }

private:
    std::unique_ptr<QLibrary> m_module;
    QString m_name;
    int m_count = 0;
    int m_lookups = 0;
};

class CZRMobileDLL : public PDLL
{
public:
    CZRMobileDLL() : PDLL(QStringLiteral("ZRMobileU")) {}

    int Test(int value);
    void* CreateWnd(QWidget* parent);
    void DestroyWnd(void* wnd);
    void SetVersion(void* wnd, const QString& text);
    void SetModel(void* wnd, const QString& text);
    void SetNick(void* wnd, const QString& text);
    QString GetNick(void* wnd);
    void SetSendMessageCB(void* wnd, ZRSendMessageCB cb, void* mainWnd, void* context);
    void ReceiveMessage(void* wnd, const _Notice& reply);
    void EnableATRelated(void* wnd, bool enable);
    void Init(void* wnd);
    void Reset(void* wnd);
    bool HasMessageBox(void* wnd);
    bool Insert2Menu(QMenu* menu, int position);
    void Insert2ToolBar(QToolBar* main, QToolBar* second, int* mainPos, int* secondPos);
    bool EnableFeature(const QString& model);

protected:
    void forget() override;

private:
    struct Exports
    {
        Export<ZRMobileTest> test;
        Export<ZRMobileCreateWnd> create;
        Export<ZRMobileDestroyWnd> destroy;
        Export<ZRMobileSetText> setVersion, setModel, setNick;
        Export<ZRMobileGetNick> getNick;
        Export<ZRMobileSetSendMessageCB> setSend;
        Export<ZRMobileReceiveMessage> receive;
        Export<ZRMobileEnableATRelated> enableAT;
        Export<ZRMobileCall> init, reset;
        Export<ZRMobileHasMessageBox> hasBox;
        Export<ZRMobileInsert2Menu> menu;
        Export<ZRMobileInsert2ToolBar> toolBar;
        Export<ZRMobileEnableFeature> feature;
    } m_x;
};

// The two further kinds no library of ours provides: bound when a library is present.
using ZRPluginPopupMenu = void (*)(void* instance, int command, int x, int y, void* frame);
using ZRPluginInsert2Menu = int (*)(void* instance, void* menu, int position);
using ZRPluginInvokeDlg = void* (*)(void* wnd, void* parent);
using ZRPluginUploadCB = int (*)(const char16_t* text, int number, void* context, const char16_t* key);
using ZRIPSecSetSendMessageCB = void (*)(void* wnd, ZRSendMessageCB cb, ZRPluginUploadCB upload,
                                         void* mainWnd, void* context);

class CZRModbusDLL : public PDLL
{
public:
    CZRModbusDLL() : PDLL(QStringLiteral("ZRModbusU")) {}

    void* CreateWnd(QWidget* parent);
    void DestroyWnd(void* wnd);
    void SetNick(void* wnd, const QString& text);
    QString GetNick(void* wnd);
    void SetSendMessageCB(void* wnd, ZRSendMessageCB cb, void* mainWnd, void* context);
    void ReceiveMessage(void* wnd, const _Notice& reply);
    void Init(void* wnd);
    void Reset(void* wnd);
    bool HasMessageBox(void* wnd);
    void PopupMenu(int command, const QPoint& screen, QWidget* frame);
    bool Insert2Menu(QMenu* menu, int position);
    void Insert2ToolBar(QToolBar* main, QToolBar* second, int* mainPos, int* secondPos);
    void* InvokeConfigDlg(void* wnd, QWidget* parent);
    void* InvokeStatusDlg(void* wnd, QWidget* parent);
    bool EnableFeature(const QString& model);

protected:
    void forget() override;

private:
    struct Exports
    {
        Export<ZRMobileCreateWnd> create;
        Export<ZRMobileDestroyWnd> destroy;
        Export<ZRMobileSetText> setNick;
        Export<ZRMobileGetNick> getNick;
        Export<ZRMobileSetSendMessageCB> setSend;
        Export<ZRMobileReceiveMessage> receive;
        Export<ZRMobileCall> init, reset;
        Export<ZRMobileHasMessageBox> hasBox;
        Export<ZRPluginPopupMenu> popup;
        Export<ZRPluginInsert2Menu> menu;
        Export<ZRMobileInsert2ToolBar> toolBar;
        Export<ZRPluginInvokeDlg> config, status;
        Export<ZRMobileEnableFeature> feature;
    } m_x;
};

class CZRIPSecDLL : public PDLL
{
public:
    CZRIPSecDLL() : PDLL(QStringLiteral("ZRIPSecU")) {}

    void* CreateWnd(QWidget* parent);
    void DestroyWnd(void* wnd);
    void SetNick(void* wnd, const QString& text);
    QString GetNick(void* wnd);
    void SetSendMessageCB(void* wnd, ZRSendMessageCB cb, ZRPluginUploadCB upload, void* mainWnd,
                          void* context);
    void ReceiveMessage(void* wnd, const _Notice& reply);
    void Init(void* wnd);
    void Reset(void* wnd);
    bool HasMessageBox(void* wnd);
    void PopupMenu(int command, const QPoint& screen, QWidget* frame);
    bool Insert2Menu(QMenu* menu, int position);
    void Insert2ToolBar(QToolBar* main, QToolBar* second, int* mainPos, int* secondPos);
    void* InvokeStatusDlg(void* wnd, QWidget* parent);
    void RemoveGateway(void* wnd, const QString& gateway);
    bool EnableFeature(const QString& model);

protected:
    void forget() override;

private:
    struct Exports
    {
        Export<ZRMobileCreateWnd> create;
        Export<ZRMobileDestroyWnd> destroy;
        Export<ZRMobileSetText> setNick, removeGateway;
        Export<ZRMobileGetNick> getNick;
        Export<ZRIPSecSetSendMessageCB> setSend;
        Export<ZRMobileReceiveMessage> receive;
        Export<ZRMobileCall> init, reset;
        Export<ZRMobileHasMessageBox> hasBox;
        Export<ZRPluginPopupMenu> popup;
        Export<ZRPluginInsert2Menu> menu;
        Export<ZRMobileInsert2ToolBar> toolBar;
        Export<ZRPluginInvokeDlg> status;
        Export<ZRMobileEnableFeature> feature;
    } m_x;
};

// The three libraries of the process: loaded once at start, freed once at exit, after every window
// of theirs is gone.
struct CZRPlugins
{
    CZRMobileDLL mobile;
    CZRModbusDLL modbus;
    CZRIPSecDLL ipsec;

    static CZRPlugins& Get();
    // Beside the executable, then the installed plug-in folder.
    static QStringList DefaultFolders();
    // Tests point the host elsewhere before the first frame.
    static void SetFolders(const QStringList& folders);
    void LoadAll();
    void ReleaseAll();

private:
    bool m_tried = false;
};

// The host side of one main frame. It lives inside the info view, so that the plug-ins' windows
// are destroyed through them while the view still stands.
class CZRPluginHost : public QObject
{
    Q_OBJECT

public:
    // Inserts the plug-ins' buttons and menu items, creates their windows and pages and installs
    // their callbacks; the frame's document and views must exist.
    static CZRPluginHost* Attach(CMainFrame* frame);
    static CZRPluginHost* Of(const QObject* frame);
    static bool IsPluginCommand(int id);

    ~CZRPluginHost() override;

    bool IsCommandEnabled(int id) const;
    void OnCommand(int id);
    bool HasMessageBox() const;
    void* MobileWnd() const { return m_mobile.data(); }
    int MobilePage() const { return m_mobilePage; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    explicit CZRPluginHost(CMainFrame* frame);
    void onNotify(const CZRNotify& n);
    void adoptActions(QWidget* owner);
    // The single agent a command acts on; false when there is none.
    bool targetAgent(int id, QString* gateway, QString* agent) const;
    void bindMobile(const QString& gateway, const QString& agent);

    CMainFrame* m_frame;
    QPointer<QWidget> m_mobile;
    QPointer<QWidget> m_modbus;
    QPointer<QWidget> m_ipsec;
    int m_mobilePage = 0;
    int m_ipsecPage = 0;
    bool m_fromToolBar = false;
};
