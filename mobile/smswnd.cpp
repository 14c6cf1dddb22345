#include "smswnd.h"

#include "pbwnd.h"
#include "resource.h"
#include "smspdu.h"
#include "zrmobilewnd.h"

#include <messagebox.h>
#include <tokenreader.h>
#include <wirecodec.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <typename T> T* control(T* w, int id)
{
    w->setObjectName(QStringLiteral("Ctl%1").arg(id));
    w->setProperty("controlId", id);
    return w;
}

std::u16string_view view(const QString& s)
{
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

QStringList items(const QString& text)
{
    QStringList out;
    const int n = GetTextNumber(view(text));
    for (int i = 0; i < n; ++i) {
        std::u16string item;
        if (GetTextItemEx(i, view(text), item) < 0) break;
        out << QString::fromStdU16String(item);
    }
    return out;
}

// Caption and width of a column from its string: "caption\nwidth".
void column(QTreeWidget* tree, int index, int id)
{
    const QStringList parts = MobileString(id).split(u'\n');
    tree->headerItem()->setText(index, parts.value(0));
    tree->setColumnWidth(index, parts.value(1).toInt() > 0 ? parts.value(1).toInt() : 150);
}

QString fromPdu(const std::string& pdu, SmsRow* row)
{
    const tarn::sms::Decoded d = tarn::sms::DecodeDeliver(pdu);
    if (!d.ok) return QString::fromStdString(d.error.empty() ? std::string("undecodable") : d.error);
    row->sender = QString::fromStdString(d.message.peer);
    if (d.message.coding == tarn::sms::Coding::Ucs2)
        row->text = QString::fromStdU16String(d.message.wideText);
    else
        row->text = QString::fromLatin1(d.message.text.data(), qsizetype(d.message.text.size()));
    if (d.message.hasTimestamp) {
        char buffer[32];
        std::tm stamp = d.message.timestamp;
        if (std::strftime(buffer, sizeof buffer, "%y/%m/%d,%H:%M:%S", &stamp) > 0)
            row->date = QString::fromLatin1(buffer);
    }
    row->pdu = QString::fromStdString(pdu);
    return QString();
}

QPushButton* button(QWidget* parent, const QString& text, int id)
{
    return control(new QPushButton(text, parent), id);
}

// The page's body takes its height instead of the base's closing stretch: lists grow with the page.
void fillHeight(QWidget* page, QLayout* body)
{
    if (auto* outer = qobject_cast<QVBoxLayout*>(page->layout())) {
        outer->setStretch(outer->count() - 1, 0);
        outer->setStretchFactor(body, 1);
    }
}

constexpr int kMaxTextLimit = int(tarn::sms::kMaxOctets); // 8-bit: 140 octets
constexpr int kMaxWideLimit = int(tarn::sms::kMaxUcs2);   // UCS-2: 70 units

} // namespace

QString EscapeSmsText(const QString& text)
{
    return QString::fromStdU16String(EscapeText(view(text)));
}

QString SmsDateWithoutZone(const QString& stamp)
{
    // The zone follows the time: the last sign after the comma, "+" or "-" alike.
    const qsizetype comma = stamp.indexOf(u',');
    const qsizetype from = comma < 0 ? 0 : comma;
    const qsizetype sign = std::max(stamp.lastIndexOf(u'+'), stamp.lastIndexOf(u'-'));
    if (sign > from) return stamp.left(sign);
    return stamp;
}

QString TemplateTooLong(const QString& text)
{
    // The list comes back as one reply per template, quoted and escaped; the console reads at most
    // 1022 bytes of reply text.
    const QString item = u'"' + EscapeSmsText(text) + u'"';
    const std::optional<QByteArray> wire = WireCodec::toWire(item);
    const qsizetype bytes = wire ? wire->size() : item.toUtf8().size();
    if (!wire) return QStringLiteral("The template holds characters the connection cannot carry.");
    if (bytes >= 1023)
        return QStringLiteral("The template is too long to be read back (%1 bytes, at most 1022).")
            .arg(bytes);
    return QString();
}

bool ParseInboxReply(const QString& reply, SmsRow* row)
{
    const QStringList it = items(reply);
    if (it.size() == 4) {
        // Index, status number, length, PDU. Stored outgoing messages are not listed.
        const int status = it[1].toInt();
        if (status == 2 || status == 3) return false;
        row->index = it[0].toInt();
        row->unread = status == 0;
        return fromPdu(it[3].toLatin1().toStdString(), row).isEmpty();
    }
    if (it.size() == 5) {
        if (it[1] == QLatin1String("STO UNSENT") || it[1] == QLatin1String("STO SENT")) return false;
        row->index = it[0].toInt();
        row->unread = it[1] == QLatin1String("REC UNREAD");
        row->sender = it[2];
        row->date = SmsDateWithoutZone(it[3]);
        row->text = it[4];
        return true;
    }
    return false;
}

bool ParseHistoryReply(const QString& reply, SmsRow* row)
{
    const QStringList it = items(reply);
    if (it.size() == 1) return fromPdu(it[0].toLatin1().toStdString(), row).isEmpty();
    if (it.size() == 3) {
        row->sender = it[0];
        row->date = SmsDateWithoutZone(it[1]);
        row->text = it[2];
        return true;
    }
    return false;
}

// ---- grid

CZRMobileSMSGrid::CZRMobileSMSGrid(QWidget* parent, const QString& name, bool withDate)
    : QWidget(parent), m_withDate(withDate)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(name);
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAlternatingRowColors(true);
    m_tree->setStyleSheet(
        QStringLiteral("QTreeWidget { background: rgb(241,255,213); alternate-background-color: "
                       "rgb(223,240,200); color: rgb(0,30,0); }"
                       "QHeaderView::section { background: rgb(110,132,77); color: white; "
                       "font-weight: 600; padding: 3px; }"));
    m_tree->setColumnCount(withDate ? 3 : 1);
    if (withDate) {
        column(m_tree, 0, IDS_COL_SENDER);
        column(m_tree, 1, IDS_COL_MESSAGE);
        column(m_tree, 2, IDS_COL_DATE);
    } else {
        m_tree->headerItem()->setText(0, QStringLiteral("Template"));
    }
    layout->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { emit opened(m_tree->indexOfTopLevelItem(item)); });
}

