#include "zrrmtshelllistwnd.h"

#include "fmpaths.h"
#include "fmstrings.h"
#include "messagebox.h"
#include "panekeys.h"
#include "resource.h"
#include "resources.h"
#include "zrdialogs.h"
#include "zrhistorycombo.h"
#include "zrqueuelist.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <memory>

using fmtext::s;

namespace {
bool isUp(const ZRRemoteEntry& e)
{
    return e.name == QLatin1String("..");
}

// Local files among dropped URLs; anything else makes the drop unwelcome.
QStringList localFiles(const QMimeData* mime)
{
    QStringList out;
    if (!mime || !mime->hasUrls()) return out;
    for (const QUrl& u : mime->urls()) {
        if (!u.isLocalFile()) return {};
        out << u.toLocalFile();
    }
    return out;
}
} // namespace

CZRRemoteShellList::CZRRemoteShellList(CZRRmtShellListWnd* pane, QWidget* parent)
    : QTreeView(parent), m_pane(pane), m_model(new CZRRemoteModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(0, Qt::AscendingOrder);
    connect(header(), &QHeaderView::sortIndicatorChanged, m_model,
            [this](int col, Qt::SortOrder order) { m_model->sort(col, order); });
    setColumnWidth(0, 120);
    setColumnWidth(1, 70);
    setColumnWidth(2, 120);
    setIconSize(QSize(16, 16));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

QList<int> CZRRemoteShellList::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CZRRemoteShellList::SelectRow(int row, bool add)
{
    const QModelIndex i = m_model->index(row, 0);
    if (!i.isValid()) return;
    selectionModel()->setCurrentIndex(
        i, (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
               QItemSelectionModel::Rows);
}

void CZRRemoteShellList::DeselectRow(int row)
{
    selectionModel()->select(m_model->index(row, 0),
                             QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

int CZRRemoteShellList::MarkRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void CZRRemoteShellList::EditRow(int row)
{
    const QModelIndex i = m_model->index(row, 0);
    if (!i.isValid()) return;
    setCurrentIndex(i);
    edit(i);
}

void CZRRemoteShellList::keyPressEvent(QKeyEvent* e)
{
    if (HandlePaneKey(e, this, m_pane, MarkRow())) return;
    if (e->key() == Qt::Key_F5) {
        m_pane->Refresh();
        return;
    }
    QTreeView::keyPressEvent(e);
}

void CZRRemoteShellList::contextMenuEvent(QContextMenuEvent* e)
{
    const QModelIndex i = indexAt(viewport()->mapFrom(this, e->pos()));
    if (i.isValid() && !selectionModel()->isRowSelected(i.row(), {})) SelectRow(i.row());
    std::unique_ptr<QMenu> menu(m_pane->ContextMenuFor(i.isValid() ? i.row() : -1));
    if (menu) menu->exec(e->globalPos());
}

void CZRRemoteShellList::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QModelIndex i = indexAt(e->position().toPoint());
    if (i.isValid()) m_pane->OpenEntry(i.row());
}

void CZRRemoteShellList::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->source() != this && !localFiles(e->mimeData()).isEmpty()) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CZRRemoteShellList::dragMoveEvent(QDragMoveEvent* e)
{
    if (e->source() != this && !localFiles(e->mimeData()).isEmpty()) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CZRRemoteShellList::dropEvent(QDropEvent* e)
{
    const QStringList files = localFiles(e->mimeData());
    if (e->source() == this || files.isEmpty()) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    m_pane->DropLocalFiles(files);
}

void CZRRemoteShellList::startDrag(Qt::DropActions)
{
    QMimeData* mime = m_model->mimeData(selectionModel()->selectedRows());
    if (!mime) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

CZRRmtShellListWnd::CZRRmtShellListWnd(QWidget* parent) : QWidget(parent)
{
    m_caption = new QLabel(s(fmtext::kRemoteCaption), this);
    m_combo = new CZRHistoryCombo(this);
    m_combo->SetRequestProc(&CZRRmtShellListWnd::RequestProc, this, zrfm::Browse);
    m_combo->SetAutoPersistent(QStringLiteral("RemoteBrowse"));
    m_list = new CZRRemoteShellList(this, this);
    m_list->Model()->pathOf = [this](const ZRRemoteEntry& e) { return FullPath(e.name); };
    m_list->Model()->renamer = [this](int row, const QString& name) { return RenameEntry(row, name); };
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Base, QColor(241, 255, 213));
    m_list->setPalette(pal);
    SetOSType(0);
}

CZRRmtShellListWnd::~CZRRmtShellListWnd() = default;

bool CZRRmtShellListWnd::Create(QWidget* parent, const QRect& rect, int id)
{
    if (parent) setParent(parent);
    setGeometry(rect);
    m_id = id;
    setObjectName(QString::number(id));
    show();
    return true;
}

void CZRRmtShellListWnd::SetRequestAction(ZRRequestAction requestAction, ZRTransferAction uploadAction,
                                          void* context)
{
    m_action = requestAction;
    m_upload = uploadAction;
    m_context = context;
}

void CZRRmtShellListWnd::SetRequestParam(int browse, int addDir, int execute, int del, int delDir, int rename,
                                         int chgMode, int upload)
{
    m_codeBrowse = browse;
    m_codeAddDir = addDir;
    m_codeExecute = execute;
    m_codeDelete = del;
    m_codeDelDir = delDir;
    m_codeRename = rename;
    m_codeChgMode = chgMode;
    m_codeUpload = upload;
}

void CZRRmtShellListWnd::SetOSType(int osType)
{
    m_os = osType;
    m_combo->SetSeparatorStyle(osType != 0);
    m_list->Model()->SetOSType(osType);
    if (m_queue) m_queue->SetOSType(osType);
}

int CZRRmtShellListWnd::RequestProc(const QString& argument, QWidget* window, int message, const QString&)
{
    if (!window) return 0;
    CZRFileMsg m(message, argument);
    QCoreApplication::sendEvent(window, &m);
    return m.result;
}

bool CZRRmtShellListWnd::event(QEvent* e)
{
    const int t = int(e->type());
    auto* m = t >= zrfm::ShellRequest && t <= zrfm::Download ? dynamic_cast<CZRFileMsg*>(e) : nullptr;
    if (!m) return QWidget::event(e);
    switch (t) {
    case zrfm::ShellRequest:
        m->result = request(m->argument, int(m->wParam));
        break;
    case zrfm::Browse:
        m->result = Browse(m->argument);
        break;
    case zrfm::Rename:
        m->result = request(m->argument, m_codeRename);
        break;
    case zrfm::DeleteFile:
        m->result = request(m->argument, m_codeDelete);
        break;
    case zrfm::ChangeMode:
        m->result = request(m->argument, m_codeChgMode);
        break;
    case zrfm::AddFolder:
        m->result = request(m->argument, m_codeAddDir);
        break;
    case zrfm::DeleteDir:
        m->result = request(m->argument, m_codeDelDir);
        break;
    case zrfm::Execute:
        m->result = request(m->argument, m_codeExecute);
        break;
    case zrfm::Upload:
        m->result = UploadRequest(m->request);
        break;
    case zrfm::Download:
        if (m_local) {
            CZRFileMsg fwd(zrfm::LocalDownload, m->request);
            QCoreApplication::sendEvent(m_local, &fwd);
            m->result = fwd.result;
        }
        break;
    }
    return true;
}

void CZRRmtShellListWnd::resizeEvent(QResizeEvent*)
{
    m_caption->setGeometry(1, 1, 70, 24);
    m_combo->setGeometry(71, 1, qMax(0, width() - 71), 24);
    m_list->setGeometry(0, 26, width(), qMax(0, height() - 26));
}

int CZRRmtShellListWnd::request(const QString& argument, int code)
{
    if (!m_action) return 0;
    return m_action(argument, code, m_context, m_nick);
}

bool CZRRmtShellListWnd::checkArgument(const QStringList& fields, const QString& argument,
                                       const QString& title)
{
    // The wire has no escape for a quote inside a quoted field.
    for (const QString& f : fields)
        if (zrpath::HasQuote(f)) {
            ShowMessage(this, s(fmtext::kQuote), title, MB_ICONERROR, MB_OK);
            return false;
        }
    if (!zrpath::FitsWire(argument)) {
        ShowMessage(this, s(fmtext::kTooLong), title, MB_ICONERROR, MB_OK);
        return false;
    }
    return true;
}

QString CZRRmtShellListWnd::FullPath(const QString& name) const
{
    return zrpath::Join(m_current, name, m_os);
}

void CZRRmtShellListWnd::SetNick(const QString& nick)
{
    if (nick != m_nick && m_browsing) {
        auto it = m_outstanding.find(m_nick);
        if (it != m_outstanding.end()) it->stale = true;
        m_browsing = false;
    }
    if (nick != m_nick) m_pendingArgument.clear();
    m_nick = nick;
}

void CZRRmtShellListWnd::Init(const QString& directory)
{
    QString dir = zrpath::Normalize(directory, m_os);
    if (dir.isEmpty()) dir = zrpath::Separator(m_os);
    if (m_browsing) return;
    m_combo->RequestPath(dir);
}

void CZRRmtShellListWnd::startListing(const QString& path)
{
    m_list->Model()->Clear();
    if (!zrpath::IsRoot(path, m_os)) {
        ZRRemoteEntry up;
        up.type = 0;
        up.name = QStringLiteral("..");
        m_list->Model()->Append(up);
        m_list->Model()->Flush();
    }
}

int CZRRmtShellListWnd::Browse(const QString& path)
{
    if (!m_action || m_browsing) return 0;
    QString p = zrpath::Normalize(path, m_os);
    if (p.isEmpty()) p = zrpath::Separator(m_os);
    const QString argument = zrpath::Quoted(p);
    if (!checkArgument({p}, argument, s(fmtext::kRemoteCaption).trimmed())) return 0;

    auto it = m_outstanding.find(m_nick);
    if (it != m_outstanding.end() && it->stale && it->since.elapsed() > kStaleListingMs) {
        m_outstanding.erase(it);
        it = m_outstanding.end();
    }
    const QString before = m_current;
    m_previous = m_current;
    m_current = p;
    m_browsing = true;
    if (it != m_outstanding.end()) {
        // The agent's earlier listing is still arriving: ask once it has ended, so that none of
        // its rows can land in this folder.
        m_pendingArgument = argument;
    } else if (request(argument, m_codeBrowse) == 0) {
        m_browsing = false;
        m_current = before;
        m_combo->SetText(before, false);
        return 0;
    } else {
        Outstanding o;
        o.since.start();
        m_outstanding.insert(m_nick, o);
    }
    m_combo->SetText(p);
    startListing(p);
    return 1;
}

void CZRRmtShellListWnd::sendPending()
{
    const QString argument = m_pendingArgument;
    m_pendingArgument.clear();
    if (!m_browsing) return;
    if (request(argument, m_codeBrowse) == 0) {
        m_browsing = false;
        m_current = m_previous;
        m_combo->SetText(m_current, false);
        return;
    }
    Outstanding o;
    o.since.start();
    m_outstanding.insert(m_nick, o);
}

int CZRRmtShellListWnd::AddFile(int type, int mode, quint64 size, const QString& name,
                                const QString& modified)
{
    if (!m_browsing) return 0;
    if (name.isEmpty()) {
        endListing();
        return 1;
    }
    if (!zrpath::AcceptableAgentName(name)) return 0;
    ZRRemoteEntry e;
    e.type = type == 0 || type == 2 ? type : 1;
    e.name = name;
    e.size = size;
    e.modified = modified;
    e.mode = mode;
    if (m_os != 0 &&
        (e.type == 0 || (e.type == 1 && name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))))
        e.mode = 777;
    return m_list->Model()->Append(e) ? 1 : 0;
}

void CZRRmtShellListWnd::endListing()
{
    m_browsing = false;
    m_failed.clear();
    m_list->Model()->Resort();
}

int CZRRmtShellListWnd::OnListing(const QString& key, bool failed, int kind, const QString& name,
                                  quint64 size, const QString& modified, int mode)
{
    auto it = m_outstanding.find(key);
    const bool ours =
        it != m_outstanding.end() && !it->stale && key == m_nick && m_browsing && m_pendingArgument.isEmpty();
    const bool ends = failed || name.isEmpty();
    if (!ours) {
        if (it != m_outstanding.end() && ends) {
            m_outstanding.erase(it);
            if (key == m_nick && !m_pendingArgument.isEmpty()) sendPending();
        }
        return ListingDropped;
    }
    if (failed) {
        m_outstanding.erase(it);
        m_browsing = false;
        return ListingWrongDirectory;
    }
    if (ends) m_outstanding.erase(it);
    return AddFile(kind, mode, size, name, modified) ? ListingAccepted : ListingDropped;
}

void CZRRmtShellListWnd::OnRequestDone(const QString& key, int flag)
{
    if (key == m_nick) RequestDone(flag);
}

int CZRRmtShellListWnd::RemoveFile(int type, const QString& name)
{
    const int row = m_list->Model()->Find(name, type, zrpath::CaseInsensitive(m_os));
    return m_list->Model()->Remove(row) ? 1 : 0;
}

void CZRRmtShellListWnd::RequestDone(int flag)
{
    if (flag)
        m_list->Model()->Resort();
    else
        Refresh();
}

void CZRRmtShellListWnd::Refresh(const QString& directory)
{
    if (m_current.isEmpty()) return;
    if (directory.isEmpty() || zrpath::Canonical(directory, m_os) == zrpath::Canonical(m_current, m_os))
        Browse(m_current);
}

void CZRRmtShellListWnd::WrongDirectory()
{
    const QString failed = m_current;
    if (m_browsing) {
        auto it = m_outstanding.find(m_nick);
        if (it != m_outstanding.end()) it->stale = true;
        m_browsing = false;
    }
    m_pendingArgument.clear();
    m_combo->WrongDirectory();
    m_failed.insert(zrpath::Canonical(failed, m_os));
    QString next = m_previous;
    if (next.isEmpty() || m_failed.contains(zrpath::Canonical(next, m_os))) {
        // Up towards the root, never back to a folder that has just failed.
        next = zrpath::Parent(failed, m_os);
        while (m_failed.contains(zrpath::Canonical(next, m_os)) && !zrpath::IsRoot(next, m_os))
            next = zrpath::Parent(next, m_os);
        if (m_failed.contains(zrpath::Canonical(next, m_os))) {
            m_list->Model()->Clear();
            return;
        }
    }
    m_combo->SetText(next, false);
    Browse(next);
}

void CZRRmtShellListWnd::Reset()
{
    if (m_browsing) {
        auto it = m_outstanding.find(m_nick);
        if (it != m_outstanding.end()) it->stale = true;
    }
    m_browsing = false;
    m_pendingArgument.clear();
    m_action = nullptr;
    m_upload = nullptr;
    m_context = nullptr;
    // The folders belong to the agent shown so far: a wrong folder of the next one never falls back
    // into them.
    m_current.clear();
    m_previous.clear();
    m_failed.clear();
    m_list->Model()->Clear();
}

void CZRRmtShellListWnd::ClearList()
{
    m_list->Model()->Clear();
}

int CZRRmtShellListWnd::GetObjectCount() const
{
    m_list->Model()->Flush();
    return m_list->Model()->rowCount();
}

void CZRRmtShellListWnd::OpenEntry(int row)
{
    if (row < 0 || row >= GetObjectCount()) return;
    const ZRRemoteEntry e = entry(row);
    if (isUp(e))
        OpenParent();
    else if (e.type == 0)
        Browse(FullPath(e.name));
    else if (e.type == 2)
        Browse(e.name + QLatin1Char('\\'));
    else
        RunEntry(row);
}

void CZRRmtShellListWnd::OpenParent()
{
    if (m_current.isEmpty() || zrpath::IsRoot(m_current, m_os)) return;
    const QString parent = zrpath::Parent(m_current, m_os);
    if (parent == m_current) return;
    Browse(parent);
}

bool CZRRmtShellListWnd::refuseQueued(int row, const QString& title, int direction)
{
    if (!m_queue || !m_queue->HoldsRemote(FullPath(entry(row).name), direction)) return false;
    ShowMessage(this, LoadResString(IDS_FILE_IN_USE), title, MB_ICONERROR, MB_OK);
    m_list->DeselectRow(row);
    return true;
}

bool CZRRmtShellListWnd::BeginRename(int row)
{
    if (row < 0 || row >= GetObjectCount() || !m_action) return false;
    const ZRRemoteEntry e = entry(row);
    if (isUp(e) || e.type == 2) return false;
    if (refuseQueued(row, s(fmtext::kRename), -1)) return false;
    m_list->EditRow(row);
    return true;
}

bool CZRRmtShellListWnd::RenameEntry(int row, const QString& newName)
{
    if (row < 0 || row >= GetObjectCount()) return false;
    const ZRRemoteEntry e = entry(row);
    if (isUp(e) || e.type == 2) return false;
    QString name = newName;
    while (!name.isEmpty() && name.front().isSpace())
        name.remove(0, 1);
    if (name.isEmpty() || name == e.name) return false;
    const int other = m_list->Model()->Find(name, -1, zrpath::CaseInsensitive(m_os));
    if (other >= 0 && other != row) return false;
    if (!zrpath::ValidName(name)) {
        ShowMessage(this, LoadResString(IDS_INVALID_NAME), s(fmtext::kRename), MB_ICONERROR, MB_OK);
        return false;
    }
    const QString argument = QStringLiteral("\"%1\" \"%2\" \"%3\"").arg(m_current, e.name, name);
    if (!checkArgument({m_current, e.name, name}, argument, s(fmtext::kRename))) return false;
    if (request(argument, m_codeRename) == 0) return false;
    m_list->Model()->Rename(row, name);
    return true;
}

void CZRRmtShellListWnd::DeleteSelection()
{
    if (!m_action) return;
    QList<ZRRemoteEntry> targets;
    for (int row : m_list->SelectedRows()) {
        const ZRRemoteEntry e = entry(row);
        if (isUp(e) || e.type == 2) continue;
        if (refuseQueued(row, s(fmtext::kDelete), -1)) continue;
        targets << e;
    }
    if (targets.isEmpty()) return;
    if (ShowMessage(this, s(fmtext::kDeleteConfirm), s(fmtext::kDelete), MB_ICONQUESTION, MB_OKCANCEL) !=
        IDOK)
        return;
    for (const ZRRemoteEntry& e : targets) {
        const QString argument = QStringLiteral("\"%1\" \"%2\"").arg(m_current, e.name);
        if (!checkArgument({m_current, e.name}, argument, s(fmtext::kDelete))) continue;
        if (request(argument, e.type == 0 ? m_codeDelDir : m_codeDelete) == 0) continue;
        m_list->Model()->Remove(m_list->Model()->Find(e.name, e.type, false));
    }
}

void CZRRmtShellListWnd::ChangeModeEntry(int row)
{
    if (!m_action || m_os == 1 || row < 0 || row >= GetObjectCount()) return;
    const ZRRemoteEntry e = entry(row);
    if (isUp(e) || e.type == 2) return;
    if (refuseQueued(row, s(fmtext::kChangeMode), -1)) return;
    CZRChangeModeDlg dlg(this);
    dlg.SetObject(e.type == 0 ? 0 : 1, e.name);
    dlg.SetNumericMode(quint16(qBound(0, e.mode, 777)));
    if (dlg.DoModal() != QDialog::Accepted) return;
    const int mode = dlg.GetMode();
    const QString argument = QStringLiteral("\"%1\" \"%2\" %3").arg(m_current, e.name).arg(mode);
    // The row shows the mode it really has whenever the change does not go out.
    const int at = m_list->Model()->Find(e.name, e.type, false);
    if (mode < 0) {
        ShowMessage(this, s(fmtext::kBadMode), s(fmtext::kChangeMode), MB_ICONERROR, MB_OK);
        m_list->Model()->SetMode(at, e.mode);
        return;
    }
    if (!checkArgument({m_current, e.name}, argument, s(fmtext::kChangeMode)) ||
        request(argument, m_codeChgMode) == 0) {
        m_list->Model()->SetMode(at, e.mode);
        return;
    }
    m_list->Model()->SetMode(at, mode);
}

QString CZRRmtShellListWnd::ProposeFolderName() const
{
    const QString base = s(fmtext::kNewFolder);
    QString name = base;
    for (int n = 2; m_list->Model()->Find(name, 0, zrpath::CaseInsensitive(m_os)) >= 0; ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    return name;
}

void CZRRmtShellListWnd::AddFolder()
{
    if (!m_action) return;
    CZRInputBox box(this);
    box.m_title = s(fmtext::kAddFolder);
    box.m_prompt = s(fmtext::kAddFolderPrompt);
    box.m_value = ProposeFolderName();
    if (box.DoModal() != QDialog::Accepted) return;
    QString name = box.m_value;
    while (!name.isEmpty() && name.front().isSpace())
        name.remove(0, 1);
    if (name.isEmpty()) return;
    if (!zrpath::ValidName(name)) {
        ShowMessage(this, LoadResString(IDS_INVALID_NAME), s(fmtext::kAddFolder), MB_ICONERROR, MB_OK);
        return;
    }
    const QString argument = QStringLiteral("\"%1\" \"%2\"").arg(m_current, name);
    if (!checkArgument({m_current, name}, argument, s(fmtext::kAddFolder))) return;
    request(argument, m_codeAddDir);
}

void CZRRmtShellListWnd::RunEntry(int row)
{
    if (!m_action || row < 0 || row >= GetObjectCount()) return;
    const ZRRemoteEntry e = entry(row);
    if (e.type != 1) return;
    const bool runnable = m_os != 0 ? e.name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) ||
                                          e.name.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive)
                                    : (e.mode / 100) % 2 == 1;
    if (!runnable) return;
    if (refuseQueued(row, s(fmtext::kRun), 1)) return;
    CZRInputBox box(this);
    box.m_title = s(fmtext::kRun);
    box.m_prompt = s(fmtext::kRunPrompt);
    if (box.DoModal() != QDialog::Accepted) return;
    const QString argumentText = box.m_value;
    const QString argument = QStringLiteral("\"%1\" \"%2\" \"%3\"").arg(m_current, e.name, argumentText);
    if (!checkArgument({m_current, e.name, argumentText}, argument, s(fmtext::kRun))) return;
    const QString question =
        s(fmtext::kRunConfirm) + QStringLiteral("\n  (%1 %2)?").arg(e.name, argumentText);
    if (ShowMessage(this, question, s(fmtext::kRun), MB_ICONQUESTION, MB_OKCANCEL) != IDOK) return;
    request(argument, m_codeExecute);
}

void CZRRmtShellListWnd::DownloadSelection()
{
    QList<ZRRemoteEntry> files;
    for (int row : m_list->SelectedRows()) {
        const ZRRemoteEntry e = entry(row);
        if (isUp(e) || e.type != 1) {
            m_list->DeselectRow(row);
            continue;
        }
        if (m_queue && m_queue->HoldsRemote(FullPath(e.name), 1)) {
            ShowMessage(this, s(fmtext::kSimultaneous), s(fmtext::kFileDownload), MB_ICONERROR, MB_OK);
            m_list->DeselectRow(row);
            continue;
        }
        files << e;
    }
    for (const ZRRemoteEntry& e : files) {
        _TransferRequest r;
        r.kind = 2;
        r.size = e.size;
        r.localPath = e.name;
        r.remotePath = FullPath(e.name);
        CZRFileMsg m(zrfm::Download, r);
        QCoreApplication::sendEvent(this, &m);
    }
}

int CZRRmtShellListWnd::UploadRequest(const _TransferRequest& request)
{
    if (!m_upload) return 0;
    const QString title = s(fmtext::kFileUpload);
    if (m_browsing) {
        ShowMessage(this, s(fmtext::kStillListing), title, MB_ICONERROR, MB_OK);
        return 0;
    }
    const QString name = zrpath::NameOf(request.localPath);
    if (name.isEmpty() || m_current.isEmpty()) return 0;
    const bool anyCase = zrpath::CaseInsensitive(m_os);
    for (int type : {0, 2})
        if (m_list->Model()->Find(name, type, anyCase) >= 0) {
            ShowMessage(this, s(fmtext::kRemoteFolderExists), title, MB_ICONERROR, MB_OK);
            return 0;
        }
    if (m_list->Model()->Find(name, 1, anyCase) >= 0 &&
        ShowMessage(this, s(fmtext::kOverwrite), title, MB_ICONQUESTION, MB_OKCANCEL) != IDOK)
        return 0;
    _TransferRequest r = request;
    r.kind = request.kind == 1 ? 1 : 0;
    r.reserved = 0;
    r.remotePath = FullPath(name);
    const QString argument = QStringLiteral("\"%1\" \"%2\" %3").arg(r.localPath, r.remotePath).arg(r.kind);
    if (!checkArgument({r.localPath, r.remotePath}, argument, title)) return 0;
    return m_upload(r, m_codeUpload, m_context, m_nick);
}

void CZRRmtShellListWnd::DropLocalFiles(const QStringList& paths)
{
    for (const QString& p : paths) {
        const QFileInfo info(p);
        if (!info.isFile()) continue;
        _TransferRequest r;
        r.kind = 0;
        r.size = quint64(info.size());
        r.localPath = info.absoluteFilePath();
        CZRFileMsg m(zrfm::Upload, r);
        QCoreApplication::sendEvent(this, &m);
    }
}

QMenu* CZRRmtShellListWnd::ContextMenuFor(int row)
{
    auto add = [](QMenu* menu, const char* text, int id, bool enabled, std::function<void()> run) {
        QAction* a = menu->addAction(QString::fromLatin1(text));
        a->setData(id);
        a->setEnabled(enabled);
        QObject::connect(a, &QAction::triggered, menu, std::move(run));
    };
    if (row < 0) {
        auto* menu = new QMenu(QStringLiteral("File Manager (space)"));
        add(menu, "&Refresh", ID_FM_REFRESH, true, [this] { Refresh(); });
        add(menu, "&Add Folder", ID_FM_ADDFOLDER, true, [this] { AddFolder(); });
        return menu;
    }
    if (row >= GetObjectCount()) return nullptr;
    const ZRRemoteEntry e = entry(row);
    if (isUp(e) || e.type == 2) return nullptr;
    auto* menu = new QMenu(QStringLiteral("&File Manager"));
    const QPersistentModelIndex at = m_list->Model()->index(row, 0);
    auto rowOf = [at] { return at.isValid() ? at.row() : -1; };
    add(menu, "&Upload", ID_FM_UPLOAD, false, [] {});
    add(menu, "&Download", ID_FM_DOWNLOAD, true, [this] { DownloadSelection(); });
    add(menu, "&Run", ID_FM_RUN, (e.mode / 100) % 2 == 1, [this, rowOf] {
        const int r = rowOf();
        if (r >= 0 && entry(r).type == 0)
            OpenEntry(r);
        else
            RunEntry(r);
    });
    add(menu, "De&lete", ID_FM_DELETE, true, [this] { DeleteSelection(); });
    add(menu, "Re&name", ID_FM_RENAME, true, [this, rowOf] { BeginRename(rowOf()); });
    add(menu, "&Change Mode", ID_FM_CHMOD, m_os != 1, [this, rowOf] { ChangeModeEntry(rowOf()); });
    return menu;
}
