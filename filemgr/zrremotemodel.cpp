#include "zrremotemodel.h"

#include "fmpaths.h"
#include "resource.h"
#include "resources.h"

#include <QMimeData>
#include <QMimeDatabase>

#include <algorithm>

CZRRemoteModel::CZRRemoteModel(QObject* parent) : QAbstractTableModel(parent)
{
    // A burst of entries reaches the view as one insert; the event loop stays free meanwhile.
    m_flush.setSingleShot(true);
    m_flush.setInterval(40);
    connect(&m_flush, &QTimer::timeout, this, &CZRRemoteModel::Flush);
}

int CZRRemoteModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CZRRemoteModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QString CZRRemoteModel::key(int type, const QString& name) const
{
    return QString::number(type == 2   ? 2
                           : type == 0 ? 0
                                       : 1) +
           (zrpath::CaseInsensitive(m_os) ? name.toCaseFolded() : name);
}

QIcon CZRRemoteModel::iconFor(const ZRRemoteEntry& e) const
{
    if (e.name == QLatin1String("..")) return LoadResIcon(IDI_UP);
    if (e.type == 0) return QIcon::fromTheme(QStringLiteral("folder"), LoadResIcon(IDI_FOLDER));
    if (e.type == 2) return QIcon::fromTheme(QStringLiteral("drive-harddisk"), LoadResIcon(IDI_DRIVE));
    QString suffix;
    const int dot = e.name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) suffix = e.name.mid(dot + 1).toLower();
    // On Unix-type agents the owner's execute bit marks a program.
    if (m_os == 0 && (e.mode / 100) % 2 == 1) suffix = QStringLiteral("exe");
    auto it = m_icons.constFind(suffix);
    if (it != m_icons.constEnd()) return *it;
    QIcon icon;
    if (suffix == QLatin1String("exe") || suffix == QLatin1String("bat")) {
        icon = LoadResIcon(IDI_PROGRAM);
    } else {
        static const QMimeDatabase db;
        const QMimeType mime =
            db.mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(mime.iconName(),
                                QIcon::fromTheme(mime.genericIconName(), LoadResIcon(IDI_FILE)));
    }
    m_icons.insert(suffix, icon);
    return icon;
}

QVariant CZRRemoteModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size())) return {};
    const ZRRemoteEntry& e = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() == ColName) return e.name;
        if (index.column() == ColSize) return e.type == 1 ? zrpath::SizeText(e.size) : QString();
        return e.modified;
    case Qt::DecorationRole:
        return index.column() == ColName ? iconFor(e) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == ColSize ? int(Qt::AlignRight | Qt::AlignVCenter)
                                         : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CZRRemoteModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) {
        static const char* captions[3] = {"Name", "Size", "Modified"};
        return section >= 0 && section < 3 ? QString::fromLatin1(captions[section]) : QVariant();
    }
    if (role == Qt::TextAlignmentRole)
        return int(section == ColSize ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    return {};
}

Qt::ItemFlags CZRRemoteModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const ZRRemoteEntry& e = m_rows[size_t(index.row())];
    if (e.name != QLatin1String("..") && e.type != 2) {
        f |= Qt::ItemIsDragEnabled;
        if (index.column() == ColName) f |= Qt::ItemIsEditable;
    }
    return f;
}

bool CZRRemoteModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != ColName) return false;
    return renamer && renamer(index.row(), value.toString());
}