void CZRMobileSMSGrid::Clear()
{
    m_tree->clear();
    m_rows.clear();
}

void CZRMobileSMSGrid::Append(const SmsRow& row)
{
    auto* item = new QTreeWidgetItem(m_tree);
    QString oneLine = row.text;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    item->setText(0, row.sender);
    item->setText(1, oneLine);
    item->setText(2, row.date);
    item->setToolTip(1, row.text);
    item->setCheckState(0, Qt::Unchecked);
    if (row.unread) {
        QFont f = m_tree->font();
        f.setWeight(QFont::DemiBold);
        for (int c = 0; c < 3; ++c)
            item->setFont(c, f);
    }
    m_rows.push_back(row);
}

void CZRMobileSMSGrid::Remove(int row)
{
    if (row < 0 || row >= Count()) return;
    delete m_tree->takeTopLevelItem(row);
    m_rows.erase(m_rows.begin() + row);
}

bool CZRMobileSMSGrid::Checked(int row) const
{
    const QTreeWidgetItem* item = m_tree->topLevelItem(row);
    return item && item->checkState(0) == Qt::Checked;
}

void CZRMobileSMSGrid::SetChecked(int row, bool checked)
{
    if (QTreeWidgetItem* item = m_tree->topLevelItem(row))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

int CZRMobileSMSGrid::FirstChecked() const
{
    for (int r = 0; r < Count(); ++r)
        if (Checked(r)) return r;
    return -1;
}

std::vector<int> CZRMobileSMSGrid::CheckedRows() const
{
    std::vector<int> rows;
    for (int r = 0; r < Count(); ++r)
        if (Checked(r)) rows.push_back(r);
    return rows;
}

// ---- message dialog

CZRMobileSMSDlg::CZRMobileSMSDlg(QWidget* parent, const SmsRow& row) : QDialog(parent)
{
    setObjectName(QStringLiteral("SmsDlg"));
    setWindowTitle(QStringLiteral("SMS"));
    auto* form = new QFormLayout(this);
    auto* sender = new QLineEdit(row.sender, this);
    sender->setReadOnly(true);
    auto* date = new QLineEdit(row.date, this);
    date->setReadOnly(true);
    auto* text = new QPlainTextEdit(row.text, this);
    text->setReadOnly(true);
    text->setMinimumSize(360, 120);
    form->addRow(QStringLiteral("Sender"), sender);
    form->addRow(QStringLiteral("Date/Time"), date);
    form->addRow(QStringLiteral("Message"), text);
    auto* buttons = new QHBoxLayout;
    auto* reply = new QPushButton(QStringLiteral("Reply"), this);
    reply->setObjectName(QStringLiteral("ReplyButton"));
    auto* del = new QPushButton(QStringLiteral("Delete"), this);
    del->setObjectName(QStringLiteral("DeleteButton"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(reply);
    buttons->addWidget(del);
    buttons->addWidget(ok);
    form->addRow(buttons);
    connect(reply, &QPushButton::clicked, this, [this] { done(kReply); });
    connect(del, &QPushButton::clicked, this, [this] { done(kDelete); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

// ---- inbox

CZRMobileSMSInboxWnd::CZRMobileSMSInboxWnd(CZRMobileWnd* owner)
    : CZRMobileTmplWnd(owner, IDS_SMS_INBOX, IDS_DESC_SMS)
{
    m_grid = control(new CZRMobileSMSGrid(this, QStringLiteral("InboxGrid"), true), IDC_INBOX_GRID);
    m_grid->setMinimumHeight(180);
    Body()->addWidget(m_grid, 1);
    auto* row = new QHBoxLayout;
    m_refresh = button(this, QStringLiteral("Refresh"), IDC_INBOX_REFRESH);
    m_delete = button(this, QStringLiteral("Delete"), IDC_INBOX_DELETE);
    m_export = button(this, QStringLiteral("Export"), IDC_INBOX_EXPORT);
    row->addStretch(1);
    row->addWidget(m_refresh);
    row->addWidget(m_delete);
    row->addWidget(m_export);
    Body()->addLayout(row);
    fillHeight(this, Body());
    connect(m_refresh, &QPushButton::clicked, this, &CZRMobileSMSInboxWnd::RefreshNow);
    connect(m_delete, &QPushButton::clicked, this, &CZRMobileSMSInboxWnd::DeleteChecked);
    connect(m_export, &QPushButton::clicked, this, &CZRMobileSMSInboxWnd::ExportChecked);
    connect(m_grid, &CZRMobileSMSGrid::opened, this, &CZRMobileSMSInboxWnd::Open);
}

void CZRMobileSMSInboxWnd::EnableControls(bool enable)
{
    m_refresh->setEnabled(enable);
    m_delete->setEnabled(enable);
    m_export->setEnabled(enable);
}

void CZRMobileSMSInboxWnd::Refresh()
{
    if (m_reloadPending && !m_listing) requestList();
}

void CZRMobileSMSInboxWnd::RefreshNow()
{
    if (m_listing) return;
    m_reloadPending = true;
    requestList();
}

void CZRMobileSMSInboxWnd::requestList()
{
    // A request parked behind the gate counts as sent: it goes out when the gate opens, unless
    // the page is left first (Leave).
    if (Owner()->SendGated(42, nullptr)) {
        m_listing = true;
        ++m_listsOutstanding;
    } else if (!Owner()->IsReady()) {
        m_listing = true;
        m_listParked = true;
    }
}

void CZRMobileSMSInboxWnd::Reset()
{
    m_grid->Clear();
    m_reloadPending = true;
    m_listing = false;
    m_listsOutstanding = 0;
    m_listParked = false;
    m_deleteParked = false;
    m_deletingRow = -1;
    m_deletedAny = false;
}

void CZRMobileSMSInboxWnd::Leave()
{
    // A listing or deletion parked behind the gate was dropped with the navigation: the next
    // visit loads again instead of waiting forever.
    if (m_listParked && Owner()->ParkedRequest() != 42) {
        m_listParked = false;
        m_listing = false;
        m_reloadPending = true;
    }
    if (m_deleteParked && Owner()->ParkedRequest() != 45) {
        m_deleteParked = false;
        m_deletingRow = -1;
    }
}

void CZRMobileSMSInboxWnd::OnMessage(const QString& text)
{
    m_listParked = false;
    if (m_reloadPending) {
        m_grid->Clear();
        m_reloadPending = false;
    }
    m_listing = false;
    SmsRow row;
    if (!ParseInboxReply(text, &row)) return;
    // A storage index names one message: a second listing on its way adds nothing twice.
    for (int r = 0; r < m_grid->Count(); ++r)
        if (m_grid->Row(r).index == row.index) return;
    m_grid->Append(row);
}

void CZRMobileSMSInboxWnd::OnListEnd()
{
    m_listParked = false;
    if (m_reloadPending) {
        m_grid->Clear();
        m_reloadPending = false;
    }
    m_listing = false;
    if (m_listsOutstanding > 0) --m_listsOutstanding;
    // Another listing is still on its way: it replaces this one rather than adding to it.
    if (m_listsOutstanding > 0) m_reloadPending = true;
}

void CZRMobileSMSInboxWnd::OnListFailed()
{
    m_listParked = false;
    m_listing = false;
    if (m_listsOutstanding > 0) --m_listsOutstanding;
}

void CZRMobileSMSInboxWnd::OnStorageChanged()
{
    // Other storages, other messages: read again now when the inbox is in sight, else when it is
    // shown next, so that a hidden inbox does not hold the gate against the page that changed it.
    m_reloadPending = true;
    if (isVisible() && !m_listing) requestList();
}

void CZRMobileSMSInboxWnd::Open(int row)
{
    if (row < 0 || row >= m_grid->Count()) return;
    const SmsRow message = m_grid->Row(row);
    const QString index = QString::number(message.index);
    Owner()->SendNow(43, &index);
    if (message.unread) {
        // The row is shown as read from now on.
        QTreeWidgetItem* item = m_grid->Tree()->topLevelItem(row);
        for (int c = 0; c < 3; ++c)
            item->setFont(c, m_grid->Tree()->font());
    }
    QPointer<CZRMobileSMSInboxWnd> self(this);
    CZRMobileSMSDlg dlg(this, message);
    const int result = dlg.exec();
    if (!self) return;
    if (result == CZRMobileSMSDlg::kDelete) {
        // The row that was open, found again: replies may have changed the grid meanwhile.
        for (int r = 0; r < m_grid->Count(); ++r)
            if (m_grid->Row(r).index == message.index && m_grid->Row(r).text == message.text) {
                m_grid->SetChecked(r, true);
                if (m_deletingRow < 0) deleteNext();
                break;
            }
    } else if (result == CZRMobileSMSDlg::kReply) {
        emit replyTo(message.sender);
    }
    m_grid->Tree()->viewport()->update();
}

void CZRMobileSMSInboxWnd::DeleteChecked()
{
    if (m_grid->FirstChecked() < 0 || m_deletingRow >= 0) return;
    if (Owner()->Message(MobileString(IDS_SURE_DELETE), IDS_SMS_INBOX, QString(), MB_ICONQUESTION,
                         MB_OKCANCEL) != IDOK)
        return;
    deleteNext();
}

void CZRMobileSMSInboxWnd::deleteNext()
{
    // The cursor takes the first checked row each time: deleted rows are gone and failed ones
    // unchecked, so every checked row is tried once.
    m_deletingRow = m_grid->FirstChecked();
    if (m_deletingRow < 0) {
        // One reload after the run, so that the check marks of the rest survive until it ends.
        if (m_deletedAny) {
            m_deletedAny = false;
            RefreshNow();
        }
        return;
    }
    const QString index = QString::number(m_grid->Row(m_deletingRow).index);
    if (Owner()->SendGated(45, &index)) return;
    if (Owner()->IsReady())
        m_deletingRow = -1; // nothing went out: the run ends here, the marks stay
    else
        m_deleteParked = true;
}

void CZRMobileSMSInboxWnd::OnDeleted()
{
    m_deleteParked = false;
    if (m_deletingRow < 0) {
        RefreshNow();
        return;
    }
    m_grid->SetChecked(m_deletingRow, false);
    m_grid->Remove(m_deletingRow);
    m_deletedAny = true;
    deleteNext();
}

void CZRMobileSMSInboxWnd::OnDeleteFailed()
{
    m_deleteParked = false;
    if (m_deletingRow < 0) return;
    m_grid->SetChecked(m_deletingRow, false);
    deleteNext();
}

void CZRMobileSMSInboxWnd::ExportChecked()
{
    const std::vector<int> rows = m_grid->CheckedRows();
    if (rows.empty()) return;
    if (Owner()->Message(MobileString(IDS_SURE_EXPORT), IDS_SMS_INBOX, QString(), MB_ICONQUESTION,
                         MB_OKCANCEL) != IDOK)
        return;
    std::vector<SmsRow> moved;
    for (int r : rows)
        moved.push_back(m_grid->Row(r));
    for (const SmsRow& m : moved) {
        const QString text =
            m.pdu.isEmpty() ? QStringLiteral("%1 \"%2\" \"%3\" \"%4\"")
                                  .arg(m.index)
                                  .arg(EscapeSmsText(m.sender), EscapeSmsText(m.date), EscapeSmsText(m.text))
                            : QStringLiteral("%1 %2").arg(m.index).arg(m.pdu);
        Owner()->SendNow(48, &text);
    }
    Owner()->SendNow(49, nullptr);
    // The moved messages' slots are free now: their rows go at once, and the list is read again.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        m_grid->Remove(*it);
    if (m_listing)
        m_reloadPending = true;
    else
        RefreshNow();
}

// ---- history

CZRMobileSMSHistoryWnd::CZRMobileSMSHistoryWnd(CZRMobileWnd* owner)
    : CZRMobileTmplWnd(owner, IDS_SMS_HISTORY, IDS_DESC_SMS_HISTORY)
{
    m_grid = new CZRMobileSMSGrid(this, QStringLiteral("HistoryGrid"), true);
    m_grid->setMinimumHeight(180);
    Body()->addWidget(m_grid, 1);
    auto* row = new QHBoxLayout;
    m_delete = button(this, QStringLiteral("Delete"), IDC_HISTORY_DELETE);
    row->addStretch(1);
    row->addWidget(m_delete);
    Body()->addLayout(row);
    fillHeight(this, Body());
    connect(m_delete, &QPushButton::clicked, this, &CZRMobileSMSHistoryWnd::DeleteChecked);
    connect(m_grid, &CZRMobileSMSGrid::opened, this, &CZRMobileSMSHistoryWnd::Open);
}

void CZRMobileSMSHistoryWnd::EnableControls(bool enable)
{
    m_delete->setEnabled(enable);
}

void CZRMobileSMSHistoryWnd::Refresh()
{
    m_reload = true;
    Owner()->SendNow(50, nullptr);
}

void CZRMobileSMSHistoryWnd::Reset()
{
    m_grid->Clear();
    m_reload = false;
}

void CZRMobileSMSHistoryWnd::OnEntry(const QString& text)
{
    if (m_reload) {
        m_grid->Clear();
        m_reload = false;
    }
    SmsRow row;
    if (!ParseHistoryReply(text, &row)) {
        // The entry keeps its place in the numbering even when it cannot be shown.
        row = SmsRow{};
        row.text = QStringLiteral("(unreadable entry)");
    }
    row.index = m_grid->Count() + 1;
    m_grid->Append(row);
}

void CZRMobileSMSHistoryWnd::OnListEnd()
{
    if (m_reload) m_grid->Clear();
    m_reload = false;
}

void CZRMobileSMSHistoryWnd::OnFailed()
{
    m_reload = false;
}

void CZRMobileSMSHistoryWnd::deleteEntries(std::vector<int> numbers)
{
    // Highest first: removing an entry renumbers only those after it.
    std::sort(numbers.begin(), numbers.end(), std::greater<int>());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (int n : numbers) {
        const QString text = QString::number(n);
        Owner()->SendNow(51, &text);
    }
    for (int n : numbers)
        m_grid->Remove(n - 1);
    Refresh();
}

void CZRMobileSMSHistoryWnd::DeleteChecked()
{
    const std::vector<int> rows = m_grid->CheckedRows();
    if (rows.empty()) return;
    if (Owner()->Message(MobileString(IDS_SURE_DELETE), IDS_SMS_HISTORY, QString(), MB_ICONQUESTION,
                         MB_OKCANCEL) != IDOK)
        return;
    std::vector<int> numbers;
    for (int r : rows)
        numbers.push_back(m_grid->Row(r).index);
    deleteEntries(numbers);
}

void CZRMobileSMSHistoryWnd::Open(int row)
{
    if (row < 0 || row >= m_grid->Count()) return;
    const SmsRow entry = m_grid->Row(row);
    QPointer<CZRMobileSMSHistoryWnd> self(this);
    CZRMobileSMSDlg dlg(this, entry);
    const int result = dlg.exec();
    if (!self) return;
    if (result == CZRMobileSMSDlg::kDelete) {
        // Only while the list still numbers the entry as it did when it was opened.
        if (row < m_grid->Count() && m_grid->Row(row).index == entry.index &&
            m_grid->Row(row).text == entry.text)
            deleteEntries({entry.index});
    } else if (result == CZRMobileSMSDlg::kReply) {
        emit replyTo(entry.sender);
    }
}

// ---- message edit

CZRMobileSMSEdit::CZRMobileSMSEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("MessageEdit"));
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &CZRMobileSMSEdit::onChanged);
}

bool CZRMobileSMSEdit::HasWide(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 127) return true;
    return false;
}

void CZRMobileSMSEdit::onChanged()
{
    if (m_inChange) return;
    const QString text = toPlainText();
    const bool wide = HasWide(text);
    QString refused;
    if (wide && !m_unicodeAllowed)
        refused = QStringLiteral("This agent sends plain ASCII only: the character was refused.");
    else if (text.size() > (wide ? kMaxWideLimit : kMaxTextLimit))
        refused = wide && !m_wide
                      ? QStringLiteral("A character beyond ASCII limits the message to %1 characters; "
                                       "the text has %2, so it was refused.")
                            .arg(kMaxWideLimit)
                            .arg(text.size())
                      : QStringLiteral("The message is full: at most %1 characters.")
                            .arg(wide ? kMaxWideLimit : kMaxTextLimit);
    if (!refused.isEmpty()) {
        // Back to the last text that fitted, with the cursor where it was.
        m_inChange = true;
        setPlainText(m_accepted);
        QTextCursor c = textCursor();
        c.setPosition(std::min<int>(m_acceptedCursor, int(m_accepted.size())));
        setTextCursor(c);
        m_inChange = false;
        emit stateChanged(m_limit - int(m_accepted.size()), refused);
        return;
    }
    m_wide = wide;
    m_limit = wide ? kMaxWideLimit : kMaxTextLimit;
    m_accepted = text;
    m_acceptedCursor = textCursor().position();
    emit stateChanged(m_limit - int(text.size()), QString());
}

bool CZRMobileSMSEdit::PutText(const QString& text, QString* note)
{
    QString taken = text;
    const bool wide = HasWide(text);
    if (wide && !m_unicodeAllowed) {
        *note = QStringLiteral("This agent sends plain ASCII only: the text was not taken.");
        return false;
    }
    if (wide) {
        // The ASCII part before the first wide character may fill a plain message; otherwise the
        // wide text is cut to what UCS-2 carries.
        qsizetype p = 0;
        while (text[p].unicode() <= 127)
            ++p;
        if (p > kMaxWideLimit)
            taken = text.left(std::min<qsizetype>(p, kMaxTextLimit));
        else
            taken = text.left(kMaxWideLimit);
    } else {
        taken = text.left(kMaxTextLimit);
    }
    // A cut never splits a surrogate pair.
    if (!taken.isEmpty() && taken.back().isHighSurrogate()) taken.chop(1);
    *note = taken.size() < text.size()
                ? QStringLiteral("The text was cut to %1 of its %2 characters to fit one message.")
                      .arg(taken.size())
                      .arg(text.size())
                : QString();
    m_inChange = true;
    setPlainText(taken);
    m_inChange = false;
    m_wide = HasWide(taken);
    m_limit = m_wide ? kMaxWideLimit : kMaxTextLimit;
    m_accepted = taken;
    m_acceptedCursor = int(taken.size());
    moveCursor(QTextCursor::End);
    emit stateChanged(m_limit - int(taken.size()), *note);
    return true;
}

// ---- edit page

CZRMobileSMSEditWnd::CZRMobileSMSEditWnd(CZRMobileWnd* owner)
    : CZRMobileTmplWnd(owner, IDS_SMS_EDIT, IDS_DESC_SMS_EDIT)
{
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(new QLabel(QStringLiteral("Phone Number:"), this));
    m_number = control(new QLineEdit(this), IDC_EDIT_NUMBER);
    m_number->setMaxLength(64);
    numberRow->addWidget(m_number, 1);
    m_phoneBook = button(this, QStringLiteral("Phone Book"), IDC_EDIT_PHONEBOOK);
    numberRow->addWidget(m_phoneBook);
    Body()->addLayout(numberRow);
    auto* messageRow = new QHBoxLayout;
    messageRow->addWidget(new QLabel(QStringLiteral("Message:"), this));
    messageRow->addStretch(1);
    m_counter = control(new QLabel(QStringLiteral("Counter: 140"), this), IDC_EDIT_COUNTER);
    QFont bold = m_counter->font();
    bold.setBold(true);
    m_counter->setFont(bold);
    messageRow->addWidget(m_counter);
    Body()->addLayout(messageRow);
    m_message = new CZRMobileSMSEdit(this);
    m_message->setProperty("controlId", IDC_EDIT_MESSAGE);
    m_message->setMinimumHeight(120);
    Body()->addWidget(m_message, 1);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("EditNote"));
    m_note->setWordWrap(true);
    m_note->setStyleSheet(QStringLiteral("color: rgb(160,30,30);"));
    Body()->addWidget(m_note);
    auto* buttons = new QHBoxLayout;
    m_template = button(this, QStringLiteral("Template"), IDC_EDIT_TEMPLATE);
    auto* menu = new QMenu(m_template);
    menu->addAction(QStringLiteral("&Add to Template"), this, &CZRMobileSMSEditWnd::AddToTemplate);
    menu->addAction(QStringLiteral("&Read from Template"), this, &CZRMobileSMSEditWnd::ReadFromTemplate);
    m_template->setMenu(menu);
    m_send = button(this, QStringLiteral("Send"), IDC_EDIT_SEND);
    buttons->addStretch(1);
    buttons->addWidget(m_template);
    buttons->addWidget(m_send);
    Body()->addLayout(buttons);
    fillHeight(this, Body());
    connect(m_send, &QPushButton::clicked, this, &CZRMobileSMSEditWnd::Send);
    connect(m_phoneBook, &QPushButton::clicked, this, &CZRMobileSMSEditWnd::PickContact);
    connect(m_message, &CZRMobileSMSEdit::stateChanged, this, [this](int left, const QString& note) {
        m_counter->setText(QStringLiteral("Counter: %1").arg(left));
        m_note->setText(note);
    });
}

void CZRMobileSMSEditWnd::EnableControls(bool enable)
{
    m_phoneBook->setEnabled(enable);
    m_template->setEnabled(enable);
    m_send->setEnabled(enable);
}

void CZRMobileSMSEditWnd::Reset()
{
    m_number->clear();
    QString note;
    m_message->PutText(QString(), &note);
}

void CZRMobileSMSEditWnd::SetPduMode(bool pdu)
{
    m_pduMode = pdu;
    m_message->SetUnicodeAllowed(pdu);
}

void CZRMobileSMSEditWnd::PickContact()
{
    CZRMobilePBWnd* book = Owner()->PbPage();
    if (book == nullptr) return;
    CZRMobilePBDlg dlg(this, CZRMobilePBDlg::Picker, book->Contacts());
    dlg.FollowPage(book);
    // A phone book never listed yet is asked for, and fills the picker when it arrives.
    if (book->Contacts().isEmpty()) book->Refresh();
    QPointer<CZRMobileSMSEditWnd> self(this);
    if (dlg.exec() != QDialog::Accepted || !self || dlg.ChosenNumber().isEmpty()) return;
    m_number->setText(dlg.ChosenNumber());
}

void CZRMobileSMSEditWnd::SetRecipient(const QString& number)
{
    m_number->setText(number);
    QString note;
    m_message->PutText(QString(), &note);
}

bool CZRMobileSMSEditWnd::PutMessage(const QString& text)
{
    QString note;
    const bool taken = m_message->PutText(text, &note);
    m_note->setText(note);
    return taken;
}

void CZRMobileSMSEditWnd::Send()
{
    const QString number = m_number->text();
    if (number.isEmpty()) return;
    const QString why = QString::fromStdString(tarn::sms::CheckRecipient(number.toStdString()));
    if (!why.isEmpty()) {
        Owner()->Message(QStringLiteral("The message was not sent: %1").arg(why), IDS_SMS_EDIT, QString(),
                         MB_ICONERROR, MB_OK);
        return;
    }
    const QString text = m_message->toPlainText();
    if (text.isEmpty() && Owner()->Message(MobileString(IDS_SURE_EMPTY_SMS), IDS_SMS_EDIT, QString(),
                                           MB_ICONQUESTION, MB_OKCANCEL) != IDOK)
        return;
    QString request;
    if (m_pduMode) {
        tarn::sms::Message msg;
        msg.peer = number.toStdString();
        if (m_message->Wide()) {
            msg.coding = tarn::sms::Coding::Ucs2;
            msg.wideText = text.toStdU16String();
        } else {
            msg.coding = tarn::sms::Coding::Octet8;
            msg.text = text.toLatin1().toStdString();
        }
        msg.textLength = int(text.size());
        const tarn::sms::Encoded e = tarn::sms::EncodeSubmit(msg);
        if (e.tpduLength < 0) {
            Owner()->Message(
                QStringLiteral("The message was not sent: %1").arg(QString::fromStdString(e.error)),
                IDS_SMS_EDIT, QString(), MB_ICONERROR, MB_OK);
            return;
        }
        request = QStringLiteral("%1 %2").arg(e.tpduLength).arg(QString::fromStdString(e.pdu));
    } else {
        auto quote = [](QString s) {
            s.replace(u'\\', QStringLiteral("\\\\"));
            s.replace(u'"', QStringLiteral("\\\""));
            return s;
        };
        request = QStringLiteral("\"%1\" \"%2\"").arg(quote(number), quote(text));
    }
    Owner()->SendGated(44, &request);
}

void CZRMobileSMSEditWnd::AddToTemplate()
{
    const QString text = m_message->toPlainText();
    if (text.isEmpty()) {
        Owner()->Message(MobileString(IDS_TEMPLATE_EMPTY), IDS_SMS_TEMPLATE, QString(), MB_ICONERROR, MB_OK);
        return;
    }
    const QString why = TemplateTooLong(text);
    if (!why.isEmpty()) {
        Owner()->Message(why, IDS_SMS_TEMPLATE, QString(), MB_ICONERROR, MB_OK);
        return;
    }
    const QString request = QStringLiteral("0 \"%1\"").arg(EscapeSmsText(text));
    Owner()->SendNow(53, &request);
}

void CZRMobileSMSEditWnd::ReadFromTemplate()
{
    if (m_picker) return;
    QPointer<CZRMobileSMSEditWnd> self(this);
    CZRMobileTmplListDlg dlg(this);
    m_picker = &dlg;
    emit listTemplates();
    const int result = dlg.exec();
    if (!self) return;
    m_picker = nullptr;
    if (result == QDialog::Accepted) PutMessage(dlg.Picked());
}

void CZRMobileSMSEditWnd::OnTemplates(const QStringList& templates, bool complete)
{
    if (!m_picker) return;
    m_picker->Fill(templates);
    if (complete && templates.isEmpty())
        Owner()->Message(MobileString(IDS_NO_TEMPLATE), IDS_SMS_TEMPLATE, QString(), MB_ICONINFORMATION,
                         MB_OK);
}

// ---- template dialogs

CZRMobileTmplDlg::CZRMobileTmplDlg(QWidget* parent, const QString& text, bool existing) : QDialog(parent)
{
    setObjectName(QStringLiteral("TmplDlg"));
    setWindowTitle(QStringLiteral("SMS Template"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Template"), this));
    m_text = control(new QPlainTextEdit(text, this), IDC_TMPL_TEXT);
    m_text->setMinimumSize(360, 120);
    layout->addWidget(m_text);
    auto* row = new QHBoxLayout;
    auto add = [&](const QString& caption, const QString& name, int result) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    row->addStretch(1);
    add(QStringLiteral("&Save"), QStringLiteral("SaveButton"), kSave);
    add(QStringLiteral("&Delete"), QStringLiteral("DeleteButton"), kDelete)->setEnabled(existing);
    add(QStringLiteral("Sen&d"), QStringLiteral("SendButton"), kSend);
    add(QStringLiteral("Cancel"), QStringLiteral("CancelButton"), QDialog::Rejected);
    layout->addLayout(row);
}

QString CZRMobileTmplDlg::Text() const
{
    return m_text->toPlainText();
}

CZRMobileTmplListDlg::CZRMobileTmplListDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TmplListDlg"));
    setWindowTitle(QStringLiteral("SMS Template List"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Double-click to select the message from the template list."), this));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("TemplateListGrid"));
    m_tree->setRootIsDecorated(false);
    m_tree->headerItem()->setText(0, QStringLiteral("Template"));
    m_tree->setMinimumSize(380, 200);
    layout->addWidget(m_tree);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        m_picked = item->data(0, Qt::UserRole).toString();
        accept();
    });
}

void CZRMobileTmplListDlg::Fill(const QStringList& templates)
{
    m_tree->clear();
    for (const QString& t : templates) {
        auto* item = new QTreeWidgetItem(m_tree);
        QString line = t;
        item->setText(0, line.replace(u'\n', u' ').replace(u'\r', u' '));
        item->setData(0, Qt::UserRole, t);
    }
}

// ---- template page

CZRMobileSMSTmplWnd::CZRMobileSMSTmplWnd(CZRMobileWnd* owner)
    : CZRMobileTmplWnd(owner, IDS_SMS_TEMPLATE, IDS_DESC_SMS_TEMPLATE)
{
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("TemplateGrid"));
    m_tree->setRootIsDecorated(false);
    m_tree->setAlternatingRowColors(true);
    m_tree->setStyleSheet(
        QStringLiteral("QTreeWidget { background: rgb(241,255,213); alternate-background-color: "
                       "rgb(223,240,200); color: rgb(0,30,0); }"
                       "QHeaderView::section { background: rgb(110,132,77); color: white; "
                       "font-weight: 600; padding: 3px; }"));
    m_tree->setColumnCount(2);
    m_tree->headerItem()->setText(0, QStringLiteral("No."));
    m_tree->headerItem()->setText(1, QStringLiteral("Template"));
    m_tree->setColumnWidth(0, 60);
    m_tree->setMinimumHeight(180);
    Body()->addWidget(m_tree, 1);
    auto* row = new QHBoxLayout;
    m_add = button(this, QStringLiteral("Add"), IDC_TMPL_ADD);
    m_delete = button(this, QStringLiteral("Delete"), IDC_TMPL_DELETE);
    row->addStretch(1);
    row->addWidget(m_add);
    row->addWidget(m_delete);
    Body()->addLayout(row);
    fillHeight(this, Body());
    connect(m_add, &QPushButton::clicked, this, &CZRMobileSMSTmplWnd::Add);
    connect(m_delete, &QPushButton::clicked, this, &CZRMobileSMSTmplWnd::DeleteChecked);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { Open(m_tree->indexOfTopLevelItem(item)); });
}

