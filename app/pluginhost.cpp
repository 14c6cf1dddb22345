#include "pluginhost.h"

#include "agenttree.h"
#include "mainframe.h"
#include "resource.h"
#include "tarndoc.h"
#include "tarninfoview.h"

#include <messages.h>
#include <notify.h>
#include <zrcontrol.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QToolBar>

namespace {

const char16_t* u16(const QString& s)
{
    return reinterpret_cast<const char16_t*>(s.utf16());
}

QString fromU16(const char16_t* s)
{
    return s ? QString::fromUtf16(s) : QString();
}

QStringList& folders()
{
    static QStringList list = CZRPlugins::DefaultFolders();
    return list;
}

// The console's send callback in the plug-ins' C form; the context is the document.
int sendThunk(const char16_t* text, int number, void* context, const char16_t* key)
{
    return CTarnDoc::SendMessageCB(fromU16(text), number, context, fromU16(key));
}

ZRMobileReply replyOf(const _Notice& n)
{
    return ZRMobileReply{n.code, u16(n.key), u16(n.text)};
}

constexpr int ID_MODBUS_FIRST = 43000, ID_MODBUS_LAST = 43005;
constexpr int ID_IPSEC_FIRST = 45000, ID_IPSEC_LAST = 45005;

} // namespace

// ---- libraries

PDLL::PDLL(QString baseName) : m_name(std::move(baseName)) {}

// A library still loaded here is one the program never released; the process's end frees it, as
// unloading code during static destruction could run it after Qt has gone.
PDLL::~PDLL() = default;

QString PDLL::FileName() const
{
    return m_module ? m_module->fileName() : QString();
}

bool PDLL::Load(const QStringList& where)
{
    if (m_count++ > 0 || m_module) return false;
    for (const QString& folder : where) {
        auto lib = std::make_unique<QLibrary>(QDir(folder).filePath(m_name));
        // Releasing forgets every look-up but keeps the code mapped: Qt shares one handle per file
        // between loaders, and the plug-in's meta-objects and resources stay registered with Qt,
        // so unmapping it under another holder left calls into freed code.
        lib->setLoadHints(QLibrary::PreventUnloadHint);
        if (lib->load()) {
            m_module = std::move(lib);
            return true;
        }
    }
    return false;
}

void PDLL::Release()
{
    if (m_count > 0) --m_count;
    if (m_count > 0 || !m_module) return;
    forget();
    m_module->unload();
    m_module.reset();
}

// Each operation: nothing without the module or the export; otherwise the plug-in's answer.
#define PLUGIN_CALL(slot, name, fallback, ...)                                                               \
    do {                                                                                                     \
        if (auto f = bind(m_x.slot, name)) return f(__VA_ARGS__);                                            \
        return fallback;                                                                                     \
    } while (false)
#define PLUGIN_EXPR(slot, name, fallback, expr)                                                              \
    do {                                                                                                     \
        if (auto f = bind(m_x.slot, name)) return expr;                                                      \
        return fallback;                                                                                     \
    } while (false)
#define PLUGIN_DO(slot, name, ...)                                                                           \
    do {                                                                                                     \
        if (auto f = bind(m_x.slot, name)) f(__VA_ARGS__);                                                   \
    } while (false)

void CZRMobileDLL::forget()
{
    m_x = Exports{};
}

int CZRMobileDLL::Test(int value)
{
    PLUGIN_CALL(test, "Test", 0, value);
}

void* CZRMobileDLL::CreateWnd(QWidget* parent)
{
    PLUGIN_CALL(create, "CreateWnd", nullptr, parent);
}

void CZRMobileDLL::DestroyWnd(void* wnd)
{
    PLUGIN_DO(destroy, "DestroyWnd", wnd);
}

void CZRMobileDLL::SetVersion(void* wnd, const QString& text)
{
    PLUGIN_DO(setVersion, "SetVersion", wnd, u16(text));
}

void CZRMobileDLL::SetModel(void* wnd, const QString& text)
{
    PLUGIN_DO(setModel, "SetModel", wnd, u16(text));
}

