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

#include <dynedit.h>
#include <infownd.h>
#include <ipaddressctrl.h>
#include <messagebox.h>
#include <zrautolaunchdlg.h>
#include <zrcontrol.h>
#include <zrdevlistgrid.h>
#include <zrdevlistwnd.h>
#include <zrdialogs.h>
#include <zrfilemgrwnd.h>
#include <zrfmtypes.h>
#include <zrgatewaydlg.h>
#include <zrnetworkdlg.h>
#include <zrprocessgrid.h>
#include <zrqueuelist.h>
#include <zrrmtshelllistwnd.h>
#include <zrtransfergrid.h>
#include <zrtransferwnd.h>
#include <zrservicegrid.h>
#include <zrshelllistwnd.h>
#include <zrupgradedlg.h>
#include <zruploaddlg.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

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
        save(over(frame->grab(), top, caption), name);
    }
    // A picture with a window drawn centred over it; a caption gets the title bar that the
    // offscreen platform does not draw.
    static QPixmap over(QPixmap base, QWidget* top, const QString& caption = QString(),
                        QPoint shift = QPoint())
    {
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
        const QPoint at =
            QPoint((base.width() - over.width()) / 2, (base.height() - over.height()) / 2) + shift;
        p.fillRect(QRect(at + QPoint(4, 4), over.size()), QColor(0, 0, 0, 60));
        p.drawPixmap(at, over);
        p.setPen(QColor(110, 132, 77));
        p.drawRect(QRect(at, over.size()).adjusted(0, 0, -1, -1));
        p.end();
        return base;
    }
    // As saveOver, with a popup window of the dialog (a balloon) drawn where it stands beside it.
    void saveOverWithPopup(QWidget* frame, QWidget* top, QWidget* popup, const QString& name,
                           const QString& caption)
    {
        QPixmap base = frame->grab();
        const QPixmap over = top->grab();
        const int bar = 26;
        const QPoint at((base.width() - over.width()) / 2, (base.height() - over.height() - bar) / 2);
        QPainter p(&base);
        p.fillRect(QRect(at + QPoint(4, 4), QSize(over.width(), over.height() + bar)), QColor(0, 0, 0, 60));
        p.fillRect(QRect(at, QSize(over.width(), bar)), QColor(110, 132, 77));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(at + QPoint(10, 0), QSize(over.width() - 20, bar)), Qt::AlignVCenter | Qt::AlignLeft,
                   caption);
        p.drawPixmap(at + QPoint(0, bar), over);
        if (popup && popup->isVisible()) {
            const QPoint offset = popup->geometry().topLeft() - top->geometry().topLeft();
            p.drawPixmap(at + QPoint(0, bar) + offset, popup->grab());
        }
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