void CZRMobileSMSTmplWnd::EnableControls(bool enable)
{
    m_add->setEnabled(enable);
    m_delete->setEnabled(enable);
}

void CZRMobileSMSTmplWnd::Refresh()
{
    m_reload = true;
    Owner()->SendNow(52, nullptr);
}

void CZRMobileSMSTmplWnd::Reset()
{
    m_templates.clear();
    m_reload = false;
    fill();
}

void CZRMobileSMSTmplWnd::fill()
{
    m_tree->clear();
    for (int i = 0; i < m_templates.size(); ++i) {
        auto* item = new QTreeWidgetItem(m_tree);
        QString line = m_templates[i];
        item->setText(0, QString::number(i + 1));
        item->setText(1, line.replace(u'\n', u' ').replace(u'\r', u' '));
        item->setToolTip(1, m_templates[i]);
        item->setCheckState(0, Qt::Unchecked);
    }
}

void CZRMobileSMSTmplWnd::OnTemplate(const QString& text)
{
    if (m_reload) {
        m_templates.clear();
        m_reload = false;
    }
    const QStringList it = items(text);
    m_templates << it.value(0);
    fill();
    emit listChanged(m_templates, false);
}

void CZRMobileSMSTmplWnd::OnListEnd()
{
    if (m_reload) {
        m_templates.clear();
        fill();
    }
    m_reload = false;
    emit listChanged(m_templates, true);
}