void CZRRemoteModel::sort(int column, Qt::SortOrder order)
{
    Flush();
    m_sortCol = qBound(0, column, 2);
    m_sortOrder = order;
    // ".." stays on top; folders and drives before files; each group by the column.
    auto group = [](const ZRRemoteEntry& e) {
        return e.name == QLatin1String("..") ? 0 : e.type == 1 ? 2 : 1;
    };
    const int col = m_sortCol;
    const bool desc = order == Qt::DescendingOrder;
    std::vector<size_t> order_(m_rows.size());
    for (size_t i = 0; i < order_.size(); ++i)
        order_[i] = i;
    std::stable_sort(order_.begin(), order_.end(), [&](size_t ia, size_t ib) {
        const ZRRemoteEntry& a = m_rows[ia];
        const ZRRemoteEntry& b = m_rows[ib];
        const int ga = group(a), gb = group(b);
        if (ga != gb) return ga < gb;
        int c = 0;
        if (col == ColSize && a.size != b.size)
            c = a.size < b.size ? -1 : 1;
        else if (col == ColModified)
            c = a.modified.compare(b.modified);
        if (c == 0) c = a.name.compare(b.name, Qt::CaseInsensitive);
        if (c == 0) c = a.name.compare(b.name);
        return desc ? c > 0 : c < 0;
    });
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRow(m_rows.size());
    std::vector<ZRRemoteEntry> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i = 0; i < order_.size(); ++i) {
        newRow[order_[i]] = int(i);
        sorted.push_back(std::move(m_rows[order_[i]]));
    }
    m_rows.swap(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after << index(newRow[size_t(i.row())], i.column());
    changePersistentIndexList(before, after);
    reindex();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CZRRemoteModel::reindex()
{
    m_index.clear();
    m_index.reserve(int(m_rows.size() + m_pending.size()));
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_index.insert(key(m_rows[i].type, m_rows[i].name), int(i));
    for (const ZRRemoteEntry& e : m_pending)
        m_index.insert(key(e.type, e.name), -1);
}

QStringList CZRRemoteModel::mimeTypes() const
{
    return {QString::fromLatin1(kMime), QStringLiteral("text/uri-list")};
}

QMimeData* CZRRemoteModel::mimeData(const QModelIndexList& indexes) const
{
    QStringList paths;
    QList<int> rows;
    for (const QModelIndex& i : indexes)
        if (i.isValid() && !rows.contains(i.row())) rows << i.row();
    for (int r : rows) {
        const ZRRemoteEntry& e = m_rows[size_t(r)];
        if (e.type == 1 && pathOf) paths << pathOf(e);
    }
    if (paths.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    // Remote files are not local files: only our own panes understand them.
    mime->setData(QString::fromLatin1(kMime), paths.join(QLatin1Char('\n')).toUtf8());
    return mime;
}

bool CZRRemoteModel::Append(const ZRRemoteEntry& entry)
{
    const QString k = key(entry.type, entry.name);
    if (m_index.contains(k)) return false;
    m_index.insert(k, -1);
    m_pending.push_back(entry);
    if (!m_flush.isActive()) m_flush.start();
    return true;
}

void CZRRemoteModel::Flush()
{
    m_flush.stop();
    if (m_pending.empty()) return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(m_pending.size()) - 1);
    for (ZRRemoteEntry& e : m_pending) {
        m_index.insert(key(e.type, e.name), int(m_rows.size()));
        m_rows.push_back(std::move(e));
    }
    m_pending.clear();
    endInsertRows();
}

void CZRRemoteModel::Clear()
{
    m_flush.stop();
    beginResetModel();
    m_rows.clear();
    m_pending.clear();
    m_index.clear();
    endResetModel();
}

int CZRRemoteModel::Find(const QString& name, int type, bool anyCase) const
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const ZRRemoteEntry& e = m_rows[i];
        if (type >= 0 && e.type != type) continue;
        if (e.name.compare(name, anyCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0) return int(i);
    }
    return -1;
}

bool CZRRemoteModel::Remove(int row)
{
    if (row < 0 || row >= int(m_rows.size())) return false;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    reindex();
    return true;
}

void CZRRemoteModel::SetMode(int row, int mode)
{
    if (row < 0 || row >= int(m_rows.size())) return;
    m_rows[size_t(row)].mode = mode;
    emit dataChanged(index(row, 0), index(row, 2));
}

void CZRRemoteModel::Rename(int row, const QString& name)
{
    if (row < 0 || row >= int(m_rows.size())) return;
    m_rows[size_t(row)].name = name;
    reindex();
    emit dataChanged(index(row, 0), index(row, 2));
}