// Keys as the operator types them.
void typeKeys(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

// The Mobile window's SMS pages and AT console for the agent whose SIM was unlocked: the inbox of
// both storages (an unread PDU row and a text row), the edit page with its counter, the templates,
// and an AT command waiting for its continuation.
void smsShots(CMainFrame* frame, CZRControl* control, Shots& shots, QWidget* mobile, QTreeWidgetItem* agent,
              const std::function<void(const char*)>& fail)
{
    CZRAgentTree* tree = frame->Tree();
    tree->setCurrentItem(agent);
    frame->UpdateCommandUI();
    frame->Action(ID_MOBILE)->trigger();
    auto named = [&](const QString& name) -> QWidget* {
        for (QWidget* w : mobile->findChildren<QWidget*>())
            if (w->objectName() == name) return w;
        return nullptr;
    };
    auto* ready = qobject_cast<QLabel*>(named(QStringLiteral("StatusLine")));
    if (!ready ||
        !waitFor([&] { return ready->text() == QStringLiteral("The SIM card is ready to use."); }, 5000)) {
        fail("the SIM page did not show the ready card again");
        return;
    }
    auto page = [&](const QString& text) {
        auto* items = mobile->findChild<QListWidget*>(QStringLiteral("NavigationItems"));
        for (int i = 0; items && i < items->count(); ++i)
            if (items->item(i)->text() == text) {
                items->setCurrentRow(i);
                emit items->itemClicked(items->item(i));
                return true;
            }
        return false;
    };
    const QString key = CZRAgentTree::GatewayOf(agent) + u'|' + agent->text(0);
    settle(300);
    control->SendRequest(47, QStringLiteral("MT"),
                         key); // both storages: the SIM's PDUs and the device's texts
    settle(300);
    if (!page(QStringLiteral("SMS"))) {
        fail("the SMS page is not offered");
        return;
    }
    auto* inbox = qobject_cast<QTreeWidget*>(named(QStringLiteral("InboxGrid")));
    if (inbox && waitFor([&] { return inbox->topLevelItemCount() >= 3; }, 6000))
        shots.save(frame, QStringLiteral("34-mobile-sms-inbox"));
    else
        fail("the inbox did not list the messages");
    auto* tabs = qobject_cast<QTabWidget*>(named(QStringLiteral("Ctl12550")));
    if (!tabs) {
        fail("the SMS page has no tabs");
        return;
    }
    tabs->setCurrentIndex(1);
    auto* number = qobject_cast<QLineEdit*>(named(QStringLiteral("Ctl12572")));
    auto* message = qobject_cast<QPlainTextEdit*>(named(QStringLiteral("MessageEdit")));
    if (number && message) {
        number->setText(QStringLiteral("+4917055501"));
        message->setFocus();
        message->insertPlainText(
            QStringLiteral("Pump 3 is back to normal: 2.1 bar, 21 \u00b0C.\nNo visit needed."));
        shots.save(frame, QStringLiteral("35-mobile-sms-edit"));
    } else {
        fail("the edit page is missing its fields");
    }
    tabs->setCurrentIndex(2);
    auto* templates = qobject_cast<QTreeWidget*>(named(QStringLiteral("TemplateGrid")));
    if (templates && waitFor([&] { return templates->topLevelItemCount() >= 3; }, 6000)) {
        templates->topLevelItem(1)->setCheckState(0, Qt::Checked);
        shots.save(frame, QStringLiteral("36-mobile-sms-templates"));
    } else {
        fail("the template list did not arrive");
    }
    if (!page(QStringLiteral("AT Command"))) {
        fail("the AT command page is not offered");
        return;
    }
    auto* command = qobject_cast<QLineEdit*>(named(QStringLiteral("Ctl12511")));
    auto* send = qobject_cast<QPushButton*>(named(QStringLiteral("Ctl12512")));
    if (!command || !send) {
        fail("the AT command page is missing its controls");
        return;
    }
    bool shown = false;
    auto* watch = new QTimer(frame);
    watch->setInterval(50);
    QObject::connect(watch, &QTimer::timeout, frame, [&, watch] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg || dlg->objectName() != QStringLiteral("AtContinueDlg")) return;
        watch->stop();
        if (auto* text = dlg->findChild<QPlainTextEdit*>())
            text->setPlainText(QStringLiteral("Site 7: pump 3 ok"));
        settle(200);
        shots.saveOver(frame, dlg, QStringLiteral("37-mobile-at-continuation"), dlg->windowTitle());
        shown = true;
        dlg->accept();
    });
    watch->start();
    command->setText(QStringLiteral("AT+CMGS=\"+4917055501\""));
    send->click();
    waitFor([&] { return shown; }, 6000);
    watch->deleteLater();
    if (!shown) fail("the AT command did not ask for its continuation");
    settle(500);
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
// The file manager on a Linux-type agent: both panes, a download waiting behind another, and the
// change-mode dialog.
void fileManagerShots(CMainFrame* frame, CZRControl* control, Shots& shots,
                      const std::function<void(const char*)>& fail)
{
    QTreeWidgetItem* agent = agentOfType(frame->Tree(), control, 0);
    if (!agent) return;
    frame->Tree()->setCurrentItem(agent);
    frame->UpdateCommandUI();
    frame->Action(ID_FILEMGR)->trigger();
    CZRFileMgrWnd* fm = frame->InfoView()->FileMgrWnd();
    CZRRmtShellListWnd* pane = fm->Remote();
    auto listedIn = [&](const QString& folder) {
        return waitFor([&] { return !pane->IsBrowsing() && pane->GetObjectCount() > 1; }, 8000) &&
               pane->GetCurrentDirectory() == folder;
    };
    if (!waitFor([&] { return !pane->IsBrowsing() && pane->GetObjectCount() > 1; }, 8000)) {
        fail("the file manager listed nothing");
        return;
    }
    pane->Browse(QStringLiteral("/usr/bin"));
    if (!listedIn(QStringLiteral("/usr/bin"))) {
        fail("the file manager did not open /usr/bin");
        return;
    }

    // Two downloads at once: the gateway runs one, the other waits. Drawn before the loop turns.
    auto* model = pane->List()->Model();
    const int program = model->Find(QStringLiteral("tarn-agent"), 1, false);
    const int script = model->Find(QStringLiteral("collect.sh"), 1, false);
    pane->List()->SelectRow(program);
    pane->List()->SelectRow(script, true);
    pane->DownloadSelection();
    if (fm->Queue()->GetTaskCount() == 2 && fm->Queue()->GetTask(1).status == CZRQueueList::Waiting)
        shots.save(frame->grab(), QStringLiteral("20-file-manager-queued-task"));
    else
        fail("no queued task in the file manager");
    // Both panes filled: the downloads are in the local folder now.
    if (!waitFor(
            [&] { return fm->Queue()->GetTaskCount() == 0 && fm->Local()->List()->Model()->rowCount() > 2; },
            10000))
        fail("the downloads did not arrive");
    pane->List()->clearSelection();
    shots.save(frame, QStringLiteral("19-file-manager"));

    bool shown = false;
    SetDialogHandler([&](QDialog* d) {
        d->show();
        settle(150);
        shots.saveOver(frame, d, QStringLiteral("21-change-mode-dialog"), d->windowTitle());
        shown = true;
        d->hide();
        return int(QDialog::Rejected);
    });
    pane->ChangeModeEntry(model->Find(QStringLiteral("collect.sh"), 1, false));
    SetDialogHandler({});
    if (!shown) fail("the change-mode dialog did not open");
}
// The upload dialog with two files for three checked agents of the gateway, and the firmware
// upgrade dialog with an image for them; both cancelled.
void transferDialogShots(CMainFrame* frame, QTreeWidgetItem* gateway, Shots& shots,
                         const std::function<void(const char*)>& fail)
{
    QTemporaryDir local;
    const QStringList files = {QStringLiteral("plant-logger.tar.gz"), QStringLiteral("logger.conf"),
                               QStringLiteral("TRN-200-LX-4.1.0.img")};
    for (const QString& name : files) {
        QFile f(local.filePath(name));
        if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(4096, 'x'));
    }
    frame->Tree()->setCurrentItem(gateway);
    CZRDevListGrid* list = frame->InfoView()->DevList();
    QList<long> checkedBefore;
    for (long r = list->GetCheckedRow(0); r >= 0; r = list->GetCheckedRow(r + 1))
        checkedBefore << r;
    for (long r = 0; r < list->GetNumberRows(); ++r)
        list->SetCheckedRow(r, r < 3);
    frame->UpdateCommandUI();
    SetDialogHandler([&](QDialog* d) {
        auto* picker = qobject_cast<CZRFileDialog*>(d);
        if (picker == nullptr) return int(QDialog::Rejected);
        picker->setDirectory(local.path());
        if (auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("\"%1\" \"%2\"").arg(files[0], files[1]));
        picker->RemoteDirEdit()->setText(QStringLiteral("/opt/plant"));
        picker->accept();
        return int(QDialog::Accepted);
    });
    frame->Action(ID_UPLOAD)->trigger();
    SetDialogHandler({});
    auto* upload = qobject_cast<CZRUploadDlg*>(frame->Document()->ModelessWnd());
    if (upload && upload->isVisible() && upload->GetFileCount() == 2) {
        shots.saveOver(frame, upload, QStringLiteral("30-upload-dialog"), upload->windowTitle());
        upload->reject();
        settle(100);
    } else {
        fail("the upload dialog did not open with two files");
    }
    frame->Action(ID_UPGRADE)->trigger();
    auto* upgrade = qobject_cast<CZRUpgradeDlg*>(frame->Document()->ModelessWnd());
    if (upgrade && upgrade->isVisible()) {
        upgrade->SetUpgradeFile(local.filePath(files[2]));
        upgrade->ListBox(1)->setCurrentRow(0);
        shots.saveOver(frame, upgrade, QStringLiteral("31-firmware-upgrade-dialog"), upgrade->windowTitle());
        upgrade->reject();
        settle(100);
    } else {
        fail("the firmware upgrade dialog did not open");
    }
    for (long r = 0; r < list->GetNumberRows(); ++r)
        list->SetCheckedRow(r, checkedBefore.contains(r));
}

