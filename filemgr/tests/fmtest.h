// Shared pieces of the file manager tests: boxes and dialogs answered, requests recorded.
#pragma once

#include "fmstrings.h"
#include "messagebox.h"
#include "zrdialogs.h"
#include "zrfmtypes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <functional>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

struct SentRequest
{
    QString argument;
    int number = 0;
    QString key;
    _TransferRequest transfer;
};

// Everything the panes hand to the "console".
struct FakeConsole
{
    std::vector<SentRequest> sent;
    std::vector<SentRequest> transfers;
    int answer = 1;

    static int Request(const QString& argument, int number, void* context, const QString& key)
    {
        auto* self = static_cast<FakeConsole*>(context);
        if (self->answer) self->sent.push_back({argument, number, key, {}});
        return self->answer;
    }
    static int Transfer(const _TransferRequest& r, int number, void* context, const QString& key)
    {
        auto* self = static_cast<FakeConsole*>(context);
        if (self->answer) self->transfers.push_back({QString(), number, key, r});
        return self->answer;
    }
    std::vector<SentRequest> withNumber(int n) const
    {
        std::vector<SentRequest> out;
        for (const auto& s : sent)
            if (s.number == n) out.push_back(s);
        return out;
    }
};

// Boxes are recorded and answered; dialogs are filled by the test's function.
struct Answering
{
    Answering()
    {
        SetMessageHandler([this](const MessageRecord& m) {
            boxes.push_back(m);
            return boxAnswer;
        });
        SetDialogHandler([this](QDialog* d) {
            ++dialogs;
            return dialog ? dialog(d) : int(QDialog::Rejected);
        });
    }
    ~Answering()
    {
        SetMessageHandler({});
        SetDialogHandler({});
    }
    std::vector<MessageRecord> boxes;
    int boxAnswer = IDOK;
    int dialogs = 0;
    std::function<int(QDialog*)> dialog;
};

inline bool waitUntil(const std::function<bool()>& condition, int ms = 8000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

inline QString fmtext_quote()
{
    return fmtext::s(fmtext::kQuote);
}
inline QString fmtext_tooLong()
{
    return fmtext::s(fmtext::kTooLong);
}