void CZRMobileDLL::SetNick(void* wnd, const QString& text)
{
    PLUGIN_DO(setNick, "SetNick", wnd, u16(text));
}

QString CZRMobileDLL::GetNick(void* wnd)
{
    PLUGIN_EXPR(getNick, "GetNick", QString(), fromU16(f(wnd)));
}

void CZRMobileDLL::SetSendMessageCB(void* wnd, ZRSendMessageCB cb, void* mainWnd, void* context)
{
    PLUGIN_DO(setSend, "SetSendMessageCB", wnd, cb, mainWnd, context);
}

void CZRMobileDLL::ReceiveMessage(void* wnd, const _Notice& reply)
{
    const ZRMobileReply r = replyOf(reply);
    PLUGIN_DO(receive, "ReceiveMessage", wnd, &r);
}

void CZRMobileDLL::EnableATRelated(void* wnd, bool enable)
{
    PLUGIN_DO(enableAT, "EnableATRelated", wnd, enable ? 1 : 0);
}

void CZRMobileDLL::Init(void* wnd)
{
    PLUGIN_DO(init, "Init", wnd);
}

void CZRMobileDLL::Reset(void* wnd)
{
    PLUGIN_DO(reset, "Reset", wnd);
}

bool CZRMobileDLL::HasMessageBox(void* wnd)
{
    PLUGIN_EXPR(hasBox, "HasMessageBox", false, f(wnd) != 0);
}

bool CZRMobileDLL::Insert2Menu(QMenu* menu, int position)
{
    PLUGIN_EXPR(menu, "Insert2Menu", false, f(menu, position) != 0);
}

void CZRMobileDLL::Insert2ToolBar(QToolBar* main, QToolBar* second, int* mainPos, int* secondPos)
{
    PLUGIN_DO(toolBar, "Insert2ToolBar", nullptr, main, second, mainPos, secondPos);
}

bool CZRMobileDLL::EnableFeature(const QString& model)
{
    PLUGIN_EXPR(feature, "EnableFeature", false, f(u16(model)) != 0);
}

void CZRModbusDLL::forget()
{
    m_x = Exports{};
}

void* CZRModbusDLL::CreateWnd(QWidget* parent)
{
    PLUGIN_CALL(create, "CreateWnd", nullptr, parent);
}

void CZRModbusDLL::DestroyWnd(void* wnd)
{
    PLUGIN_DO(destroy, "DestroyWnd", wnd);
}

void CZRModbusDLL::SetNick(void* wnd, const QString& text)
{
    PLUGIN_DO(setNick, "SetNick", wnd, u16(text));
}

QString CZRModbusDLL::GetNick(void* wnd)
{
    PLUGIN_EXPR(getNick, "GetNick", QString(), fromU16(f(wnd)));
}

void CZRModbusDLL::SetSendMessageCB(void* wnd, ZRSendMessageCB cb, void* mainWnd, void* context)
{
    PLUGIN_DO(setSend, "SetSendMessageCB", wnd, cb, mainWnd, context);
}

void CZRModbusDLL::ReceiveMessage(void* wnd, const _Notice& reply)
{
    const ZRMobileReply r = replyOf(reply);
    PLUGIN_DO(receive, "ReceiveMessage", wnd, &r);
}

void CZRModbusDLL::Init(void* wnd)
{
    PLUGIN_DO(init, "Init", wnd);
}

void CZRModbusDLL::Reset(void* wnd)
{
    PLUGIN_DO(reset, "Reset", wnd);
}

bool CZRModbusDLL::HasMessageBox(void* wnd)
{
    PLUGIN_EXPR(hasBox, "HasMessageBox", false, f(wnd) != 0);
}

void CZRModbusDLL::PopupMenu(int command, const QPoint& screen, QWidget* frame)
{
    PLUGIN_DO(popup, "PopupMenu", nullptr, command, screen.x(), screen.y(), frame);
}

bool CZRModbusDLL::Insert2Menu(QMenu* menu, int position)
{
    PLUGIN_EXPR(menu, "Insert2Menu", false, f(nullptr, menu, position) != 0);
}

