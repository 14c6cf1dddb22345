#include "mainframe.h"

#include "aboutdlg.h"
#include "agenttree.h"
#include "pluginhost.h"
#include "resource.h"
#include "tarndevview.h"
#include "tarndoc.h"
#include "tarninfoview.h"

#include <notify.h>
#include <resources.h>
#include <zrdevlistgrid.h>
#include <zrprocessgrid.h>
#include <zrservicegrid.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

namespace {
struct CommandText
{
    int id;
    const char* text;
    int icon;
};

// Every command of the console with its menu text; the icon is looked up by the command's own id
// unless another is named.
const CommandText kCommands[] = {
    {ID_GATEWAY_MANAGER, "&Gateway Manager", ID_GATEWAY_MANAGER},
    {ID_PROPERTIES, "&Properties", ID_PROPERTIES},
    {ID_APP_EXIT, "E&xit", 0},
    {ID_VIEW_TOOLBAR, "&Toolbar", 0},
    {ID_VIEW_STATUS_BAR, "&Status Bar", 0},
    {ID_ONLINE_GUIDE, "&Online Guide", ID_ONLINE_GUIDE},
    {ID_APP_ABOUT, "&About TarnTool...", ID_APP_ABOUT},
    {ID_CTX_CONNECT, "&Connect", ID_CONNECT},
    {ID_CTX_DISCONNECT, "&Disconnect", ID_DISCONNECT},
    {ID_CTX_UPLOAD, "&Upload Files...", ID_UPLOAD},
    {ID_CTX_UPGRADE, "Upgrade &Firmware...", ID_UPGRADE},
    {ID_CTX_FILEMGR, "File &Manager", ID_FILEMGR},
    {ID_CTX_PROCESS, "&Process Manager", ID_PROCESS},
    {ID_CTX_SERVICE, "&Service Monitor", ID_SERVICE},
    {ID_CTX_NETWORK, "&Network Settings...", ID_NETWORK},
    {ID_CTX_AUTOLAUNCH, "&Auto-Launch List...", ID_AUTOLAUNCH},
    {ID_CTX_DATETIME, "&Date and Time...", ID_DATETIME},
    {ID_CTX_REBOOT, "&Reboot", ID_CTX_REBOOT},
    {ID_CTX_STOP_PROCESS, "Stop Process", ID_STOP_PROCESS},
    {ID_CTX_PROCESS_SEL, "Process Manager", ID_PROCESS},
    {ID_CTX_START_SERVICE, "Start Service", ID_START_SERVICE},
    {ID_CTX_STOP_SERVICE, "Stop Service", ID_STOP_SERVICE},
    {ID_CONNECT, "&Connect Gateway", ID_CONNECT},
    {ID_DISCONNECT, "&Disconnect Gateway", ID_DISCONNECT},
    {ID_UPLOAD, "&Upload Files...", ID_UPLOAD},
    {ID_UPGRADE, "Upgrade &Firmware...", ID_UPGRADE},
    {ID_FILEMGR, "File &Manager", ID_FILEMGR},
    {ID_TRANSFER_LIST, "&Transfer List", ID_TRANSFER_LIST},
    {ID_PROCESS, "&Process Manager", ID_PROCESS},
    {ID_SERVICE, "&Service Monitor", ID_SERVICE},
    {ID_NETWORK, "&Network Settings...", ID_NETWORK},
    {ID_DATETIME, "&Date and Time...", ID_DATETIME},
    {ID_AUTOLAUNCH, "&Auto-Launch List...", ID_AUTOLAUNCH},
    {ID_STOP_PROCESS, "Stop Process", ID_STOP_PROCESS},
    {ID_PROCESS_PAGE, "Process Manager", ID_PROCESS},
    {ID_START_SERVICE, "Start Service", ID_START_SERVICE},
    {ID_STOP_SERVICE, "Stop Service", ID_STOP_SERVICE},
};
} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Dedaro Rezeviv 2.1"));
    setWindowIcon(QIcon(QStringLiteral(":/res/tarntool.svg")));
    setAccessibleName(QStringLiteral("TarnTool"));
    resize(950, 700);

    for (const CommandText& c : kCommands)
        makeAction(c.id, QString::fromUtf8(c.text), c.icon);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("MainSplitter"));
    m_splitter->setHandleWidth(4);
    m_splitter->setChildrenCollapsible(true);
    m_devView = new CTarnDevView(m_splitter);
    m_info = new CTarnInfoView(m_splitter);
    m_splitter->addWidget(m_devView);
    m_splitter->addWidget(m_info);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_devView->setMinimumWidth(0);
    m_splitter->setSizes({180, 770});
    setCentralWidget(m_splitter);

    buildMenus();
    buildToolBars();

    // Message pane, storage text, storage bar.
    m_storage = new QLabel(this);
    m_storage->setObjectName(QStringLiteral("StoragePane"));
    m_storage->setAccessibleName(QStringLiteral("Storage"));
    m_storage->setMinimumWidth(200);
    m_storageBar = new QProgressBar(this);
    m_storageBar->setObjectName(QStringLiteral("StorageBar"));
    m_storageBar->setAccessibleName(QStringLiteral("Storage used"));
    m_storageBar->setFixedWidth(150);
    m_storageBar->setRange(1, 100);
    m_storageBar->setTextVisible(false);
    m_storageBar->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: rgb(90,183,6); }"));
    m_storageBar->reset();
    statusBar()->addPermanentWidget(m_storage);
    statusBar()->addPermanentWidget(m_storageBar);
    statusBar()->showMessage(QStringLiteral("Ready"));

    m_doc = new CTarnDoc(this);
    // The plug-ins' buttons, menu items and pages, once the document can take their requests.
    CZRPluginHost::Attach(this);
    Tree()->SetMenuProvider([this](int id) { return ContextMenu(id); });
    connect(Tree(), &CZRAgentTree::NodeActivated, m_doc, &CTarnDoc::ActivateNode);
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommandUI(); });
    // The grids' own context menus carry the console's commands.
    m_info->DevList()->SetContextMenu(ContextMenu(IDR_AGENT_MENU));
    m_info->ProcessGrid()->SetContextMenu(ContextMenu(IDR_PROCESS_MENU));
    m_info->ServiceGrid()->SetContextMenu(ContextMenu(IDR_GRID_MENU));
    for (QAbstractItemView* grid : {static_cast<QAbstractItemView*>(m_info->ProcessGrid()),
                                    static_cast<QAbstractItemView*>(m_info->ServiceGrid())})
        connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CMainFrame::UpdateCommandUILater);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    // Focus moves while the children go; nothing may look at half-destroyed actions then.
    disconnect(qApp, nullptr, this, nullptr);
    // Connections end while the views still stand.
    if (m_doc) m_doc->Teardown();
}