void CZRMobileSMSTmplWnd::OnFailed()
{
    m_reload = false;
}

bool CZRMobileSMSTmplWnd::Save(int number, const QString& text)
{
    const QString why = TemplateTooLong(text);
    if (!why.isEmpty()) {
        Owner()->Message(why, IDS_SMS_TEMPLATE, QString(), MB_ICONERROR, MB_OK);
        return false;
    }
    const QString request = QStringLiteral("%1 \"%2\"").arg(number).arg(EscapeSmsText(text));
    Owner()->SendNow(53, &request);
    Refresh();
    return true;
}

void CZRMobileSMSTmplWnd::deleteNumbers(std::vector<int> numbers)
{
    // Highest first, so that no deletion renumbers one still to come.
    std::sort(numbers.begin(), numbers.end(), std::greater<int>());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (int n : numbers) {
        const QString request = QStringLiteral("%1 \"\"").arg(n);
        Owner()->SendNow(53, &request);
        if (n >= 1 && n <= m_templates.size()) m_templates.removeAt(n - 1);
    }
    fill();
    Refresh();
}

void CZRMobileSMSTmplWnd::Add()
{
    QPointer<CZRMobileSMSTmplWnd> self(this);
    QString text;
    while (true) {
        CZRMobileTmplDlg dlg(this, text, false);
        const int result = dlg.exec();
        if (!self) return;
        text = dlg.Text();
        if (result == CZRMobileTmplDlg::kSend) {
            emit forward(text);
            return;
        }
        if (result != CZRMobileTmplDlg::kSave) return;
        if (text.isEmpty()) {
            Owner()->Message(MobileString(IDS_TEMPLATE_EMPTY), IDS_SMS_TEMPLATE, QString(), MB_ICONERROR,
                             MB_OK);
            continue;
        }
        if (Save(0, text)) return;
    }
}