void CZRModbusDLL::Insert2ToolBar(QToolBar* main, QToolBar* second, int* mainPos, int* secondPos)
{
    PLUGIN_DO(toolBar, "Insert2ToolBar", nullptr, main, second, mainPos, secondPos);
}

void* CZRModbusDLL::InvokeConfigDlg(void* wnd, QWidget* parent)
{
    PLUGIN_CALL(config, "InvokeConfigDlg", nullptr, wnd, parent);
}

void* CZRModbusDLL::InvokeStatusDlg(void* wnd, QWidget* parent)
{
    PLUGIN_CALL(status, "InvokeStatusDlg", nullptr, wnd, parent);
}

bool CZRModbusDLL::EnableFeature(const QString& model)
{
    PLUGIN_EXPR(feature, "EnableFeature", false, f(u16(model)) != 0);
}

void CZRIPSecDLL::forget()
{
    m_x = Exports{};
}

void* CZRIPSecDLL::CreateWnd(QWidget* parent)
{
    PLUGIN_CALL(create, "CreateWnd", nullptr, parent);
}

void CZRIPSecDLL::DestroyWnd(void* wnd)
{
    PLUGIN_DO(destroy, "DestroyWnd", wnd);
}

void CZRIPSecDLL::SetNick(void* wnd, const QString& text)
{
    PLUGIN_DO(setNick, "SetNick", wnd, u16(text));
}

QString CZRIPSecDLL::GetNick(void* wnd)
{
    PLUGIN_EXPR(getNick, "GetNick", QString(), fromU16(f(wnd)));
}

void CZRIPSecDLL::SetSendMessageCB(void* wnd, ZRSendMessageCB cb, ZRPluginUploadCB upload, void* mainWnd,
                                   void* context)
{
    PLUGIN_DO(setSend, "SetSendMessageCB", wnd, cb, upload, mainWnd, context);
}

void CZRIPSecDLL::ReceiveMessage(void* wnd, const _Notice& reply)
{
    const ZRMobileReply r = replyOf(reply);
    PLUGIN_DO(receive, "ReceiveMessage", wnd, &r);
}

void CZRIPSecDLL::Init(void* wnd)
{
    PLUGIN_DO(init, "Init", wnd);
}

void CZRIPSecDLL::Reset(void* wnd)
{
    PLUGIN_DO(reset, "Reset", wnd);
}

bool CZRIPSecDLL::HasMessageBox(void* wnd)
{
    PLUGIN_EXPR(hasBox, "HasMessageBox", false, f(wnd) != 0);
}

void CZRIPSecDLL::PopupMenu(int command, const QPoint& screen, QWidget* frame)
{
    PLUGIN_DO(popup, "PopupMenu", nullptr, command, screen.x(), screen.y(), frame);
}

bool CZRIPSecDLL::Insert2Menu(QMenu* menu, int position)
{
    PLUGIN_EXPR(menu, "Insert2Menu", false, f(nullptr, menu, position) != 0);
}

void CZRIPSecDLL::Insert2ToolBar(QToolBar* main, QToolBar* second, int* mainPos, int* secondPos)
{
    PLUGIN_DO(toolBar, "Insert2ToolBar", nullptr, main, second, mainPos, secondPos);
}

void* CZRIPSecDLL::InvokeStatusDlg(void* wnd, QWidget* parent)
{
    PLUGIN_CALL(status, "InvokeStatusDlg", nullptr, wnd, parent);
}

void CZRIPSecDLL::RemoveGateway(void* wnd, const QString& gateway)
{
    PLUGIN_DO(removeGateway, "RemoveGateway", wnd, u16(gateway));
}

bool CZRIPSecDLL::EnableFeature(const QString& model)
{
    PLUGIN_EXPR(feature, "EnableFeature", false, f(u16(model)) != 0);
}

CZRPlugins& CZRPlugins::Get()
{
    static CZRPlugins plugins;
    return plugins;
}

QStringList CZRPlugins::DefaultFolders()
{
    const QString exe = QCoreApplication::applicationDirPath();
    return {exe, QDir::cleanPath(QDir(exe).filePath(QStringLiteral("../lib/tarntool/plugins")))};
}