CZRAgentTree* CMainFrame::Tree() const
{
    return m_devView->Tree();
}

QAction* CMainFrame::makeAction(int id, const QString& text, int icon)
{
    auto* a = new QAction(text, this);
    a->setData(id);
    a->setObjectName(QStringLiteral("ID_%1").arg(id));
    if (icon) a->setIcon(LoadResIcon(icon));
    QString tip = text;
    tip.remove(u'&');
    if (tip.endsWith(QLatin1String("..."))) tip.chop(3);
    a->setToolTip(tip);
    a->setStatusTip(tip);
    connect(a, &QAction::triggered, this, [this, id] {
        if (m_doc) m_doc->OnCommand(id);
    });
    m_actions.insert(id, a);
    return a;
}

void CMainFrame::AddCommand(QAction* action, std::function<void()> run)
{
    const int id = action->data().toInt();
    m_actions.insert(id, action);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
}

void CMainFrame::buildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    tools->addAction(Action(ID_GATEWAY_MANAGER));
    tools->addAction(Action(ID_PROPERTIES));
    tools->addSeparator();
    tools->addAction(Action(ID_APP_EXIT));

    QMenu* device = bar->addMenu(QStringLiteral("&Device"));
    for (int id : {ID_CONNECT, ID_DISCONNECT, 0, ID_FILEMGR, ID_UPLOAD, ID_UPGRADE, ID_TRANSFER_LIST, 0,
                   ID_PROCESS, ID_STOP_PROCESS, ID_SERVICE, ID_START_SERVICE, ID_STOP_SERVICE, 0, ID_NETWORK,
                   ID_DATETIME, ID_AUTOLAUNCH}) {
        if (id == 0)
            device->addSeparator();
        else
            device->addAction(Action(id));
    }

    QMenu* viewMenu = bar->addMenu(QStringLiteral("&View"));
    Action(ID_VIEW_TOOLBAR)->setCheckable(true);
    Action(ID_VIEW_TOOLBAR)->setChecked(true);
    Action(ID_VIEW_STATUS_BAR)->setCheckable(true);
    Action(ID_VIEW_STATUS_BAR)->setChecked(true);
    viewMenu->addAction(Action(ID_VIEW_TOOLBAR));
    viewMenu->addAction(Action(ID_VIEW_STATUS_BAR));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(Action(ID_ONLINE_GUIDE));
    help->addSeparator();
    help->addAction(Action(ID_APP_ABOUT));

    auto* gatewayMenu = new QMenu(this);
    gatewayMenu->setObjectName(QStringLiteral("Menu%1").arg(IDR_GATEWAY_MENU));
    gatewayMenu->addAction(Action(ID_CTX_CONNECT));
    gatewayMenu->addAction(Action(ID_CTX_DISCONNECT));
    m_contextMenus.insert(IDR_GATEWAY_MENU, gatewayMenu);

    auto* agentMenu = new QMenu(this);
    agentMenu->setObjectName(QStringLiteral("Menu%1").arg(IDR_AGENT_MENU));
    for (int id : {ID_CTX_FILEMGR, ID_CTX_UPLOAD, ID_CTX_UPGRADE, 0, ID_CTX_PROCESS, ID_CTX_SERVICE, 0,
                   ID_CTX_NETWORK, ID_CTX_AUTOLAUNCH, ID_CTX_DATETIME, 0, ID_CTX_REBOOT}) {
        if (id == 0)
            agentMenu->addSeparator();
        else
            agentMenu->addAction(Action(id));
    }
    m_contextMenus.insert(IDR_AGENT_MENU, agentMenu);

    auto* serviceMenu = new QMenu(this);
    serviceMenu->setObjectName(QStringLiteral("Menu%1").arg(IDR_GRID_MENU));
    serviceMenu->addAction(Action(ID_CTX_START_SERVICE));
    serviceMenu->addAction(Action(ID_CTX_STOP_SERVICE));
    m_contextMenus.insert(IDR_GRID_MENU, serviceMenu);

    auto* processMenu = new QMenu(this);
    processMenu->setObjectName(QStringLiteral("Menu%1").arg(IDR_PROCESS_MENU));
    processMenu->addAction(Action(ID_CTX_STOP_PROCESS));
    processMenu->addAction(Action(ID_CTX_PROCESS_SEL));
    m_contextMenus.insert(IDR_PROCESS_MENU, processMenu);

    for (QMenu* menu : findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::buildToolBars()
{
    m_mainBar = addToolBar(QStringLiteral("Main"));
    m_mainBar->setObjectName(QStringLiteral("ToolBar%1").arg(IDR_MAIN_TOOLBAR));
    m_mainBar->setAccessibleName(QStringLiteral("Main tool bar"));
    m_mainBar->setIconSize(QSize(24, 24));
    m_mainBar->setMovable(false);
    m_mainBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : {ID_CONNECT, ID_DISCONNECT, 0, ID_FILEMGR, ID_UPLOAD, ID_UPGRADE, ID_TRANSFER_LIST, 0,
                   ID_PROCESS, ID_SERVICE, 0, ID_NETWORK, ID_DATETIME, ID_AUTOLAUNCH, 0, ID_APP_ABOUT}) {
        if (id == 0)
            m_mainBar->addSeparator();
        else
            m_mainBar->addAction(Action(id));
    }
    m_secondBar = addToolBar(QStringLiteral("Process and service"));
    m_secondBar->setObjectName(QStringLiteral("ToolBar%1").arg(IDR_SECOND_TOOLBAR));
    m_secondBar->setAccessibleName(QStringLiteral("Process and service tool bar"));
    m_secondBar->setIconSize(QSize(24, 24));
    m_secondBar->setMovable(false);
    for (int id : {ID_PROCESS_PAGE, ID_STOP_PROCESS, ID_START_SERVICE, ID_STOP_SERVICE})
        m_secondBar->addAction(Action(id));
    m_secondBar->hide();
}

