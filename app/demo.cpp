// The demo walk: drives the console through its main states with its own commands and writes a
// screenshot of each, for a machine without a display.
#include "aboutdlg.h"
#include "agenttree.h"
#include "mainframe.h"
#include "pluginhost.h"
#include "resource.h"
#include "tarndoc.h"
#include "tarninfoview.h"
#include "tarntoolapp.h"

#include <messagebox.h>
#include <zrcontrol.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {
bool waitFor(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void settle(int ms = 150)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

class Shots
{
public:
    explicit Shots(QString dir) : m_dir(std::move(dir)) { QDir().mkpath(m_dir); }

    void save(const QPixmap& pm, const QString& name)
    {
        const QString path = QDir(m_dir).filePath(name + QStringLiteral(".png"));
        if (pm.save(path))
            std::printf("demo: %s\n", qUtf8Printable(path));
        else
            std::printf("demo: could not write %s\n", qUtf8Printable(path));
        ++m_count;
    }
    void save(QWidget* w, const QString& name)
    {
        settle();
        save(w->grab(), name);
    }
    // The frame with a window drawn where it stands over it; a caption gets the title bar that the
    // offscreen platform does not draw.
    void saveOver(QWidget* frame, QWidget* top, const QString& name, const QString& caption = QString())
    {
        QPixmap base = frame->grab();
        QPixmap over = top->grab();
        if (!caption.isEmpty()) {
            QPixmap titled(over.width(), over.height() + 26);
            titled.fill(QColor(241, 255, 213));
            QPainter t(&titled);
            t.fillRect(QRect(0, 0, titled.width(), 26), QColor(110, 132, 77));
            t.setPen(Qt::white);
            QFont f = t.font();
            f.setBold(true);
            t.setFont(f);
            t.drawText(QRect(10, 0, titled.width() - 20, 26), Qt::AlignVCenter | Qt::AlignLeft, caption);
            t.drawPixmap(0, 26, over);
            t.end();
            over = titled;
        }
        QPainter p(&base);
        const QPoint at((base.width() - over.width()) / 2, (base.height() - over.height()) / 2);
        p.fillRect(QRect(at + QPoint(4, 4), over.size()), QColor(0, 0, 0, 60));
        p.drawPixmap(at, over);
        p.setPen(QColor(110, 132, 77));
        p.drawRect(QRect(at, over.size()).adjusted(0, 0, -1, -1));
        p.end();
        save(base, name);
    }
    int count() const { return m_count; }

private:
    QString m_dir;
    int m_count = 0;
};

QMessageBox::Icon boxIcon(unsigned icon)
{
    switch (icon) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QTreeWidgetItem* agentOfType(CZRAgentTree* tree, CZRControl* control, int type)
{
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* gw = tree->topLevelItem(g);
        for (int i = 0; i < gw->childCount(); ++i) {
            QTreeWidgetItem* a = gw->child(i);
            const CZRAgent& rec = control->GetAgent(CZRAgentTree::GatewayOf(a) + u'|' + a->text(0));
            if (!rec.GetModelName().isEmpty() && rec.GetOSType(1) == type) return a;
        }
    }
    return nullptr;
}

// A right-click on a node, as the operator makes it; the menu that opens is handled by onMenu.
void rightClick(CZRAgentTree* tree, QTreeWidgetItem* item, std::function<void(QMenu*)> onMenu)
{
    tree->scrollToItem(item);
    const QPoint at = tree->visualItemRect(item).center();
    QTimer::singleShot(300, tree, [onMenu] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) onMenu(menu);
    });
    QMouseEvent press(QEvent::MouseButtonPress, at, tree->viewport()->mapToGlobal(at), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, tree->viewport()->mapToGlobal(at), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &release);
}
} // namespace