void CZRPlugins::SetFolders(const QStringList& list)
{
    folders() = list;
}

void CZRPlugins::LoadAll()
{
    if (m_tried) return;
    m_tried = true;
    mobile.Load(folders());
    modbus.Load(folders());
    ipsec.Load(folders());
}

void CZRPlugins::ReleaseAll()
{
    if (!m_tried) return;
    m_tried = false;
    ipsec.Release();
    modbus.Release();
    mobile.Release();
}

// ---- the host of one frame

CZRPluginHost* CZRPluginHost::Attach(CMainFrame* frame)
{
    return new CZRPluginHost(frame);
}

CZRPluginHost* CZRPluginHost::Of(const QObject* frame)
{
    return frame ? frame->findChild<CZRPluginHost*>(QString(), Qt::FindChildrenRecursively) : nullptr;
}

bool CZRPluginHost::IsPluginCommand(int id)
{
    return id == ID_MOBILE || id == ID_CTX_MOBILE || (id >= ID_MODBUS_FIRST && id <= ID_MODBUS_LAST) ||
           (id >= ID_IPSEC_FIRST && id <= ID_IPSEC_LAST);
}

CZRPluginHost::CZRPluginHost(CMainFrame* frame) : QObject(frame->InfoView()), m_frame(frame)
{
    setObjectName(QStringLiteral("PluginHost"));
    CZRPlugins& p = CZRPlugins::Get();
    p.LoadAll();
    CTarnDoc* doc = frame->Document();
    CTarnInfoView* view = frame->InfoView();

    // Buttons: after the main bar's last one, and two before the end of the second bar.
    QToolBar* main = frame->MainToolBar();
    QToolBar* second = frame->SecondToolBar();
    int mainPos = int(main->actions().size());
    int secondPos = qMax(0, int(second->actions().size()) - 2);
    if (p.mobile.IsLoaded()) p.mobile.Insert2ToolBar(main, second, &mainPos, &secondPos);
    if (p.modbus.IsLoaded()) p.modbus.Insert2ToolBar(main, second, &mainPos, &secondPos);
    if (p.ipsec.IsLoaded()) p.ipsec.Insert2ToolBar(main, second, &mainPos, &secondPos);

    // Pages of the info view, and the callbacks the plug-ins send through.
    if (p.mobile.IsLoaded()) {
        if (auto* w = static_cast<QWidget*>(p.mobile.CreateWnd(view))) {
            m_mobile = w;
            m_mobilePage = view->AddPage(w);
            p.mobile.SetSendMessageCB(w, &sendThunk, frame, doc);
        }
    }
    if (p.ipsec.IsLoaded()) {
        if (auto* w = static_cast<QWidget*>(p.ipsec.CreateWnd(view))) {
            m_ipsec = w;
            m_ipsecPage = view->AddPage(w);
            // The upload request callback comes with the console's transfer flows.
            p.ipsec.SetSendMessageCB(w, &sendThunk, nullptr, frame, doc);
        }
    }
    if (p.modbus.IsLoaded()) {
        if (auto* w = static_cast<QWidget*>(p.modbus.CreateWnd(frame))) {
            m_modbus = w;
            p.modbus.SetSendMessageCB(w, &sendThunk, frame, doc);
        }
    }

    // The agent's context menu: each plug-in's items two before its end.
    if (QMenu* menu = frame->ContextMenu(IDR_AGENT_MENU)) {
        if (p.mobile.IsLoaded()) p.mobile.Insert2Menu(menu, int(menu->actions().size()) - 2);
        m_fromToolBar = false;
        if (p.modbus.IsLoaded()) p.modbus.Insert2Menu(menu, int(menu->actions().size()) - 2);
        if (p.ipsec.IsLoaded()) p.ipsec.Insert2Menu(menu, int(menu->actions().size()) - 2);
        adoptActions(menu);
    }
    adoptActions(main);
    adoptActions(second);
    frame->installEventFilter(this);
}