QMenu* CMainFrame::ContextMenu(int id) const
{
    return m_contextMenus.value(id, nullptr);
}

void CMainFrame::UpdateCommandUI()
{
    if (!m_doc) return;
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const bool on = m_doc->IsCommandEnabled(it.key());
        if (it.value()->isEnabled() != on) it.value()->setEnabled(on);
    }
}

void CMainFrame::UpdateCommandUILater()
{
    if (m_commandUIPending) return;
    m_commandUIPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_commandUIPending = false;
            UpdateCommandUI();
        },
        Qt::QueuedConnection);
}

bool CMainFrame::FocusInInfoView() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == m_info || m_info->isAncestorOf(focus));
}

void CMainFrame::SetStoragePanes(qint64 used, qint64 total)
{
    if (total <= 0) {
        if (!m_storage->text().isEmpty()) m_storage->clear();
        // reset() repaints at once, and a gateway's storage replies clear the panes thousands of times.
        if (m_storageBar->value() != m_storageBar->minimum() - 1) m_storageBar->reset();
        return;
    }
    used = qBound<qint64>(qint64(0), used, total);
    m_storage->setText(QStringLiteral("Storage: %1 KB / %2 KB").arg(used).arg(total));
    const qint64 percent = (used * 100 + total / 2) / total;
    m_storageBar->setValue(int(qBound<qint64>(qint64(1), percent, qint64(100))));
}

