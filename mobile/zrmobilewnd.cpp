#include "zrmobilewnd.h"

#include "atwnd.h"
#include "cfgwnd.h"
#include "gprswnd.h"
#include "pbwnd.h"
#include "resource.h"
#include "simwnd.h"
#include "smswnd.h"
#include "zrmobiletmplwnd.h"

#include <messagebox.h>
#include <resources.h>
#include <tokenreader.h>

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QResizeEvent>
#include <QSet>
#include <QVBoxLayout>

namespace {

QSet<const void*>& liveWindows()
{
    static QSet<const void*> live;
    return live;
}

std::u16string_view view(const QString& s)
{
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

QString item(const QString& text, int index)
{
    std::u16string out;
    if (GetTextItemEx(index, view(text), out) < 0) return QString();
    return QString::fromStdU16String(out);
}

// Replies that leave the gate as it is: list entries, the AT command's output before its end, and
// the answers to requests that never went through the gate.
bool keepsGate(int code)
{
    static const int codes[] = {312, 322, 326, 337, 340, 341, 344, 346, 347,
                                350, 352, 363, 366, 367, 372, 376, 522, 524};
    for (int c : codes)
        if (c == code) return true;
    return false;
}

const quint16 kNavigationOrder[] = {PAGE_GPRS,   PAGE_SMS,       PAGE_PHONEBOOK,
                                    PAGE_CONFIG, PAGE_ATCOMMAND, PAGE_SIM};

QString pageName(quint16 page)
{
    switch (page) {
    case PAGE_GPRS:
        return QStringLiteral("GPRS");
    case PAGE_SMS:
        return QStringLiteral("SMS");
    case PAGE_PHONEBOOK:
        return QStringLiteral("Phone Book");
    case PAGE_CONFIG:
        return QStringLiteral("Configuration");
    case PAGE_ATCOMMAND:
        return QStringLiteral("AT Command");
    default:
        return QStringLiteral("SIM Status");
    }
}

// One strip of six pictures in page order.
QIcon navigationIcon(const QPixmap& strip, quint16 page)
{
    if (strip.isNull()) return QIcon();
    return QIcon(strip.copy(int(page) * 32, 0, 32, 32));
}

} // namespace

bool IsGatedWireCode(int code)
{
    static const int codes[] = {301, 303, 305, 307, 309, 313, 315, 317, 319, 321,
                                327, 329, 331, 333, 351, 355, 357, 359, 371};
    for (int c : codes)
        if (c == code) return true;
    return false;
}

CZRMobileWnd::CZRMobileWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MobileWnd%1").arg(IDC_MOBILE_WND));
    setAccessibleName(QStringLiteral("Mobile"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Background());
    setPalette(pal);
    liveWindows().insert(this);

    m_sim = new CZRMobileSIMWnd(this);
    m_gprs = new CZRMobileGPRSWnd(this);
    m_sms = new CZRMobileSMSWnd(this);
    m_pb = new CZRMobilePBWnd(this);
    m_atc = new CZRMobileATCWnd(this);
    m_cfg = new CZRMobileCfgWnd(this);
    m_pages = {{PAGE_SIM, m_sim},      {PAGE_GPRS, m_gprs},     {PAGE_SMS, m_sms},
               {PAGE_PHONEBOOK, m_pb}, {PAGE_ATCOMMAND, m_atc}, {PAGE_CONFIG, m_cfg}};
    int control = IDC_PAGE_SIM;
    for (const _WndHandler& p : m_pages) {
        p.wnd->setObjectName(QStringLiteral("MobilePage%1").arg(control++));
        p.wnd->setAccessibleName(pageName(p.id));
        p.wnd->hide();
    }

    // The navigation bar: a header and the group's items.
    m_strip = LoadResBitmap(IDB_NAVIGATION, QSize(192, 32));
    m_navigation = new QWidget(this);
    m_navigation->setObjectName(QStringLiteral("Navigation%1").arg(IDC_NAVIGATION));
    m_navigation->setAccessibleName(QStringLiteral("Mobile functions"));
    auto* column = new QVBoxLayout(m_navigation);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_navigationHeader = new QLabel(MobileString(IDS_MOBILE), m_navigation);
    m_navigationHeader->setFixedHeight(24);
    m_navigationHeader->setAlignment(Qt::AlignCenter);
    m_navigationHeader->setStyleSheet(
        QStringLiteral("background: rgb(110,132,77); color: white; font-weight: 600;"));
    m_items = new QListWidget(m_navigation);
    m_items->setObjectName(QStringLiteral("NavigationItems"));
    m_items->setViewMode(QListView::IconMode);
    m_items->setFlow(QListView::TopToBottom);
    m_items->setMovement(QListView::Static);
    m_items->setWrapping(false);
    m_items->setIconSize(QSize(32, 32));
    m_items->setGridSize(QSize(104, 64));
    m_items->setStyleSheet(
        QStringLiteral("QListWidget { background: rgb(168,187,138); color: rgb(0,30,0); }"));
    column->addWidget(m_navigationHeader);
    column->addWidget(m_items, 1);
    connect(m_items, &QListWidget::itemClicked, this, &CZRMobileWnd::onItemActivated);
    connect(m_items, &QListWidget::itemActivated, this, &CZRMobileWnd::onItemActivated);
    for (quint16 page : kNavigationOrder) {
        auto* it = new QListWidgetItem(navigationIcon(m_strip, page), pageName(page), m_items);
        it->setData(Qt::UserRole, int(page));
    }
    m_items->setCurrentRow(5);
}

CZRMobileWnd::~CZRMobileWnd()
{
    liveWindows().remove(this);
}

bool CZRMobileWnd::IsLive(const void* handle)
{
    return handle != nullptr && liveWindows().contains(handle);
}

void CZRMobileWnd::SetVersion(const QString& version)
{
    // Major, minor and patch from their leading digits; missing ones count as 0.
    int numbers[3] = {0, 0, 0};
    const QStringList parts = version.split(u'.');
    for (int i = 0; i < 3 && i < parts.size(); ++i) {
        int v = 0;
        for (QChar c : parts[i]) {
            if (!c.isDigit() || v > 100000) break;
            v = v * 10 + c.digitValue();
        }
        numbers[i] = v;
    }
    m_newAgent = numbers[0] > 2 || (numbers[0] == 2 && numbers[1] > 1) ||
                 (numbers[0] == 2 && numbers[1] == 1 && numbers[2] >= 1);
    m_sms->SetPduMode(m_newAgent);
}

void CZRMobileWnd::SetSendMessageCB(ZRSendMessageCB cb, void* mainWnd, void* context)
{
    m_callback = cb;
    m_mainWnd = mainWnd;
    m_context = context;
}

int CZRMobileWnd::call(int number, const QString* text)
{
    if (m_callback == nullptr) return 0;
    // Copies: the page's text and the nick may change while the console handles the request.
    const QString copy = text ? *text : QString();
    const QString nick = m_nick;
    return m_callback(text ? reinterpret_cast<const char16_t*>(copy.utf16()) : nullptr, number, m_context,
                      reinterpret_cast<const char16_t*>(nick.utf16()));
}

bool CZRMobileWnd::SendGated(int number, const QString* text)
{
    if (!m_ready) {
        // The latest request waits for the gate; an earlier parked one is dropped.
        m_parkedNumber = number;
        m_parkedHasText = text != nullptr;
        m_parkedText = text ? *text : QString();
        return false;
    }
    if (call(number, text) == 0) return false;
    m_ready = false;
    enableAll(false);
    return true;
}

bool CZRMobileWnd::SendNow(int number, const QString* text)
{
    return call(number, text) != 0;
}

void CZRMobileWnd::sendParked()
{
    if (m_parkedNumber == 0) return;
    const int number = m_parkedNumber;
    const QString text = m_parkedText;
    const bool hasText = m_parkedHasText;
    // Cleared first: the request goes out once, whatever the send does.
    m_parkedNumber = 0;
    m_parkedText.clear();
    m_parkedHasText = false;
    SendGated(number, hasText ? &text : nullptr);
}

void CZRMobileWnd::enableAll(bool enable)
{
    for (const _WndHandler& p : m_pages)
        static_cast<CZRMobileTmplWnd*>(p.wnd)->EnableControls(enable);
}

void CZRMobileWnd::EnableATRelated(bool enable)
{
    m_ready = enable;
    enableAll(enable);
}

void CZRMobileWnd::ReceiveMessage(quint16 code, const QString& key, const QString& text)
{
    if (key != m_nick || m_nick.isEmpty()) return;
    QPointer<CZRMobileWnd> self(this);
    bool reopen = !keepsGate(code);
    if (code == 999) reopen = IsGatedWireCode(item(text, 0).toInt());
    if (code == 373) {
        // The command has ended or the modem prompts: a continuation goes before anything parked.
        m_ready = true;
        enableAll(true);
        const bool continued = m_atc->OnEnd();
        if (self && !continued) sendParked();
        return;
    }
    if (reopen) {
        m_ready = true;
        enableAll(true);
        sendParked();
        if (!self) return;
    }
    switch (code) {
    case 302: {
        // The state and, for a locked card, the tries left; a text that is no number is unknown.
        const QString state = item(text, 0);
        bool ok = false;
        const int value = state.toInt(&ok);
        bool triesOk = false;
        const int tries = item(text, 1).toInt(&triesOk);
        m_sim->OnStatus(ok ? value : CZRMobileSIMWnd::kUnknown, triesOk && tries >= 0 ? tries : -1);
        break;
    }
    case 304:
        m_sim->ApplyState(0, false);
        break;
    case 308:
        m_cfg->OnPinLock(text);
        break;
    case 310:
        m_cfg->OnPinLockSet();
        break;
    case 332:
        m_cfg->OnSmsStorage(item(text, 0), item(text, 1));
        break;
    case 334:
        m_cfg->OnSmsStorageSet();
        m_sms->Receive(code, text);
        break;
    case 358:
        m_cfg->OnPbStorage(item(text, 0));
        break;
    case 360:
        m_cfg->OnPbStorageSet();
        break;
    case 312:
        m_gprs->OnState(item(text, 0), item(text, 1));
        break;
    case 314:
        m_gprs->OnConnectDone();
        if (m_current == PAGE_GPRS && m_gprs->Connected() && !m_restrictedModel) SendGated(41, nullptr);
        break;
    case 316:
        m_gprs->OnDiagnosis(item(text, 0));
        break;
    case 318:
        m_gprs->OnReconnectDone();
        break;
    case 320:
        m_gprs->OnNetwork(item(text, 0), item(text, 1), item(text, 2));
        break;
    case 522:
        m_gprs->OnBootState(item(text, 0));
        break;
    case 524:
        m_gprs->OnBootDone();
        break;
    case 352:
        m_pb->OnContact(text);
        break;
    case 353:
        m_pb->OnListEnd();
        break;
    case 356:
        m_pb->OnSaved();
        break;
    case 366:
        m_pb->OnImportLine(text);
        break;
    case 367:
        m_pb->OnImportEnd();
        break;
    case 328:
        Message(MobileString(IDS_SMS_SENT), -1, QStringLiteral("SMS_Edit - ") + key.section(u'|', 1),
                MB_ICONINFORMATION, MB_OK);
        break;
    case 363:
        Message(MobileString(IDS_PB_EXPORTED), IDS_PB_TITLE, key.section(u'|', 1), MB_ICONINFORMATION, MB_OK);
        break;
    case 372:
        m_atc->OnOutput(text);
        break;
    case 999:
        onError(key, text);
        break;
    default:
        m_sms->Receive(code, text);
        // Replies of the pages that come with later work.
        break;
    }
}

void CZRMobileWnd::onError(const QString& key, const QString& text)
{
    const int failed = item(text, 0).toInt();
    switch (failed) {
    case 301:
        m_sim->ApplyState(-1, false);
        break;
    case 303: {
        bool ok = false;
        const int tries = item(text, 2).toInt(&ok);
        m_sim->OnCodeRefused(ok && tries >= 0 ? tries : -1);
        break;
    }
    case 331:
    case 333:
        m_cfg->OnSmsStorageFailed();
        break;
    case 359:
        m_cfg->OnPbStorageFailed();
        break;
    case 317:
        m_gprs->OnReconnectFailed();
        break;
    case 375:
        m_gprs->OnAccessPointFailed();
        break;
    case 351:
        m_pb->OnListFailed();
        break;
    case 355:
        m_pb->OnSaveFailed();
        break;
    case 365:
        m_pb->OnImportFailed();
        break;
    case 325:
        return; // no box either
    default:
        m_sms->Failed(failed);
        break;
    }
    // The agent's message is shown as it is: it is never a format.
    const QString message = item(text, 1);
    if (message.isEmpty()) return;
    Message(message, IDS_ERROR, key.section(u'|', 1), MB_ICONERROR, MB_OK);
}

int CZRMobileWnd::Message(const QString& text, int captionId, const QString& detail, unsigned icon,
                          unsigned buttons)
{
    const QString base = captionId > 0 ? MobileString(captionId) : QString();
    const QString caption = detail.isEmpty() ? base
                            : base.isEmpty() ? detail
                                             : base + QStringLiteral(" - ") + detail;
    QPointer<CZRMobileWnd> self(this);
    m_messageBoxOpen = true;
    const int answer = ShowMessage(this, text, caption, icon, buttons);
    if (self) m_messageBoxOpen = false;
    return answer;
}

void CZRMobileWnd::Init()
{
    m_familyModel = m_model.contains(QStringLiteral("K7"));
    m_restrictedModel = m_model.contains(QStringLiteral("K7230"));
    m_gprs->SetFamilyModel(m_familyModel);
    m_cfg->SetRestrictedModel(m_restrictedModel);
    ShowPage(PAGE_SIM);
}

void CZRMobileWnd::Reset()
{
    m_nick.clear();
    // A request parked for the agent shown so far must not go out for the next one.
    m_parkedNumber = 0;
    m_parkedText.clear();
    m_parkedHasText = false;
    for (const _WndHandler& p : m_pages)
        static_cast<CZRMobileTmplWnd*>(p.wnd)->Reset();
}

CZRMobileTmplWnd* CZRMobileWnd::page(quint16 id) const
{
    for (const _WndHandler& p : m_pages)
        if (p.id == id) return static_cast<CZRMobileTmplWnd*>(p.wnd);
    return nullptr;
}

void CZRMobileWnd::ShowPage(quint16 id)
{
    CZRMobileTmplWnd* next = page(id);
    if (next == nullptr) return;
    m_parkedNumber = 0;
    m_parkedText.clear();
    m_parkedHasText = false;
    if (CZRMobileTmplWnd* shown = page(m_current)) shown->hide();
    m_current = id;
    QPointer<CZRMobileTmplWnd> guard(next);
    next->Refresh();
    if (!guard) return;
    next->show();
    for (int i = 0; i < m_items->count(); ++i)
        if (m_items->item(i)->data(Qt::UserRole).toInt() == int(id)) {
            const QSignalBlocker block(m_items);
            m_items->setCurrentRow(i);
        }
}

void CZRMobileWnd::onItemActivated(QListWidgetItem* it)
{
    if (it == nullptr) return;
    ShowPage(quint16(it->data(Qt::UserRole).toInt()));
}

void CZRMobileWnd::OnSimReady(bool ready)
{
    rebuildNavigation(ready);
}

void CZRMobileWnd::rebuildNavigation(bool simReady)
{
    if (m_items == nullptr) return; // the pages' first state comes before the bar exists
    const QSignalBlocker block(m_items);
    m_items->clear();
    std::vector<quint16> offered;
    if (simReady) {
        offered.push_back(PAGE_GPRS);
        if (!m_restrictedModel) offered.insert(offered.end(), {PAGE_SMS, PAGE_PHONEBOOK, PAGE_CONFIG});
    }
    offered.insert(offered.end(), {PAGE_ATCOMMAND, PAGE_SIM});
    for (quint16 p : offered) {
        auto* it = new QListWidgetItem(navigationIcon(m_strip, p), pageName(p), m_items);
        it->setData(Qt::UserRole, int(p));
        if (p == m_current) m_items->setCurrentItem(it);
    }
    if (std::find(offered.begin(), offered.end(), m_current) == offered.end()) m_items->setCurrentRow(-1);
}

void CZRMobileWnd::resizeEvent(QResizeEvent* e)
{
    const QRect client = QRect(QPoint(0, 0), e->size()).adjusted(1, 1, -1, -1);
    const int navWidth = qMin(110, client.width());
    m_navigation->setGeometry(client.right() - navWidth + 1, client.top(), navWidth,
                              qMax(24, client.height()));
    const QRect rest(client.left(), client.top(), qMax(0, client.width() - navWidth - 1), client.height());
    for (const _WndHandler& p : m_pages)
        p.wnd->setGeometry(rest);
    QWidget::resizeEvent(e);
}