CZRPluginHost::~CZRPluginHost()
{
    // The windows go while the info view still stands; the libraries stay until the program ends.
    CZRPlugins& p = CZRPlugins::Get();
    if (m_modbus) p.modbus.DestroyWnd(m_modbus.data());
    if (m_mobile) p.mobile.DestroyWnd(m_mobile.data());
    if (m_ipsec) p.ipsec.DestroyWnd(m_ipsec.data());
}

void CZRPluginHost::adoptActions(QWidget* owner)
{
    for (QAction* a : owner->actions()) {
        const int id = a->data().toInt();
        QAction* primary = m_frame->Action(id);
        if (!IsPluginCommand(id) || primary == a) continue;
        if (primary == nullptr) {
            m_frame->AddCommand(a, [this, id] { OnCommand(id); });
            continue;
        }
        // A second item of one command (menu and button): it follows the first one's state.
        a->setEnabled(primary->isEnabled());
        connect(primary, &QAction::enabledChanged, a, &QAction::setEnabled);
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
}

bool CZRPluginHost::targetAgent(int id, QString* gateway, QString* agent) const
{
    CZRAgentTree* tree = m_frame->Tree();
    CTarnDoc* doc = m_frame->Document();
    const bool contextId = id == ID_CTX_MOBILE ||
                           (id >= ID_MODBUS_FIRST + 3 && id <= ID_MODBUS_LAST && !m_fromToolBar) ||
                           (id >= ID_IPSEC_FIRST + 3 && id <= ID_IPSEC_LAST && !m_fromToolBar);
    // Context commands look at the node right-clicked, unless the focus is in the info view.
    const QTreeWidgetItem* item =
        contextId && !m_frame->FocusInInfoView() ? tree->ContextItem() : tree->currentItem();
    if (item == nullptr || (CZRAgentTree::Param(item) & NODE_BUSY) || doc == nullptr) return false;
    if (contextId) return doc->ContextAgent(gateway, agent);
    // The selected agent, or the first checked agent of the selected gateway.
    const QStringList agents = doc->SelectionTargets(gateway, true);
    if (agents.isEmpty()) return false;
    *agent = agents.first();
    return true;
}

bool CZRPluginHost::IsCommandEnabled(int id) const
{
    CZRPlugins& p = CZRPlugins::Get();
    const bool mobile = id == ID_MOBILE || id == ID_CTX_MOBILE;
    const bool modbus = id >= ID_MODBUS_FIRST && id <= ID_MODBUS_LAST;
    if ((mobile && !p.mobile.IsLoaded()) || (modbus && !p.modbus.IsLoaded()) ||
        (!mobile && !modbus && !p.ipsec.IsLoaded()))
        return false;
    QString gateway, agent;
    if (!targetAgent(id, &gateway, &agent)) return false;
    if (!mobile && !modbus) return true;
    const CZRControl* control = m_frame->Document()->Control();
    if (control == nullptr) return false;
    return const_cast<CZRControl*>(control)
        ->GetAgent(gateway + u'|' + agent)
        .GetModelName()
        .contains(QStringLiteral("K520"));
}

void CZRPluginHost::OnCommand(int id)
{
    if (!IsCommandEnabled(id)) return;
    QString gateway, agent;
    if (!targetAgent(id, &gateway, &agent)) return;
    CZRAgentTree* tree = m_frame->Tree();
    if (QTreeWidgetItem* node = tree->FindAgent(gateway, agent)) tree->setCurrentItem(node);
    if (id == ID_MOBILE || id == ID_CTX_MOBILE) {
        bindMobile(gateway, agent);
        return;
    }
    CZRPlugins& p = CZRPlugins::Get();
    const QString key = gateway + u'|' + agent;
    const int action = (id % 1000) % 3; // 0 bind, 1 config / page, 2 status
    if (id >= ID_MODBUS_FIRST && id <= ID_MODBUS_LAST) {
        if (!m_modbus) return;
        if (p.modbus.GetNick(m_modbus) != key) {
            p.modbus.Reset(m_modbus);
            p.modbus.SetNick(m_modbus, key);
            p.modbus.Init(m_modbus);
        }
        void* dlg = action == 1   ? p.modbus.InvokeConfigDlg(m_modbus, m_frame)
                    : action == 2 ? p.modbus.InvokeStatusDlg(m_modbus, m_frame)
                                  : nullptr;
        if (dlg) m_frame->Document()->SetModelessWnd(static_cast<QWidget*>(dlg));
        return;
    }
    if (!m_ipsec) return;
    if (p.ipsec.GetNick(m_ipsec) != key) {
        p.ipsec.Reset(m_ipsec);
        p.ipsec.SetNick(m_ipsec, key);
    }
    if (action == 1) {
        p.ipsec.Init(m_ipsec);
        m_frame->InfoView()->SwitchPage(m_ipsecPage);
    } else if (action == 2) {
        if (void* dlg = p.ipsec.InvokeStatusDlg(m_ipsec, m_frame))
            m_frame->Document()->SetModelessWnd(static_cast<QWidget*>(dlg));
    }
}

void CZRPluginHost::bindMobile(const QString& gateway, const QString& agent)
{
    if (!m_mobile) return;
    CZRPlugins& p = CZRPlugins::Get();
    const QString key = gateway + u'|' + agent;
    if (p.mobile.GetNick(m_mobile) != key) {
        CZRControl* control = m_frame->Document()->Control();
        const CZRAgent& record = control->GetAgent(key);
        // Copies: the record may change under the plug-in's calls.
        const QString version = record.GetVersion();
        const QString model = record.GetModelName();
        p.mobile.EnableATRelated(m_mobile, true);
        p.mobile.Reset(m_mobile);
        p.mobile.SetNick(m_mobile, key);
        p.mobile.SetVersion(m_mobile, version);
        p.mobile.SetModel(m_mobile, model);
        p.mobile.Init(m_mobile);
    }
    m_frame->InfoView()->SwitchPage(m_mobilePage);
    m_frame->UpdateCommandUILater();
}

bool CZRPluginHost::HasMessageBox() const
{
    CZRPlugins& p = CZRPlugins::Get();
    return (m_mobile && p.mobile.HasMessageBox(m_mobile)) || (m_modbus && p.modbus.HasMessageBox(m_modbus)) ||
           (m_ipsec && p.ipsec.HasMessageBox(m_ipsec));
}

bool CZRPluginHost::eventFilter(QObject* watched, QEvent* e)
{
    const int type = int(e->type());
    // The plug-ins hear first; the document still gets every notification (the event keeps its
    // reply until it is done, so nobody frees it twice).
    if (watched == m_frame && type >= 1525 && type <= 1635) onNotify(*static_cast<const CZRNotify*>(e));
    return false;
}

void CZRPluginHost::onNotify(const CZRNotify& n)
{
    CZRPlugins& p = CZRPlugins::Get();
    switch (n.id()) {
    case zrmsg::Mobile:
        if (const _Notice* reply = n.get<_Notice>(); reply && m_mobile)
            p.mobile.ReceiveMessage(m_mobile, *reply);
        break;
    case zrmsg::Modbus:
        if (const _Notice* reply = n.get<_Notice>(); reply && m_modbus)
            p.modbus.ReceiveMessage(m_modbus, *reply);
        break;
    case zrmsg::PassOn:
        if (const _Notice* reply = n.get<_Notice>(); reply && m_ipsec)
            p.ipsec.ReceiveMessage(m_ipsec, *reply);
        break;
    case zrmsg::GatewayDisconnected:
        // Only the gateway's own agents: a key of gateway "BA" does not start with "A|".
        if (m_mobile && p.mobile.GetNick(m_mobile).startsWith(n.key() + u'|')) {
            p.mobile.EnableATRelated(m_mobile, true);
            p.mobile.Reset(m_mobile);
        }
        if (m_ipsec) p.ipsec.RemoveGateway(m_ipsec, n.key());
        break;
    case zrmsg::AgentOffline:
        if (m_mobile && !n.key().isEmpty() && p.mobile.GetNick(m_mobile) == n.key()) {
            p.mobile.EnableATRelated(m_mobile, true);
            p.mobile.Reset(m_mobile);
        }
        break;
    default:
        break;
    }
}
