// An agent's system date and time and, where it has one, its real-time clock: both tick while the
// dialog is open; the operator sets the system time or copies it into the clock. Times are the
// agent's wall-clock values and carry no zone of the computer showing them.
#pragma once

#include "zragentdlg.h"
#include "zrapplyaction.h"
#include "zrdlg_global.h"

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QTimer>

class CXAnalogClock;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

class ZRDLGU_EXPORT CZRDateTimeDlg : public CZRAgentDlg
{
    Q_OBJECT

public:
    enum : int {
        IDD = 6006,
        IDC_CLOCK = 6202,
        IDC_DATE = 6203,
        IDC_TIME = 6204,
        IDC_APPLY = 6205,
        IDC_RTC = 6207,
        IDC_SYNC_RTC = 6209,
        IDB_CLOCK_DATE = 6008,
        IDB_CLOCK_FACE = 6009,
    };
    // Times the agent can take.
    static QDateTime RangeStart();
    static QDateTime RangeEnd();
    // "%Y-%m-%d %H:%M:%S", the form sent to the agent.
    static QString WireText(const QDateTime& time);
    // "%Y-%b-%d %H:%M:%S", or "Invalid DateTime".
    static QString DisplayText(const QDateTime& time);
    // A date and time as the agent or the operator writes it; invalid when it is none.
    static QDateTime ParseTime(const QString& text);

    // selfDelete 0: the dialog deletes itself once closed, as the console opens it.
    explicit CZRDateTimeDlg(QWidget* parent = nullptr, int selfDelete = 0);
    ~CZRDateTimeDlg() override;

    void SetNick(const QString& key) { m_key = key; }
    QString GetNick() const { return m_key; }
    void SetApplyAction(ZRApplyAction action, void* context);
    void SetActionType(int system, int rtc);
    void SetOSType(int type) { m_osType = type; }
    int GetOSType() const { return m_osType; }

    // Unparsable text gives an invalid time; a time outside the range is refused with a message and
    // replaced by the computer's local time.
    void SetSYSTime(const QString& text);
    void SetRTCTime(const QString& text);
    void SetSYSTime(int year, int month, int day, int hour, int minute, int second);
    void SetRTCTime(int year, int month, int day, int hour, int minute, int second);
    QDateTime GetSYSTime() const { return m_sysTime; }
    QDateTime GetRTCTime() const { return m_rtcTime; }
    bool IsEdited() const { return m_edited; }

    // The controls' date and time into time, and the clock set to it.
    void UpdateTime(QDateTime& time, QDateEdit* date, QTimeEdit* timeCtrl, CXAnalogClock* clock);
    // Sends a valid time through the callback; the callback's result, 0 when nothing went out.
    int ApplyTime(int code, const QDateTime& time);
    void InitClock(CXAnalogClock* clock);
    void SetClock(CXAnalogClock* clock, const QDateTime& time);

    // The buttons and the one-second tick (also driven by tests and the demo).
    void OnApply();
    void OnSyncRTC();
    void OnOK();
    void OnCancel();
    void OnTimer();

    CXAnalogClock* clock() const { return m_clock; }
    QDateEdit* dateEdit() const { return m_date; }
    QTimeEdit* timeEdit() const { return m_time; }
    QLineEdit* rtcField() const { return m_rtc; }
    QPushButton* button(int id) const;

protected:
    void OnOpen() override;
    void reject() override;

private:
    QDateTime checkedTime(const QDateTime& value);
    void showControls(const QDateTime& time);
    void operatorEdited();
    static QDateTime tick(const QDateTime& time);

    QString m_key;
    ZRApplyAction m_action = nullptr;
    void* m_context = nullptr;
    int m_sysCode = 0;
    int m_rtcCode = 0;
    int m_osType = 1;
    QDateTime m_sysTime;
    QDateTime m_rtcTime;
    bool m_edited = false;
    bool m_showing = false; // the dialog itself is writing the controls
    QTimer m_timer;

    CXAnalogClock* m_clock;
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QLineEdit* m_rtc;
    QPushButton* m_apply;
    QPushButton* m_sync;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