void CZRMobileSMSTmplWnd::Open(int row)
{
    if (row < 0 || row >= m_templates.size()) return;
    const QString original = m_templates[row];
    QPointer<CZRMobileSMSTmplWnd> self(this);
    QString text = original;
    while (true) {
        CZRMobileTmplDlg dlg(this, text, true);
        const int result = dlg.exec();
        if (!self) return;
        text = dlg.Text();
        // The numbering may have changed while the dialog was open.
        const bool same = row < m_templates.size() && m_templates[row] == original;
        if (result == CZRMobileTmplDlg::kSend) {
            emit forward(text);
            return;
        }
        if (result == CZRMobileTmplDlg::kSave) {
            if (text.isEmpty()) {
                Owner()->Message(MobileString(IDS_TEMPLATE_EMPTY), IDS_SMS_TEMPLATE, QString(), MB_ICONERROR,
                                 MB_OK);
                continue;
            }
            if (!same || Save(row + 1, text)) return;
            continue;
        }
        if (result == CZRMobileTmplDlg::kDelete) {
            if (Owner()->Message(MobileString(IDS_SURE_DELETE), IDS_SMS_TEMPLATE, QString(), MB_ICONQUESTION,
                                 MB_OKCANCEL) == IDOK &&
                same)
                deleteNumbers({row + 1});
        }
        return;
    }
}

