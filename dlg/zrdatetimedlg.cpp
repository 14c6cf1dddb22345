#include "zrdatetimedlg.h"

#include "messagebox.h"
#include "resources.h"
#include "xanalogclock.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimeZone>
#include <QVBoxLayout>

namespace {
enum : int { IDS_DATETIME_SETUP = 7040, IDS_OUT_OF_RANGE = 7041 };

QDateTime naive(const QDate& d, const QTime& t)
{
    return QDateTime(d, t, Qt::UTC);
}
} // namespace

void ZRApplyDialogPalette(QWidget* dialog)
{
    QPalette pal = dialog->palette();
    pal.setColor(QPalette::Window, ZRDialogBackground());
    pal.setColor(QPalette::WindowText, QColor(0, 30, 0));
    dialog->setPalette(pal);
    dialog->setAutoFillBackground(true);
}

QDateTime CZRDateTimeDlg::RangeStart()
{
    return naive(QDate(2000, 1, 1), QTime(0, 0, 0));
}

QDateTime CZRDateTimeDlg::RangeEnd()
{
    return naive(QDate(2099, 12, 31), QTime(23, 59, 59));
}

QString CZRDateTimeDlg::WireText(const QDateTime& time)
{
    return QLocale::c().toString(time, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString CZRDateTimeDlg::DisplayText(const QDateTime& time)
{
    if (!time.isValid()) return QStringLiteral("Invalid DateTime");
    return QLocale::c().toString(time, QStringLiteral("yyyy-MMM-dd HH:mm:ss"));
}

QDateTime CZRDateTimeDlg::ParseTime(const QString& text)
{
    const QString t = text.simplified();
    if (t.isEmpty()) return {};
    // The date and the time are read apart: read as one local value, an agent's time that falls into
    // this computer's daylight-saving gap would not exist.
    static const QRegularExpression agentForm(
        QStringLiteral("^(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})[ T](\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?$"));
    const QRegularExpressionMatch m = agentForm.match(t);
    if (m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const QTime tm(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        return d.isValid() && tm.isValid() ? naive(d, tm) : QDateTime();
    }
    // The operator's locale: a date, a blank, a time.
    const QLocale sys = QLocale::system();
    for (qsizetype at = t.indexOf(u' '); at > 0; at = t.indexOf(u' ', at + 1)) {
        const QString left = t.left(at), right = t.mid(at + 1);
        for (QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
            const QDate d = sys.toDate(left, type);
            if (!d.isValid()) continue;
            for (QLocale::FormatType timeType : {QLocale::LongFormat, QLocale::ShortFormat}) {
                const QTime tm = sys.toTime(right, timeType);
                if (tm.isValid()) return naive(d, tm);
            }
        }
    }
    return {};
}

CZRDateTimeDlg::CZRDateTimeDlg(QWidget* parent, int selfDelete) : CZRAgentDlg(parent)
{
    setObjectName(QString::number(IDD));
    setAttribute(Qt::WA_DeleteOnClose, selfDelete == 0);
    setWindowTitle(LoadResString(IDS_DATETIME_SETUP));
    ZRApplyDialogPalette(this);

    m_clock = new CXAnalogClock(this);
    m_clock->setObjectName(QString::number(IDC_CLOCK));
    m_clock->setAccessibleName(tr("Clock"));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QString::number(IDC_DATE));
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QString::number(IDC_TIME));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_rtc = new QLineEdit(this);
    m_rtc->setObjectName(QString::number(IDC_RTC));
    m_rtc->setReadOnly(true);
    m_rtc->setAccessibleName(tr("RTC"));
    m_rtc->setMinimumWidth(m_rtc->fontMetrics().horizontalAdvance(QStringLiteral("0000-MMM-00 00:00:00")) +
                           16);

    auto makeButton = [this](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_apply = makeButton(IDC_APPLY, tr("&Apply"));
    m_sync = makeButton(IDC_SYNC_RTC, tr("&Sync RTC"));
    m_ok = makeButton(1, tr("OK"));
    m_ok->setDefault(true);
    m_cancel = makeButton(2, tr("Cancel"));

    auto* systemBox = new QGroupBox(tr("System time"), this);
    auto* form = new QFormLayout;
    form->addRow(tr("&Date:"), m_date);
    form->addRow(tr("&Time:"), m_time);
    m_date->setAccessibleName(tr("Date"));
    m_time->setAccessibleName(tr("Time"));
    auto* systemLay = new QVBoxLayout(systemBox);
    systemLay->addLayout(form);
    auto* applyRow = new QHBoxLayout;
    applyRow->addStretch();
    applyRow->addWidget(m_apply);
    systemLay->addLayout(applyRow);

    auto* rtcBox = new QGroupBox(tr("RTC"), this);
    auto* rtcLay = new QHBoxLayout(rtcBox);
    rtcLay->addWidget(m_rtc, 1);
    rtcLay->addWidget(m_sync);

    auto* right = new QVBoxLayout;
    right->addWidget(systemBox);
    right->addWidget(rtcBox);

    auto* clockCol = new QVBoxLayout;
    clockCol->addWidget(m_clock, 0, Qt::AlignHCenter | Qt::AlignTop);
    clockCol->addStretch();

    auto* top = new QHBoxLayout;
    top->addLayout(clockCol);
    top->addSpacing(8);
    top->addLayout(right, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addStretch();
    lay->addLayout(bottom);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
    connect(m_sync, &QPushButton::clicked, this, [this] { OnSyncRTC(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_date, &QDateEdit::dateChanged, this, [this] { operatorEdited(); });
    connect(m_time, &QTimeEdit::timeChanged, this, [this] { operatorEdited(); });
}

CZRDateTimeDlg::~CZRDateTimeDlg() = default;

QPushButton* CZRDateTimeDlg::button(int id) const
{
    switch (id) {
    case IDC_APPLY:
        return m_apply;
    case IDC_SYNC_RTC:
        return m_sync;
    case 1:
        return m_ok;
    case 2:
        return m_cancel;
    default:
        return nullptr;
    }
}

void CZRDateTimeDlg::SetApplyAction(ZRApplyAction action, void* context)
{
    m_action = action;
    m_context = context;
}

void CZRDateTimeDlg::SetActionType(int system, int rtc)
{
    m_sysCode = system;
    m_rtcCode = rtc;
}

QDateTime CZRDateTimeDlg::checkedTime(const QDateTime& value)
{
    if (!value.isValid()) return {};
    if (value >= RangeStart() && value <= RangeEnd()) return value;
    ShowMessage(this, LoadResString(IDS_OUT_OF_RANGE), LoadResString(IDS_DATETIME_SETUP), MB_ICONERROR,
                MB_OK);
    return CXAnalogClock::LocalNow();
}

void CZRDateTimeDlg::SetSYSTime(const QString& text)
{
    m_sysTime = checkedTime(ParseTime(text));
}

void CZRDateTimeDlg::SetRTCTime(const QString& text)
{
    m_rtcTime = checkedTime(ParseTime(text));
}

void CZRDateTimeDlg::SetSYSTime(int year, int month, int day, int hour, int minute, int second)
{
    m_sysTime = checkedTime(naive(QDate(year, month, day), QTime(hour, minute, second)));
}

void CZRDateTimeDlg::SetRTCTime(int year, int month, int day, int hour, int minute, int second)
{
    m_rtcTime = checkedTime(naive(QDate(year, month, day), QTime(hour, minute, second)));
}

void CZRDateTimeDlg::UpdateTime(QDateTime& time, QDateEdit* date, QTimeEdit* timeCtrl, CXAnalogClock* clock)
{
    const QTime t = timeCtrl->time();
    time = naive(date->date(), QTime(t.hour(), t.minute(), t.second()));
    SetClock(clock, time);
}

int CZRDateTimeDlg::ApplyTime(int code, const QDateTime& time)
{
    // An agent is never told a time that is none.
    if (m_action == nullptr || !time.isValid()) return 0;
    return m_action(WireText(time), code, m_context, m_key);
}

void CZRDateTimeDlg::InitClock(CXAnalogClock* clock)
{
    clock->SetBitmaps(IDB_CLOCK_FACE, IDB_CLOCK_DATE);
    // The agent's time, not this computer's.
    clock->UseSystemTime(false);
    const QSize size = clock->GetWindowSize();
    if (!size.isEmpty()) clock->setFixedSize(size);
}

void CZRDateTimeDlg::SetClock(CXAnalogClock* clock, const QDateTime& time)
{
    clock->SetTime(time);
}

void CZRDateTimeDlg::showControls(const QDateTime& time)
{
    if (!time.isValid()) return; // the controls keep what they show; the clock has no hands
    m_showing = true;
    m_date->setDate(time.date());
    m_time->setTime(time.time());
    m_showing = false;
}

void CZRDateTimeDlg::OnOpen()
{
    InitClock(m_clock);
    SetClock(m_clock, m_sysTime);
    m_showing = true;
    m_date->setDateRange(RangeStart().date(), RangeEnd().date());
    m_date->setDate(RangeStart().date());
    m_time->setTime(QTime(0, 0, 0));
    m_showing = false;
    showControls(m_sysTime);
    if (m_osType == 1) {
        m_rtcTime = m_sysTime;
        m_sync->setEnabled(false);
    }
    m_rtc->setText(DisplayText(m_rtcTime));
    m_clock->Run();
    m_timer.start();
}

QDateTime CZRDateTimeDlg::tick(const QDateTime& time)
{
    if (!time.isValid()) return time;
    const QDateTime next = time.addSecs(1);
    return next > RangeEnd() ? RangeStart() : next;
}

void CZRDateTimeDlg::OnTimer()
{
    // The agent's time runs on while the operator edits; only the controls hold still.
    m_sysTime = tick(m_sysTime);
    if (!m_edited) showControls(m_sysTime);
    m_rtcTime = tick(m_rtcTime);
    m_rtc->setText(DisplayText(m_rtcTime));
}

void CZRDateTimeDlg::operatorEdited()
{
    if (m_showing || !IsInited()) return;
    m_edited = true;
    m_clock->Stop();
    QDateTime shown;
    UpdateTime(shown, m_date, m_time, m_clock);
}

void CZRDateTimeDlg::OnApply()
{
    UpdateTime(m_sysTime, m_date, m_time, m_clock);
    ApplyTime(m_sysCode, m_sysTime);
    if (m_osType == 1) {
        m_rtcTime = m_sysTime;
        m_rtc->setText(DisplayText(m_rtcTime));
    }
    m_edited = false;
    m_clock->Run();
}

void CZRDateTimeDlg::OnSyncRTC()
{
    if (!m_sysTime.isValid()) return;
    m_rtcTime = m_sysTime;
    m_rtc->setText(DisplayText(m_rtcTime));
    ApplyTime(m_rtcCode, m_rtcTime);
}

void CZRDateTimeDlg::OnOK()
{
    QDateTime remembered;
    if (m_edited) UpdateTime(remembered, m_date, m_time, m_clock);
    // The dialog may be gone once closed: what is sent is copied first.
    const ZRApplyAction action = m_action;
    void* const context = m_context;
    const int code = m_sysCode;
    const QString key = m_key;
    m_timer.stop();
    m_clock->Stop();
    done(1);
    if (action && remembered.isValid()) action(WireText(remembered), code, context, key);
}

void CZRDateTimeDlg::OnCancel()
{
    m_timer.stop();
    m_clock->Stop();
    done(2);
}

void CZRDateTimeDlg::reject()
{
    OnCancel();
}
