#include "zrshelllistwnd.h"

#include "fmpaths.h"
#include "fmstrings.h"
#include "messagebox.h"
#include "panekeys.h"
#include "resource.h"
#include "resources.h"
#include "zrhistorycombo.h"
#include "zrqueuelist.h"
#include "zrremotemodel.h"
#include "zrrmtshelllistwnd.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

using fmtext::s;

namespace {
const QMimeDatabase& mimeDb()
{
    static const QMimeDatabase db;
    return db;
}

// A name one local directory entry can take.
bool localNameOk(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    for (QChar c : name)
        if (c.unicode() < 32 || c == QLatin1Char('/') || c == QLatin1Char('\\')) return false;
    return true;
}

// The desktop's trash (freedesktop layout) in the user's data folder. A file that cannot be moved
// there stays where it is: deleting from here never destroys anything for good.
bool moveToTrash(const QString& path)
{
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    QDir dir(trash);
    if (!dir.mkpath(QStringLiteral("files")) || !dir.mkpath(QStringLiteral("info"))) return false;
    const QFileInfo source(path);
    const QString base = source.fileName();
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1.%2").arg(base).arg(n);
        QFile info(dir.filePath(QStringLiteral("info/") + name + QStringLiteral(".trashinfo")));
        if (QFileInfo::exists(dir.filePath(QStringLiteral("files/") + name))) continue;
        if (!info.open(QIODevice::NewOnly | QIODevice::WriteOnly)) continue;
        info.write("[Trash Info]\nPath=" + QUrl::toPercentEncoding(source.absoluteFilePath(), "/") +
                   "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + "\n");
        info.close();
        if (QDir().rename(source.absoluteFilePath(), dir.filePath(QStringLiteral("files/") + name)))
            return true;
        info.remove();
        return false;
    }
    return false;
}

QStringList remotePaths(const QMimeData* mime)
{
    if (!mime || !mime->hasFormat(QString::fromLatin1(CZRRemoteModel::kMime))) return {};
    return QString::fromUtf8(mime->data(QString::fromLatin1(CZRRemoteModel::kMime)))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
} // namespace

CZRLocalModel::CZRLocalModel(QObject* parent) : QAbstractTableModel(parent) {}

bool CZRLocalModel::Load(const QString& directory)
{
    const QFileInfo info(directory);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return false;
    QDir dir(info.absoluteFilePath());
    const QFileInfoList list = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                                                 QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    beginResetModel();
    m_rows.clear();
    m_dir = QDir::cleanPath(info.absoluteFilePath());
    if (!dir.isRoot()) {
        Row up;
        up.up = true;
        up.info = QFileInfo(dir.absoluteFilePath(QStringLiteral("..")));
        m_rows.push_back(up);
    }
    for (const QFileInfo& f : list)
        m_rows.push_back({f, false});
    endResetModel();
    return true;
}

int CZRLocalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CZRLocalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QString CZRLocalModel::NameAt(int row) const
{
    if (row < 0 || row >= int(m_rows.size())) return {};
    return m_rows[size_t(row)].up ? QStringLiteral("..") : m_rows[size_t(row)].info.fileName();
}

int CZRLocalModel::Find(const QString& name) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (!m_rows[i].up && m_rows[i].info.fileName() == name) return int(i);
    return -1;
}

QVariant CZRLocalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size())) return {};
    const Row& r = m_rows[size_t(index.row())];
    const QFileInfo& f = r.info;
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case ColName:
            return NameAt(index.row());
        case ColSize:
            return r.up || f.isDir() ? QString() : zrpath::SizeText(quint64(f.size()));
        case ColType:
            return r.up        ? QString()
                   : f.isDir() ? QStringLiteral("Folder")
                               : mimeDb().mimeTypeForFile(f, QMimeDatabase::MatchExtension).comment();
        case ColModified:
            return r.up ? QString() : f.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        }
    }
    if (role == Qt::DecorationRole && index.column() == ColName) {
        if (r.up) return LoadResIcon(IDI_UP);
        if (f.isDir()) return QIcon::fromTheme(QStringLiteral("folder"), LoadResIcon(IDI_FOLDER));
        const QMimeType m = mimeDb().mimeTypeForFile(f, QMimeDatabase::MatchExtension);
        return QIcon::fromTheme(m.iconName(), QIcon::fromTheme(m.genericIconName(), LoadResIcon(IDI_FILE)));
    }
    if (role == Qt::TextAlignmentRole)
        return index.column() == ColSize ? int(Qt::AlignRight | Qt::AlignVCenter)
                                         : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant CZRLocalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* captions[4] = {"Name", "Size", "Type", "Modified"};
    return section >= 0 && section < 4 ? QString::fromLatin1(captions[section]) : QVariant();
}