// The transfer window: a file delivered, one the agent refused, and a larger one on its way to
// several agents with its progress bars moving.
void transferShots(CMainFrame* frame, CZRControl* control, Shots& shots,
                   const std::function<void(const char*)>& fail)
{
    QStringList keys;
    CZRAgentTree* tree = frame->Tree();
    for (int g = 0; g < tree->topLevelItemCount(); ++g)
        for (int i = 0; i < tree->topLevelItem(g)->childCount(); ++i) {
            QTreeWidgetItem* a = tree->topLevelItem(g)->child(i);
            const QString key = CZRAgentTree::GatewayOf(a) + u'|' + a->text(0);
            if (control->GetAgent(key).GetOSType(1) == 0 && keys.size() < 3) keys << key;
        }
    QTemporaryDir local;
    if (keys.size() < 3 || !local.isValid()) {
        fail("no agents for the transfer window");
        return;
    }
    auto file = [&](const QString& name, qint64 bytes) {
        QFile f(local.filePath(name));
        if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(bytes, 'x'));
        return local.filePath(name);
    };
    auto upload = [&](const QString& path, const QString& remote, const QString& key) {
        _TransferRequest r;
        r.size = quint64(QFileInfo(path).size());
        r.localPath = path;
        r.remotePath = remote;
        return CTarnDoc::UploadCB(r, 21, frame->Document(), key);
    };
    tree->setCurrentItem(tree->FindAgent(keys[0].section(u'|', 0, 0), keys[0].section(u'|', 1)));
    frame->UpdateCommandUI();
    frame->Action(ID_TRANSFER_LIST)->trigger();
    CZRTransferGrid* rows = frame->InfoView()->TransferWnd()->GetListWnd(0)->GetGrid();
    auto statusOf = [&](long row) { return rows->GetRowStatus(row); };
    upload(file(QStringLiteral("line.cfg"), 6000), QStringLiteral("/etc/plant/line.cfg"), keys[0]);
    upload(file(QStringLiteral("notes.txt"), 900), QStringLiteral("/../outside/notes.txt"), keys[1]);
    if (!waitFor([&] { return statusOf(0) == 5 && statusOf(1) == 6; }, 10000)) {
        fail("the first transfers did not end");
        return;
    }
    const QString image = file(QStringLiteral("plant-logger-2.1.tar"), 48 << 20);
    for (const QString& key : keys)
        upload(image, QStringLiteral("/opt/plant/plant-logger-2.1.tar"), key);
    if (waitFor(
            [&] {
                for (long row = 2; row < rows->GetNumberRows(); ++row)
                    if (rows->GetProgress(row) < 15) return false;
                return rows->GetNumberRows() == 5;
            },
            30000)) {
        shots.save(frame, QStringLiteral("33-transfer-window"));
    } else {
        fail("the transfer window showed no progress");
    }
    waitFor([&] { return control->GetGateway(keys[0].section(u'|', 0, 0)).GetTransferCount() == 0; }, 30000);
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
        else if (m.text == QLatin1String("Invalid IP address."))
            name = QStringLiteral("25-network-refused-address");
        if (!boxes.contains(name)) {
            QWidget* dlg = doc->ModelessWnd();
            // A dialog's own refusal is shown over the dialog.
            if (dlg && dlg->isVisible() && m.caption == QLatin1String("IP Setting"))
                shots.save(Shots::over(Shots::over(frame->grab(), dlg, dlg->windowTitle()), &box, m.caption,
                                       QPoint(40, 70)),
                           name);
            else
                shots.saveOver(frame, &box, name, m.caption);
        }
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

    // The gateway's device list: two agents checked, sorted by model, narrowed by the filter.
    if (gateway) {
        CZRDevListGrid* list = frame->InfoView()->DevList();
        tree->setCurrentItem(gateway);
        const int agents = gateway->childCount();
        waitFor(
            [&] {
                if (list->GetNumberRows() != agents) return false;
                for (long r = 0; r < agents; ++r)
                    if (list->QuickGetText(CZRDevListGrid::kColModel, r).isEmpty()) return false;
                return true;
            },
            8000);
        list->OnTH_LClicked(CZRDevListGrid::kColModel, -1, 1, nullptr, nullptr, 0);
        list->SetCheckedRow(0, true);
        list->SetCheckedRow(2, true);
        shots.save(frame, QStringLiteral("10-device-list"));
        QLineEdit* filter = frame->InfoView()->DevListWnd()->GetFilterEdit();
        const QString model = list->QuickGetText(CZRDevListGrid::kColModel, 0);
        typeKeys(filter, model.left(std::max<qsizetype>(1, model.indexOf(u'-') + 2)));
        shots.save(frame, QStringLiteral("11-device-list-filtered"));
        filter->clear();
    }

    // The process manager and the service monitor of one agent.
    if (QTreeWidgetItem* agent = agentOfType(tree, control, 2)) {
        const QString name = agent->text(0);
        tree->setCurrentItem(agent);
        frame->Action(ID_PROCESS)->trigger();
        CZRProcessGrid* processes = frame->InfoView()->ProcessGrid();
        if (!waitFor(
                [&] {
                    long row = -1;
                    return processes->HasAgent(row, name) &&
                           processes->QuickGetText(1, row).startsWith(QLatin1String("Memory:"));
                },
                8000))
            fail("the process list did not arrive");
        processes->SelectRange(0, 3, 2, 3);
        shots.save(frame, QStringLiteral("12-process-page"));

        frame->Action(ID_SERVICE)->trigger();
        CZRServiceGrid* services = frame->InfoView()->ServiceGrid();
        if (!waitFor(
                [&] {
                    long row = -1;
                    return services->HasAgent(row, name) && services->GetAgentCount(row) > 2;
                },
                8000))
            fail("the service list did not arrive");
        settle(200);
        shots.save(frame, QStringLiteral("13-service-page"));
    }

    fileManagerShots(frame, control, shots, fail);
    transferShots(frame, control, shots, fail);

    // The Gateway Manager, with a name refused as it is typed.
    {
        bool shown = false;
        QTimer::singleShot(300, frame, [&] {
            auto* dlg = qobject_cast<CZRGatewayDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            dlg->listBox()->setCurrentRow(0);
            dlg->activateWindow();
            dlg->nameEdit()->setFocus();
            dlg->nameEdit()->end(false);
            typeKeys(dlg->nameEdit(), QStringLiteral("|"));
            settle(150);
            shots.saveOverWithPopup(frame, dlg, dlg->nameEdit()->GetInfoWnd(),
                                    QStringLiteral("14-gateway-manager"), dlg->windowTitle());
            shown = dlg->nameEdit()->GetInfoWnd()->isVisible();
            dlg->button(2)->click();
        });
        frame->Action(ID_GATEWAY_MANAGER)->trigger();
        if (!shown) fail("the Gateway Manager showed no balloon");
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
                shots.saveOver(frame, menu, QStringLiteral("15-mobile-menu"));
                menuShot = true;
                menu->close();
                frame->Action(ID_CTX_MOBILE)->trigger();
            });
            if (!menuShot) fail("the agent menu did not open");
            if (status(QStringLiteral("The SIM card is locked by PIN code.")))
                shots.save(frame, QStringLiteral("16-mobile-sim-pin"));
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
                shots.save(frame, QStringLiteral("17-mobile-sim-ready"));
            else
                fail("the SIM page did not become ready");
            tree->setCurrentItem(east);
            known(east);
            frame->UpdateCommandUI();
            frame->Action(ID_MOBILE)->trigger();
            if (status(QStringLiteral("The SIM card is locked by PUK code.")))
                shots.save(frame, QStringLiteral("18-mobile-sim-puk"));
            else
                fail("the SIM page did not show the PUK state");
            smsShots(frame, control, shots, mobile, west, fail);
            // Back to the west agent, ready now: its phone book, GPRS and configuration pages.
            tree->setCurrentItem(west);
            frame->UpdateCommandUI();
            frame->Action(ID_MOBILE)->trigger();
            if (status(QStringLiteral("The SIM card is ready to use."))) {
                auto* items = mobile->findChild<QListWidget*>(QStringLiteral("NavigationItems"));
                auto open = [&](const QString& name) {
                    for (int i = 0; items && i < items->count(); ++i)
                        if (items->item(i)->text() == name) emit items->itemClicked(items->item(i));
                };
                auto named = [&](const QString& name) { return mobile->findChild<QWidget*>(name); };
                auto text = [&](const QString& name) {
                    QWidget* w = named(name);
                    return w ? w->property(w->inherits("QPlainTextEdit") ? "plainText" : "text").toString()
                             : QString();
                };
                open(QStringLiteral("Phone Book"));
                auto* book = qobject_cast<QTableView*>(named(QStringLiteral("PhoneBookGrid")));
                if (book &&
                    waitFor([&] { return !book->model()->index(0, 1).data().toString().isEmpty(); }, 5000))
                    shots.save(frame, QStringLiteral("38-mobile-phonebook"));
                else
                    fail("the phone book did not list");
                open(QStringLiteral("GPRS"));
                if (waitFor([&] { return !text(QStringLiteral("Ctl12530")).isEmpty(); }, 5000))
                    shots.save(frame, QStringLiteral("39-mobile-gprs-disconnected"));
                else
                    fail("the GPRS page did not fill");
                QTimer::singleShot(300, frame, [] {
                    if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                        if (auto* user = dlg->findChild<QLineEdit*>(QStringLiteral("Ctl12148")))
                            user->setText(QStringLiteral("fleet"));
                        dlg->accept();
                    }
                });
                if (auto* connect = qobject_cast<QPushButton*>(named(QStringLiteral("Ctl12527"))))
                    connect->click();
                waitFor(
                    [&] { return text(QStringLiteral("ConnectionState")) == QStringLiteral("Connected"); },
                    5000);
                waitFor([&] { return named(QStringLiteral("Ctl12546"))->isEnabled(); }, 5000);
                if (auto* diagnose = qobject_cast<QPushButton*>(named(QStringLiteral("Ctl12546"))))
                    diagnose->click();
                if (waitFor([&] { return !text(QStringLiteral("Ctl12545")).isEmpty(); }, 5000))
                    shots.save(frame, QStringLiteral("40-mobile-gprs-connected"));
                else
                    fail("the GPRS page did not connect");
                open(QStringLiteral("Configuration"));
                if (waitFor(
                        [&] {
                            return named(QStringLiteral("Ctl12616")) &&
                                   named(QStringLiteral("Ctl12616"))->isEnabled() &&
                                   !text(QStringLiteral("LockState")).isEmpty();
                        },
                        5000))
                    shots.save(frame, QStringLiteral("41-mobile-configuration"));
                else
                    fail("the configuration page did not read the modem");
            } else {
                fail("the west agent's SIM did not stay ready");
            }
        } else {
            fail("the cellular agents did not arrive");
        }
    }
    // The agent settings dialogs, each opened by its command when the agent has answered.
    auto openSettings = [&](QTreeWidgetItem* agent, int command) -> QDialog* {
        tree->setCurrentItem(agent);
        frame->UpdateCommandUI();
        QWidget* before = doc->ModelessWnd();
        frame->Action(command)->trigger();
        QDialog* dlg = nullptr;
        waitFor(
            [&] {
                dlg = qobject_cast<QDialog*>(doc->ModelessWnd());
                return dlg && dlg != before && dlg->isVisible();
            },
            8000);
        settle(1200); // the clocks tick once
        return dlg;
    };
    for (int type : {0, 1}) {
        QTreeWidgetItem* agent = agentOfType(tree, control, type);
        if (!agent) continue;
        if (QDialog* dlg = openSettings(agent, ID_DATETIME)) {
            shots.saveOver(frame, dlg,
                           QStringLiteral("22-datetime-%1").arg(QString::fromLatin1(typeNames[type])),
                           dlg->windowTitle());
            dlg->reject();
            settle(100);
        } else {
            fail("the date and time dialog did not open");
        }
    }
    if (QTreeWidgetItem* agent = agentOfType(tree, control, 2)) {
        if (auto* dlg = qobject_cast<CZRNetworkDlg*>(openSettings(agent, ID_NETWORK))) {
            shots.saveOver(frame, dlg, QStringLiteral("23-network-ip"), dlg->windowTitle());
            dlg->tabs()->setCurrentIndex(1);
            shots.saveOver(frame, dlg, QStringLiteral("24-network-dns"), dlg->windowTitle());
            dlg->tabs()->setCurrentIndex(0);
            dlg->ipTab()->ipCtrl()->setText(QStringLiteral("10.2.255.7"));
            settle(100);
            dlg->OnApply(); // refused with its message; nothing is sent
            dlg->OnCancel();
            settle(100);
            if (!boxes.contains(QStringLiteral("25-network-refused-address"))) fail("no refused address");
        } else {
            fail("the network dialog did not open");
        }
    }
    if (QTreeWidgetItem* agent = agentOfType(tree, control, 0)) {
        if (auto* dlg = qobject_cast<CZRAutoLaunchDlg*>(openSettings(agent, ID_AUTOLAUNCH))) {
            dlg->programEdit()->setText(QStringLiteral("/opt/plant/logger"));
            dlg->argumentsEdit()->setText(QStringLiteral("--level 2 --out /var/log/plant"));
            dlg->OnAdd();
            dlg->SelectRows({1});
            shots.saveOver(frame, dlg, QStringLiteral("26-auto-launch"), dlg->windowTitle());
            dlg->OnCancel();
            settle(100);
        } else {
            fail("the auto-launch dialog did not open");
        }
    }
    if (gateway) transferDialogShots(frame, gateway, shots, fail);
    // The walk goes on from the gateway, as before the dialogs.
    if (gateway) tree->setCurrentItem(gateway);

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