void CZRMobileSMSTmplWnd::DeleteChecked()
{
    std::vector<int> numbers;
    for (int r = 0; r < m_tree->topLevelItemCount(); ++r)
        if (m_tree->topLevelItem(r)->checkState(0) == Qt::Checked) numbers.push_back(r + 1);
    if (numbers.empty()) return;
    deleteNumbers(numbers);
}

// ---- the SMS page

CZRMobileSMSWnd::CZRMobileSMSWnd(CZRMobileWnd* owner) : CZRMobileTmplWnd(owner, 0, 0)
{
    if (auto* title = findChild<QLabel*>(QStringLiteral("PageTitle"))) title->hide();
    m_tabs = control(new QTabWidget(this), IDC_SMS_TABS);
    m_inbox = new CZRMobileSMSInboxWnd(owner);
    m_edit = new CZRMobileSMSEditWnd(owner);
    m_templates = new CZRMobileSMSTmplWnd(owner);
    m_history = new CZRMobileSMSHistoryWnd(owner);
    m_inbox->setObjectName(QStringLiteral("SmsInbox%1").arg(IDC_SMS_INBOX));
    m_edit->setObjectName(QStringLiteral("SmsEdit%1").arg(IDC_SMS_EDIT_PAGE));
    m_templates->setObjectName(QStringLiteral("SmsTemplate%1").arg(IDC_SMS_TEMPLATE_PAGE));
    m_history->setObjectName(QStringLiteral("SmsHistory%1").arg(IDC_SMS_HISTORY_PAGE));
    m_tabs->addTab(m_inbox, QStringLiteral("Inbox"));
    m_tabs->addTab(m_edit, QStringLiteral("Edit"));
    m_tabs->addTab(m_templates, QStringLiteral("Template"));
    m_tabs->addTab(m_history, QStringLiteral("History"));
    Body()->addWidget(m_tabs, 1);
    fillHeight(this, Body());

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int) {
        if (isVisible()) Refresh();
    });
    auto reply = [this](const QString& number) {
        m_edit->SetRecipient(number);
        m_tabs->setCurrentWidget(m_edit);
    };
    connect(m_inbox, &CZRMobileSMSInboxWnd::replyTo, this, reply);
    connect(m_history, &CZRMobileSMSHistoryWnd::replyTo, this, reply);
    connect(m_templates, &CZRMobileSMSTmplWnd::forward, this, [this](const QString& text) {
        m_edit->PutMessage(text);
        m_tabs->setCurrentWidget(m_edit);
    });
    connect(m_templates, &CZRMobileSMSTmplWnd::listChanged, m_edit, &CZRMobileSMSEditWnd::OnTemplates);
    connect(m_edit, &CZRMobileSMSEditWnd::listTemplates, m_templates, &CZRMobileSMSTmplWnd::Refresh);
}