int RunDemo(CTarnToolApp& app, const QString& dir)
{
    CMainFrame* frame = app.MainFrame();
    CTarnDoc* doc = frame->Document();
    CZRAgentTree* tree = frame->Tree();
    CZRControl* control = doc->Control();
    Shots shots(dir);
    int status = 0;
    auto fail = [&](const char* what) {
        std::printf("demo: %s\n", what);
        status = 1;
    };

    {
        CAboutDlg splash(nullptr, true);
        splash.show();
        shots.save(&splash, QStringLiteral("01-splash"));
    }

    // Boxes are shown over the frame in the picture and answered as the walk needs.
    QStringList boxes;
    int answer = IDOK;
    SetMessageHandler([&](const MessageRecord& m) {
        QMessageBox box(boxIcon(m.icon), m.caption, m.text,
                        (m.buttons & 0xF) == MB_OKCANCEL ? QMessageBox::Ok | QMessageBox::Cancel
                                                         : QMessageBox::Ok,
                        frame);
        box.show();
        settle(100);
        QString name = QStringLiteral("box-%1").arg(boxes.size() + 1);
        if (m.caption.startsWith(QLatin1String("Reboot")))
            name = QStringLiteral("05-reboot-question");
        else if (m.caption.startsWith(QLatin1String("Disconnection Alert")))
            name = QStringLiteral("06-disconnection-alert");
        else if (m.caption.startsWith(QLatin1String("Error")))
            name = QStringLiteral("07-error-box");
        if (!boxes.contains(name)) shots.saveOver(frame, &box, name, m.caption);
        boxes << name;
        std::printf("demo: box \"%s\": %s\n", qUtf8Printable(m.caption),
                    qUtf8Printable(QString(m.text).replace(u'\n', u' ')));
        return (m.buttons & 0xF) == MB_OKCANCEL ? answer : IDOK;
    });

    // The connected gateway and its agents, their device information in.
    QTreeWidgetItem* gateway = nullptr;
    if (!waitFor(
            [&] {
                for (int i = 0; i < tree->topLevelItemCount(); ++i)
                    if (tree->topLevelItem(i)->childCount() > 0) gateway = tree->topLevelItem(i);
                return gateway && agentOfType(tree, control, 0) && agentOfType(tree, control, 1) &&
                       agentOfType(tree, control, 2);
            },
            20000))
        fail("the gateway's agents did not arrive");
    if (gateway) {
        tree->setCurrentItem(gateway);
        shots.save(frame, QStringLiteral("02-tree"));
    }

    const char* typeNames[3] = {"linux", "ce", "xpe"};
    for (int type : {0, 1, 2}) {
        QTreeWidgetItem* agent = agentOfType(tree, control, type);
        if (!agent) continue;
        tree->setCurrentItem(agent);
        waitFor([&] { return !frame->StorageText().isEmpty(); }, 3000);
        shots.save(frame, QStringLiteral("03-device-%1").arg(QString::fromLatin1(typeNames[type])));
    }

    // The Mobile plug-in: its menu entry and button, and the SIM page locked by PIN, then ready, and
    // locked by PUK.
    if (CZRPluginHost* host = CZRPluginHost::Of(frame); host && host->MobileWnd()) {
        auto* mobile = static_cast<QWidget*>(host->MobileWnd());
        auto find = [&](const QString& address) -> QTreeWidgetItem* {
            for (int g = 0; g < tree->topLevelItemCount(); ++g)
                for (int i = 0; i < tree->topLevelItem(g)->childCount(); ++i)
                    if (tree->topLevelItem(g)->child(i)->text(0) == address)
                        return tree->topLevelItem(g)->child(i);
            return nullptr;
        };
        auto known = [&](QTreeWidgetItem* a) {
            const QString key = CZRAgentTree::GatewayOf(a) + u'|' + a->text(0);
            return waitFor([&] { return !control->GetAgent(key).GetModelName().isEmpty(); }, 5000);
        };
        auto status = [&](const QString& text) {
            auto* line = mobile->findChild<QLabel*>(QStringLiteral("StatusLine"));
            return line && waitFor([&] { return line->text() == text; }, 5000);
        };
        QTreeWidgetItem* west = find(QStringLiteral("10.20.5.71"));
        QTreeWidgetItem* east = find(QStringLiteral("10.20.5.72"));
        if (west && east) {
            tree->setCurrentItem(west);
            known(west);
            bool menuShot = false;
            rightClick(tree, west, [&](QMenu* menu) {
                shots.saveOver(frame, menu, QStringLiteral("10-mobile-menu"));
                menuShot = true;
                menu->close();
                frame->Action(ID_CTX_MOBILE)->trigger();
            });
            if (!menuShot) fail("the agent menu did not open");
            if (status(QStringLiteral("The SIM card is locked by PIN code.")))
                shots.save(frame, QStringLiteral("11-mobile-sim-pin"));
            else
                fail("the SIM page did not show the PIN state");
            QLineEdit* code = nullptr;
            for (auto* e : mobile->findChildren<QLineEdit*>())
                if (e->objectName().startsWith(QLatin1String("CodeEdit"))) code = e;
            QPushButton* ok = nullptr;
            for (auto* b : mobile->findChildren<QPushButton*>())
                if (b->objectName().startsWith(QLatin1String("OkButton"))) ok = b;
            if (code && ok) {
                code->setText(QStringLiteral("1234"));
                ok->click();
            }
            if (status(QStringLiteral("The SIM card is ready to use.")))
                shots.save(frame, QStringLiteral("12-mobile-sim-ready"));
            else
                fail("the SIM page did not become ready");
            tree->setCurrentItem(east);
            known(east);
            frame->UpdateCommandUI();
            frame->Action(ID_MOBILE)->trigger();
            if (status(QStringLiteral("The SIM card is locked by PUK code.")))
                shots.save(frame, QStringLiteral("13-mobile-sim-puk"));
            else
                fail("the SIM page did not show the PUK state");
        } else {
            fail("the cellular agents did not arrive");
        }
    }

    // Reboot from the agent's context menu: the question, then the agent leaves.
    if (QTreeWidgetItem* agent = agentOfType(tree, control, 0)) {
        const QString name = agent->text(0);
        const QString gwName = CZRAgentTree::GatewayOf(agent);
        bool menuShot = false;
        rightClick(tree, agent, [&](QMenu* menu) {
            shots.saveOver(frame, menu, QStringLiteral("04-agent-menu"));
            menuShot = true;
            QAction* reboot = frame->Action(ID_CTX_REBOOT);
            menu->close();
            answer = IDOK;
            reboot->trigger();
            // Asked again at once: the rebooting agent answers with a failure.
            if (QTreeWidgetItem* again = tree->FindAgent(gwName, name)) tree->setCurrentItem(again);
        });
        if (!menuShot) fail("the agent menu did not open");
        if (!waitFor([&] { return boxes.contains(QStringLiteral("06-disconnection-alert")); }, 10000))
            fail("the rebooted agent did not leave");
        if (!waitFor([&] { return boxes.contains(QStringLiteral("07-error-box")); }, 5000))
            fail("no error box from the gateway");
    }

    // The unreachable gateway: connect, refused, back to disconnected.
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* gw = tree->topLevelItem(i);
        if (gw == gateway) continue;
        tree->setCurrentItem(gw);
        frame->Action(ID_CONNECT)->trigger();
        waitFor([&] { return !(CZRAgentTree::Param(gw) & NODE_CONNECTED); }, 8000);
        shots.save(frame, QStringLiteral("08-unreachable-gateway"));
        break;
    }

    if (gateway) tree->setCurrentItem(gateway);
    settle(300);
    shots.save(frame, QStringLiteral("09-after"));
    SetMessageHandler({});
    std::printf("demo: %d screenshots in %s\n", shots.count(), qUtf8Printable(dir));
    frame->close();
    return status;
}
