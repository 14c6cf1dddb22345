// Shared pieces of the console tests: the application, a console on a scratch profile, message
// boxes recorded and answered, waits with deadlines.
#pragma once

#include "agenttree.h"
#include "mainframe.h"
#include "tarndoc.h"
#include "tarninfoview.h"

#include <messagebox.h>
#include <zrcontrol.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

void RegisterConsoleStrings();

inline QApplication& consoleApp()
{
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static bool registered = false;
    if (!qApp) new QApplication(argc, argv);
    if (!registered) RegisterConsoleStrings();
    registered = true;
    return *qApp;
}

inline bool waitUntil(const std::function<bool()>& condition, int ms = 8000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs the event loop for a while; for checks that something does NOT happen.
inline void pump(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct ConsoleFixture : ::testing::Test
{
    ConsoleFixture()
    {
        consoleApp();
        SetMessageHandler([this](const MessageRecord& m) {
            boxes.push_back(m);
            return answer ? answer(m) : IDOK;
        });
    }
    ~ConsoleFixture() override
    {
        frame.reset();
        SetMessageHandler({});
    }

    QString writeProfile(const QByteArray& text)
    {
        const QString path = dir.filePath(QStringLiteral("TarnTool.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }
    // A console on that profile, shown.
    void start(const QByteArray& profile, const QString& pictures = QString())
    {
        frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(frame->Document()->OnNewDocument(writeProfile(profile), pictures));
        frame->show();
    }
    CTarnDoc* doc() const { return frame->Document(); }
    CZRAgentTree* tree() const { return frame->Tree(); }
    CZRControl* control() const { return frame->Document()->Control(); }
    // Every agent of the gateway has its device information, and with it the system type that
    // sets the style of its paths: a transfer recorded before takes the style assumed until then.
    bool agentsDescribed(const QString& gateway, int ms = 20000) const
    {
        return waitUntil(
            [&] {
                QTreeWidgetItem* node = tree()->FindGateway(gateway);
                if (node == nullptr || node->childCount() == 0) return false;
                for (int i = 0; i < node->childCount(); ++i)
                    if (control()
                            ->GetAgent(gateway + u'|' + node->child(i)->text(0))
                            .GetModelName()
                            .isEmpty())
                        return false;
                return true;
            },
            ms);
    }
    int boxesWithCaption(const QString& prefix) const
    {
        int n = 0;
        for (const MessageRecord& m : boxes)
            n += m.caption.startsWith(prefix) ? 1 : 0;
        return n;
    }

    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    std::vector<MessageRecord> boxes;
    std::function<int(const MessageRecord&)> answer;
};