void CZRMobileSMSWnd::EnableControls(bool enable)
{
    for (CZRMobileTmplWnd* p :
         std::initializer_list<CZRMobileTmplWnd*>{m_inbox, m_edit, m_templates, m_history})
        p->EnableControls(enable);
}

void CZRMobileSMSWnd::Refresh()
{
    if (auto* page = qobject_cast<CZRMobileTmplWnd*>(m_tabs->currentWidget())) page->Refresh();
}

void CZRMobileSMSWnd::Reset()
{
    for (CZRMobileTmplWnd* p :
         std::initializer_list<CZRMobileTmplWnd*>{m_inbox, m_edit, m_templates, m_history})
        p->Reset();
}

void CZRMobileSMSWnd::hideEvent(QHideEvent* e)
{
    if (!e->spontaneous()) m_inbox->Leave();
    CZRMobileTmplWnd::hideEvent(e);
}

void CZRMobileSMSWnd::SetPduMode(bool pdu)
{
    m_edit->SetPduMode(pdu);
}

void CZRMobileSMSWnd::ShowTab(int tab)
{
    m_tabs->setCurrentIndex(tab);
}

int CZRMobileSMSWnd::CurrentTab() const
{
    return m_tabs->currentIndex();
}

bool CZRMobileSMSWnd::Receive(int code, const QString& text)
{
    switch (code) {
    case 322:
        m_inbox->OnMessage(text);
        return true;
    case 323:
        m_inbox->OnListEnd();
        return true;
    case 330:
        m_inbox->OnDeleted();
        return true;
    case 334:
        m_inbox->OnStorageChanged();
        return false; // the Configuration page takes it too
    case 340:
        m_history->OnEntry(text);
        return true;
    case 341:
        m_history->OnListEnd();
        return true;
    case 346:
        m_templates->OnTemplate(text);
        return true;
    case 347:
        m_templates->OnListEnd();
        return true;
    default:
        return false;
    }
}

bool CZRMobileSMSWnd::Failed(int wireCode)
{
    switch (wireCode) {
    case 321:
        m_inbox->OnListFailed();
        return true;
    case 329:
        m_inbox->OnDeleteFailed();
        return true;
    case 339:
    case 343:
        m_history->OnFailed();
        return true;
    case 345:
    case 349:
        m_templates->OnFailed();
        m_edit->OnTemplates(m_templates->Templates(), false);
        return true;
    default:
        return false;
    }
}
