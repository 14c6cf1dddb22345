// Rows of the remote list: one directory of the agent, filled a burst at a time.
#pragma once

#include "zrfilemgr_global.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QTimer>

#include <functional>
#include <vector>

struct ZRRemoteEntry
{
    int type = 1; // 0 directory, 1 file, 2 drive
    QString name;
    quint64 size = 0;
    QString modified;
    int mode = 0; // three octal digits written in decimal
};

class ZRFILEMGRU_EXPORT CZRRemoteModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr const char* kMime = "application/x-tarn-remote-files";
    enum Column { ColName = 0, ColSize = 1, ColModified = 2 };

    explicit CZRRemoteModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    void sort(int column, Qt::SortOrder order) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }

    // Queues a row; rows reach the view in bursts. False when a row of that name and type exists.
    bool Append(const ZRRemoteEntry& entry);
    // Shows every queued row now.
    void Flush();
    void Clear();
    int Find(const QString& name, int type, bool anyCase) const; // type -1: any
    bool Remove(int row);
    const ZRRemoteEntry& At(int row) const { return m_rows[size_t(row)]; }
    void SetMode(int row, int mode);
    void Rename(int row, const QString& name);
    int SortColumn() const { return m_sortCol; }
    // Re-sorts by the last column and order.
    void Resort() { sort(m_sortCol, m_sortOrder); }

    void SetOSType(int osType) { m_os = osType; }
    // Full remote paths of rows, for dragging out.
    std::function<QString(const ZRRemoteEntry&)> pathOf;
    // The label edit: true when the rename was sent.
    std::function<bool(int row, const QString& name)> renamer;

private:
    QString key(int type, const QString& name) const;
    QIcon iconFor(const ZRRemoteEntry& e) const;
    void reindex();

    std::vector<ZRRemoteEntry> m_rows;
    std::vector<ZRRemoteEntry> m_pending;
    QHash<QString, int> m_index; // type and name (pending rows hold -1)
    QTimer m_flush;
    int m_sortCol = ColName;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    int m_os = 0;
    mutable QHash<QString, QIcon> m_icons;
};
