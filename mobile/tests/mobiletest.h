// Shared pieces of the plug-in's tests: the application, the export table bound from the built
// module with QLibrary, a recording send callback, and waits with deadlines.
#pragma once

#include "zrmobileapi.h"

#include <messagebox.h>
#include <notify.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLibrary>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

inline bool waitUntil(const std::function<bool()>& condition, int ms = 8000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

inline void pump(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The export table, bound by name from the module beside the test.
struct MobileExports
{
    ZRMobileTest Test = nullptr;
    ZRMobileCreateWnd CreateWnd = nullptr;
    ZRMobileDestroyWnd DestroyWnd = nullptr;
    ZRMobileSetText SetVersion = nullptr;
    ZRMobileSetText SetModel = nullptr;
    ZRMobileSetText SetNick = nullptr;
    ZRMobileGetNick GetNick = nullptr;
    ZRMobileSetSendMessageCB SetSendMessageCB = nullptr;
    ZRMobileReceiveMessage ReceiveMessage = nullptr;
    ZRMobileEnableATRelated EnableATRelated = nullptr;
    ZRMobileCall Init = nullptr;
    ZRMobileCall Reset = nullptr;
    ZRMobileHasMessageBox HasMessageBox = nullptr;
    ZRMobileInsert2Menu Insert2Menu = nullptr;
    ZRMobileInsert2ToolBar Insert2ToolBar = nullptr;
    ZRMobileEnableFeature EnableFeature = nullptr;
    int bound = 0;

    static QString modulePath()
    {
        const QByteArray dir = qgetenv("TARN_BIN_DIR");
        return QDir(dir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(dir))
            .filePath(QStringLiteral("ZRMobileU"));
    }

    // The library stays loaded for the process: windows made by it may outlive a test's objects.
    static MobileExports& get()
    {
        static MobileExports table = [] {
            MobileExports t;
            static QLibrary library(modulePath());
            if (!library.load()) return t;
            auto bind = [&](auto& slot, const char* name) {
                slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library.resolve(name));
                t.bound += slot != nullptr;
            };
            bind(t.Test, "Test");
            bind(t.CreateWnd, "CreateWnd");
            bind(t.DestroyWnd, "DestroyWnd");
            bind(t.SetVersion, "SetVersion");
            bind(t.SetModel, "SetModel");
            bind(t.SetNick, "SetNick");
            bind(t.GetNick, "GetNick");
            bind(t.SetSendMessageCB, "SetSendMessageCB");
            bind(t.ReceiveMessage, "ReceiveMessage");
            bind(t.EnableATRelated, "EnableATRelated");
            bind(t.Init, "Init");
            bind(t.Reset, "Reset");
            bind(t.HasMessageBox, "HasMessageBox");
            bind(t.Insert2Menu, "Insert2Menu");
            bind(t.Insert2ToolBar, "Insert2ToolBar");
            bind(t.EnableFeature, "EnableFeature");
            return t;
        }();
        return table;
    }
};

inline const char16_t* u16(const QString& s)
{
    return reinterpret_cast<const char16_t*>(s.utf16());
}

struct SentRequest
{
    int number;
    bool hasText;
    QString text;
    QString key;
};

// Records every request; answers with `result`, or hands it on through `forward`.
struct SendRecorder
{
    std::vector<SentRequest> sent;
    int result = 1;
    std::function<int(const SentRequest&)> forward;

    static int Callback(const char16_t* text, int number, void* context, const char16_t* key)
    {
        auto* self = static_cast<SendRecorder*>(context);
        SentRequest r{number, text != nullptr, text ? QString::fromUtf16(text) : QString(),
                      QString::fromUtf16(key)};
        self->sent.push_back(r);
        return self->forward ? self->forward(r) : self->result;
    }
    int count(int number) const
    {
        int n = 0;
        for (const SentRequest& r : sent)
            n += r.number == number;
        return n;
    }
};

struct MessageRecorder
{
    MessageRecorder()
    {
        SetMessageHandler([this](const MessageRecord& m) {
            boxes.push_back(m);
            return IDOK;
        });
    }
    ~MessageRecorder() { SetMessageHandler({}); }
    std::vector<MessageRecord> boxes;
};

// Stands in for the console's main window: counts agents coming on line and hands each mobile
// reply, its code kept, to `deliver`.
class Relay : public QObject
{
public:
    std::function<void(const _Notice&)> deliver;
    std::vector<int> codes;
    int online = 0;

protected:
    bool event(QEvent* e) override
    {
        const int id = int(e->type());
        if (id < 1525 || id > 1635) return QObject::event(e);
        auto* n = static_cast<CZRNotify*>(e);
        if (id == zrmsg::AgentOnline) ++online;
        if (id == zrmsg::Mobile)
            if (const _Notice* notice = n->get<_Notice>()) {
                codes.push_back(notice->code);
                if (deliver) deliver(*notice);
            }
        return true;
    }
};