Qt::ItemFlags CZRLocalModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_rows[size_t(index.row())].up) {
        f |= Qt::ItemIsDragEnabled;
        if (index.column() == ColName && QFileInfo(m_dir).isWritable()) f |= Qt::ItemIsEditable;
    }
    return f;
}

bool CZRLocalModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != ColName) return false;
    // The pane renames on the disk and reloads the directory.
    emit renameAsked(index.row(), value.toString());
    return false;
}

QStringList CZRLocalModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list"), QString::fromLatin1(CZRRemoteModel::kMime)};
}

QMimeData* CZRLocalModel::mimeData(const QModelIndexList& indexes) const
{
    QList<QUrl> urls;
    QList<int> rows;
    for (const QModelIndex& i : indexes)
        if (i.isValid() && !rows.contains(i.row())) rows << i.row();
    for (int r : rows)
        if (!m_rows[size_t(r)].up) urls << QUrl::fromLocalFile(m_rows[size_t(r)].info.absoluteFilePath());
    if (urls.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

CZRShellList::CZRShellList(CZRShellListWnd* pane, QWidget* parent)
    : QTreeView(parent), m_pane(pane), m_model(new CZRLocalModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Narrow enough that the date column shows in a pane of half the page.
    setColumnWidth(0, 120);
    setColumnWidth(1, 55);
    setColumnWidth(2, 80);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    connect(m_model, &CZRLocalModel::renameAsked, this,
            [this](int row, const QString& name) { m_pane->RenameEntry(row, name); });
}

QList<int> CZRShellList::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CZRShellList::SelectRow(int row, bool add)
{
    const QModelIndex i = m_model->index(row, 0);
    if (!i.isValid()) return;
    selectionModel()->setCurrentIndex(
        i, (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
               QItemSelectionModel::Rows);
}

int CZRShellList::MarkRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void CZRShellList::Refresh(const QString& directory)
{
    if (m_model->Directory().isEmpty()) return;
    if (directory.isEmpty() || zrpath::CanonicalLocal(directory) == m_model->Directory())
        m_model->Load(m_model->Directory());
}

void CZRShellList::keyPressEvent(QKeyEvent* e)
{
    if (HandlePaneKey(e, this, m_pane, MarkRow())) return;
    if (e->key() == Qt::Key_F5) {
        Refresh();
        return;
    }
    QTreeView::keyPressEvent(e);
}

void CZRShellList::contextMenuEvent(QContextMenuEvent* e)
{
    const QModelIndex i = indexAt(viewport()->mapFrom(this, e->pos()));
    if (i.isValid() && !selectionModel()->isRowSelected(i.row(), {})) SelectRow(i.row());
    std::unique_ptr<QMenu> menu(m_pane->ContextMenuFor(i.isValid() ? i.row() : -1));
    if (menu) menu->exec(e->globalPos());
}

void CZRShellList::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QModelIndex i = indexAt(e->position().toPoint());
    if (i.isValid()) m_pane->OpenEntry(i.row());
}

void CZRShellList::dragEnterEvent(QDragEnterEvent* e)
{
    if (!remotePaths(e->mimeData()).isEmpty()) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CZRShellList::dragMoveEvent(QDragMoveEvent* e)
{
    if (!remotePaths(e->mimeData()).isEmpty()) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CZRShellList::dropEvent(QDropEvent* e)
{
    const QStringList paths = remotePaths(e->mimeData());
    if (paths.isEmpty()) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    m_pane->DropRemoteFiles(paths);
}

CZRShellListWnd::CZRShellListWnd(QWidget* parent) : QWidget(parent)
{
    m_caption = new QLabel(s(fmtext::kLocalCaption), this);
    m_combo = new CZRHistoryCombo(this);
    m_combo->SetSeparatorStyle(QDir::separator() == QLatin1Char('\\'));
    m_combo->SetRequestProc(&CZRRmtShellListWnd::RequestProc, this, zrfm::LocalBrowse);
    m_combo->SetAutoPersistent(QStringLiteral("LocalBrowse"));
    m_list = new CZRShellList(this, this);
    SetListBkColor(QColor(241, 255, 213));
}

CZRShellListWnd::~CZRShellListWnd() = default;

bool CZRShellListWnd::Create(QWidget* parent, const QRect& rect, int id)
{
    if (parent) setParent(parent);
    setGeometry(rect);
    m_id = id;
    setObjectName(QString::number(id));
    show();
    return true;
}

void CZRShellListWnd::SetRequestAction(ZRTransferAction downloadAction, void* context)
{
    m_action = downloadAction;
    m_context = context;
}

void CZRShellListWnd::SetListBkColor(const QColor& colour)
{
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Base, colour);
    m_list->setPalette(pal);
}

void CZRShellListWnd::resizeEvent(QResizeEvent*)
{
    m_caption->setGeometry(1, 1, 70, 24);
    m_combo->setGeometry(71, 1, qMax(0, width() - 71), 24);
    m_list->setGeometry(0, 26, width(), qMax(0, height() - 26));
}

bool CZRShellListWnd::event(QEvent* e)
{
    const int t = int(e->type());
    auto* m = t >= zrfm::LocalBrowse && t <= zrfm::LocalDownload ? dynamic_cast<CZRFileMsg*>(e) : nullptr;
    if (!m) return QWidget::event(e);
    if (t == zrfm::LocalBrowse) {
        m->result = Browse(m->argument);
    } else if (t == zrfm::LocalUpload) {
        if (m_remote) {
            CZRFileMsg fwd(zrfm::Upload, m->request);
            QCoreApplication::sendEvent(m_remote, &fwd);
            m->result = fwd.result;
        }
    } else {
        m->result = DownloadRequest(m->request);
    }
    return true;
}

void CZRShellListWnd::Init(const QString& directory)
{
    QString dir = directory.isEmpty() ? QDir::homePath() : directory;
    if (!m_combo->RequestPath(QDir::cleanPath(QFileInfo(dir).absoluteFilePath())))
        m_combo->RequestPath(QDir::homePath());
}

void CZRShellListWnd::Refresh(const QString& directory)
{
    m_list->Refresh(directory);
}

int CZRShellListWnd::Browse(const QString& directory)
{
    if (directory.isEmpty()) return 0;
    const QString path = zrpath::CanonicalLocal(directory);
    if (!m_list->Model()->Load(path)) {
        WrongDirectory();
        return 0;
    }
    m_previous = m_current;
    m_current = path;
    m_combo->SetText(path);
    return 1;
}

void CZRShellListWnd::WrongDirectory()
{
    // The list still shows the previous directory; so do the box and the pane.
    m_combo->WrongDirectory();
    m_combo->SetText(m_current, false);
}

void CZRShellListWnd::OpenEntry(int row)
{
    if (row < 0 || row >= m_list->Model()->rowCount()) return;
    if (m_list->Model()->IsUp(row)) {
        OpenParent();
        return;
    }
    const QFileInfo f = m_list->Model()->Info(row);
    if (f.isDir()) {
        Browse(f.absoluteFilePath());
        return;
    }
    // Opening hands the file to its viewer; programs and launchers are never started from here.
    const bool program =
        f.isExecutable() || f.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0;
    if (program) {
        ShowMessage(this, s(fmtext::kNoLocalRun), f.fileName(), MB_ICONINFORMATION, MB_OK);
        return;
    }
    OpenWithDesktop(QUrl::fromLocalFile(f.absoluteFilePath()));
}

void CZRShellListWnd::OpenParent()
{
    if (m_current.isEmpty() || QDir(m_current).isRoot()) return;
    Browse(QFileInfo(m_current).absolutePath());
}

void CZRShellListWnd::UploadSelection()
{
    for (int row : m_list->SelectedRows()) {
        if (m_list->Model()->IsUp(row)) continue;
        QFileInfo f = m_list->Model()->Info(row);
        f.refresh();
        if (!f.exists() || !f.isFile()) continue;
        if (m_queue && m_queue->HoldsLocal(f.absoluteFilePath(), false)) {
            ShowMessage(this, s(fmtext::kSimultaneous), s(fmtext::kFileUpload), MB_ICONERROR, MB_OK);
            continue;
        }
        _TransferRequest r;
        r.kind = 0;
        r.size = quint64(f.size());
        r.localPath = f.absoluteFilePath();
        CZRFileMsg m(zrfm::LocalUpload, r);
        QCoreApplication::sendEvent(this, &m);
    }
}

bool CZRShellListWnd::refuseQueued(const QString& path, const QString& title)
{
    if (!m_queue || (!m_queue->HoldsLocal(path, true) && !m_queue->HoldsLocal(path, false))) return false;
    ShowMessage(this, LoadResString(IDS_FILE_IN_USE), title, MB_ICONERROR, MB_OK);
    return true;
}

void CZRShellListWnd::DeleteSelection()
{
    QStringList targets;
    for (int row : m_list->SelectedRows()) {
        if (m_list->Model()->IsUp(row)) continue;
        const QString path = m_list->Model()->Info(row).absoluteFilePath();
        if (refuseQueued(path, s(fmtext::kDelete))) continue;
        targets << path;
    }
    if (targets.isEmpty()) return;
    if (ShowMessage(this, s(fmtext::kDeleteConfirm), s(fmtext::kDelete), MB_ICONQUESTION, MB_OKCANCEL) !=
        IDOK)
        return;
    QStringList kept;
    for (const QString& p : targets)
        if (!moveToTrash(p)) kept << QFileInfo(p).fileName();
    m_list->Refresh();
    if (!kept.isEmpty())
        ShowMessage(this, s(fmtext::kNotTrashed) + QStringLiteral("\n\n") + kept.join(QLatin1Char('\n')),
                    s(fmtext::kDelete), MB_ICONERROR, MB_OK);
}

bool CZRShellListWnd::BeginRename(int row)
{
    if (row < 0 || row >= m_list->Model()->rowCount() || m_list->Model()->IsUp(row)) return false;
    if (!(m_list->Model()->flags(m_list->Model()->index(row, 0)) & Qt::ItemIsEditable)) return false;
    if (refuseQueued(m_list->Model()->Info(row).absoluteFilePath(), s(fmtext::kRename))) return false;
    m_list->setCurrentIndex(m_list->Model()->index(row, 0));
    m_list->edit(m_list->Model()->index(row, 0));
    return true;
}

bool CZRShellListWnd::RenameEntry(int row, const QString& newName)
{
    if (row < 0 || row >= m_list->Model()->rowCount() || m_list->Model()->IsUp(row)) return false;
    const QFileInfo f = m_list->Model()->Info(row);
    QString name = newName.trimmed();
    if (name.isEmpty() || name == f.fileName()) return false;
    if (!localNameOk(name)) {
        ShowMessage(this, LoadResString(IDS_INVALID_NAME), s(fmtext::kRename), MB_ICONERROR, MB_OK);
        return false;
    }
    const QString target = QDir(f.absolutePath()).filePath(name);
    if (QFileInfo::exists(target) || refuseQueued(f.absoluteFilePath(), s(fmtext::kRename))) return false;
    const bool ok = QDir(f.absolutePath()).rename(f.fileName(), name);
    m_list->Refresh();
    const int at = m_list->Model()->Find(ok ? name : f.fileName());
    if (at >= 0) m_list->SelectRow(at);
    return ok;
}

void CZRShellListWnd::AddFolder()
{
    if (m_current.isEmpty()) return;
    QDir dir(m_current);
    const QString base = s(fmtext::kNewFolder);
    QString name = base;
    for (int n = 2; dir.exists(name); ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    if (!dir.mkdir(name)) return;
    m_list->Refresh();
    const int row = m_list->Model()->Find(name);
    if (row >= 0) BeginRename(row);
}

int CZRShellListWnd::DownloadRequest(const _TransferRequest& request)
{
    const QString title = s(fmtext::kFileDownload);
    const QString name = zrpath::NameOf(request.remotePath);
    if (name.isEmpty() || m_current.isEmpty() || !m_action) return 0;
    const QString local = QDir(m_current).filePath(name);
    if (m_queue && m_queue->HoldsLocal(local, false)) {
        ShowMessage(this, LoadResString(IDS_FILE_IN_USE), title, MB_ICONERROR, MB_OK);
        return 0;
    }
    const QFileInfo target(local);
    if (target.isDir()) {
        ShowMessage(this, s(fmtext::kTargetIsFolder), title, MB_ICONERROR, MB_OK);
        return 0;
    }
    const QString argument = QStringLiteral("\"%1\" \"%2\"").arg(local, request.remotePath);
    if (zrpath::HasQuote(local) || zrpath::HasQuote(request.remotePath)) {
        ShowMessage(this, s(fmtext::kQuote), title, MB_ICONERROR, MB_OK);
        return 0;
    }
    if (!zrpath::FitsWire(argument)) {
        ShowMessage(this, s(fmtext::kTooLong), title, MB_ICONERROR, MB_OK);
        return 0;
    }
    const QString key = zrpath::CanonicalLocal(local);
    if (target.exists()) {
        if (ShowMessage(this, s(fmtext::kOverwrite), title, MB_ICONQUESTION, MB_OKCANCEL) != IDOK) return 0;
        m_overwriteAllowed.insert(key);
    }
    _TransferRequest r = request;
    r.kind = 2;
    r.reserved = 0;
    r.localPath = local;
    const int result = m_action(r, m_codeDownload, m_context, m_nick);
    if (result == 0) m_overwriteAllowed.remove(key);
    return result;
}

void CZRShellListWnd::DropRemoteFiles(const QStringList& paths)
{
    for (const QString& p : paths) {
        if (m_queue && m_queue->HoldsRemote(p, 1)) {
            ShowMessage(this, s(fmtext::kSimultaneous), s(fmtext::kFileDownload), MB_ICONERROR, MB_OK);
            continue;
        }
        _TransferRequest r;
        r.kind = 2;
        r.localPath = zrpath::NameOf(p);
        r.remotePath = p;
        DownloadRequest(r);
    }
}

bool CZRShellListWnd::ConfirmDownloadStart(const QString& localPath)
{
    const QString key = zrpath::CanonicalLocal(localPath);
    const bool allowed = m_overwriteAllowed.contains(key);
    m_overwriteAllowed.remove(key);
    const QFileInfo target(localPath);
    if (target.isDir()) {
        ShowMessage(this, s(fmtext::kTargetIsFolder), s(fmtext::kFileDownload), MB_ICONERROR, MB_OK);
        return false;
    }
    if (target.exists() && !allowed)
        return ShowMessage(this, s(fmtext::kOverwrite), s(fmtext::kFileDownload), MB_ICONQUESTION,
                           MB_OKCANCEL) == IDOK;
    return true;
}

QMenu* CZRShellListWnd::ContextMenuFor(int row)
{
    auto add = [](QMenu* menu, const char* text, int id, bool enabled, std::function<void()> run) {
        QAction* a = menu->addAction(QString::fromLatin1(text));
        a->setData(id);
        a->setEnabled(enabled);
        QObject::connect(a, &QAction::triggered, menu, std::move(run));
    };
    if (row < 0) {
        auto* menu = new QMenu(QStringLiteral("File Manager (space)"));
        add(menu, "&Refresh", ID_FM_REFRESH, true, [this] { m_list->Refresh(); });
        add(menu, "&Add Folder", ID_FM_ADDFOLDER, true, [this] { AddFolder(); });
        return menu;
    }
    if (row >= m_list->Model()->rowCount() || m_list->Model()->IsUp(row)) return nullptr;
    auto* menu = new QMenu(QStringLiteral("&File Manager"));
    const QPersistentModelIndex at = m_list->Model()->index(row, 0);
    const bool renamable = m_list->Model()->flags(at) & Qt::ItemIsEditable;
    add(menu, "&Upload", ID_FM_UPLOAD, true, [this] { UploadSelection(); });
    add(menu, "&Download", ID_FM_DOWNLOAD, false, [] {});
    add(menu, "De&lete", ID_FM_DELETE, true, [this] { DeleteSelection(); });
    add(menu, "Re&name", ID_FM_RENAME, renamable, [this, at] { BeginRename(at.row()); });
    add(menu, "&Change Mode", ID_FM_CHMOD, false, [] {});
    menu->addSeparator();
    QAction* open = menu->addAction(QStringLiteral("&Open"));
    QObject::connect(open, &QAction::triggered, menu, [this, at] { OpenEntry(at.row()); });
    return menu;
}