void CMainFrame::ShowStatus(const QString& text)
{
    statusBar()->showMessage(text);
}

QString CMainFrame::StatusMessage() const
{
    return statusBar()->currentMessage();
}

QString CMainFrame::StorageText() const
{
    return m_storage->text();
}

int CMainFrame::StoragePercent() const
{
    return m_storageBar->value();
}

void CMainFrame::OnFrameCommand(int id)
{
    switch (id) {
    case ID_VIEW_TOOLBAR:
        m_mainBar->setVisible(!m_mainBar->isVisible());
        Action(ID_VIEW_TOOLBAR)->setChecked(m_mainBar->isVisible());
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        Action(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisible());
        break;
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    case ID_APP_EXIT:
        close();
        break;
    default:
        break;
    }
}

void CMainFrame::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

bool CMainFrame::event(QEvent* e)
{
    const int type = int(e->type());
    if (type >= 1525 && type <= 1635) {
        if (m_doc) m_doc->OnNotify(*static_cast<CZRNotify*>(e));
        return true;
    }
    if (e->type() == QEvent::WindowActivate && m_doc) {
        QWidget* modeless = m_doc->ModelessWnd();
        if (modeless && !modeless->isVisible()) {
            modeless->deleteLater();
            m_doc->SetModelessWnd(nullptr);
        } else if (modeless && !m_doc->IsMessageBoxShowing() &&
                   !(CZRPluginHost::Of(this) && CZRPluginHost::Of(this)->HasMessageBox())) {
            modeless->setFocus();
        }
    }
    return QMainWindow::event(e);
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (m_doc && !m_doc->CanCloseFrame()) {
        e->ignore();
        return;
    }
    if (m_doc) m_doc->Teardown();
    e->accept();
}
