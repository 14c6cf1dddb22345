// Phone-book files, and the Phone Book and GPRS pages driven through the window's own members with
// a recording send callback.
#include "gprswnd.h"
#include "mobiletest.h"
#include "modal.h"
#include "pbfile.h"
#include "pbwnd.h"
#include "resource.h"
#include "smswnd.h"
#include "zrmobilewnd.h"

#include <picker.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(PhoneBookFile, QuotesAndBackslashesRoundTripAndPlainFilesStayAsTheyWere)
{
    const QList<_PBItem> book = {{QStringLiteral("Ann \"Boss\" Lee"), QStringLiteral("+4912345")},
                                 {QStringLiteral("ends in \\"), QStringLiteral("*100#")},
                                 {QStringLiteral("Ann Lee"), QStringLiteral("+4912345")},
                                 {QStringLiteral("Jürgen"), QStringLiteral("112")}};
    EXPECT_EQ(PBFileLine(QStringLiteral("Ann Lee"), QStringLiteral("+4912345")), "\"Ann Lee\" +4912345\r\n");
    EXPECT_EQ(PBFileLine(QStringLiteral("Ann \"Boss\" Lee"), QStringLiteral("1")),
              "\"Ann \\\"Boss\\\" Lee\" 1\r\n");
    EXPECT_EQ(PBFileLine(QStringLiteral("ends in \\"), QStringLiteral("1")), "\"ends in \\\\\" 1\r\n");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.txt"));
    QString error;
    ASSERT_TRUE(WritePBFile(path, book, &error)) << qPrintable(error);
    QList<_PBItem> back;
    ASSERT_TRUE(ReadPBFile(path, &back, &error));
    EXPECT_EQ(back, book);
    // An unescaped file of the old form reads as it always did.
    _PBItem item;
    ASSERT_TRUE(ParsePBFileLine("\"Ann Lee\" +4912345\r\n", &item));
    EXPECT_EQ(item.name, QStringLiteral("Ann Lee"));
    EXPECT_EQ(item.number, QStringLiteral("+4912345"));
}

TEST(PhoneBookFile, ALongLineIsOneContactAndEmptyLinesAreSkipped)
{
    const QByteArray data = "\r\n\"" + QByteArray(3000, 'x') + "\" 123\r\n\r\n   \n\"Bob\" 456\r\nlast 789";
    const QList<_PBItem> book = ParsePBFile(data);
    ASSERT_EQ(book.size(), 3);
    EXPECT_EQ(book[0].name, QString(kPBLineMax - 1, u'x'));
    EXPECT_TRUE(book[0].number.isEmpty());
    EXPECT_EQ(book[1], (_PBItem{QStringLiteral("Bob"), QStringLiteral("456")}));
    EXPECT_EQ(book[2], (_PBItem{QStringLiteral("last"), QStringLiteral("789")}));
    // Read from a file, line by line, the same; at most the contacts asked for.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    QList<_PBItem> read;
    QString error;
    ASSERT_TRUE(ReadPBFile(path, &read, &error));
    EXPECT_EQ(read, book);
    ASSERT_TRUE(ReadPBFile(path, &read, &error, 2));
    EXPECT_EQ(read, book.mid(0, 2));
    EXPECT_FALSE(ReadPBFile(dir.filePath(QStringLiteral("none.txt")), &read, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PhoneBookFile, AFailedWriteKeepsTheOldFileAndSaysWhy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.txt"));
    QString error;
    ASSERT_TRUE(WritePBFile(path, {{QStringLiteral("Old"), QStringLiteral("1")}}, &error));
    // A folder where the file should be: nothing can be written there.
    QDir(dir.path()).mkdir(QStringLiteral("taken"));
    EXPECT_FALSE(WritePBFile(dir.filePath(QStringLiteral("taken")),
                             {{QStringLiteral("New"), QStringLiteral("2")}}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(WritePBFile(dir.filePath(QStringLiteral("book.txt/inside")), {}, &error));
    EXPECT_EQ(readFile(path), "\"Old\" 1\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("book.txt")});
    EXPECT_EQ(JoinPBPath(QStringLiteral("C:\\Books"), QStringLiteral("a.txt")),
              QStringLiteral("C:\\Books\\a.txt"));
    EXPECT_EQ(JoinPBPath(QStringLiteral("C:\\"), QStringLiteral("a.txt")), QStringLiteral("C:\\a.txt"));
    EXPECT_EQ(JoinPBPath(QStringLiteral("/tmp"), QStringLiteral("a.txt")), QStringLiteral("/tmp/a.txt"));
}

namespace {

const QString kKey = QStringLiteral("gw|10.0.0.1");

struct PageTest : ::testing::Test
{
    PageTest()
    {
        parent.resize(900, 600);
        wnd = new CZRMobileWnd(&parent);
        wnd->setGeometry(parent.rect());
        wnd->SetSendMessageCB(&SendRecorder::Callback, nullptr, &rec);
        wnd->SetNick(kKey);
        parent.show();
    }
    void reply(int code, const QString& text = QString()) { wnd->ReceiveMessage(quint16(code), kKey, text); }
    CZRMobilePBWnd* pb() const { return wnd->PbPage(); }
    CZRMobilePBGrid* grid() const { return pb()->Grid(); }
    CZRMobileGPRSWnd* gprs() const { return wnd->GprsPage(); }
    template <typename T> T* ctl(QWidget* page, int id) const
    {
        return page->findChild<T*>(QStringLiteral("Ctl%1").arg(id));
    }
    // The phone book shown and listed with these replies (index, name, number).
    void listBook(const QStringList& contacts)
    {
        wnd->SetModel(QStringLiteral("K520"));
        wnd->Init();
        reply(302, QStringLiteral("0"));
        rec.sent.clear();
        wnd->ShowPage(PAGE_PHONEBOOK);
        for (const QString& c : contacts)
            reply(352, c);
        reply(353, QString::number(contacts.size()));
    }
    const SentRequest& last() const { return rec.sent.back(); }

    MessageRecorder boxes;
    SendRecorder rec;
    QWidget parent;
    CZRMobileWnd* wnd = nullptr;
};

} // namespace

TEST_F(PageTest, ListingPlacesContactsByIndexBoundsItAndClearsStaleRows)
{
    listBook({QStringLiteral("1 \"Ann \\\"Boss\\\" Lee\" \"+4912345\""),
              QStringLiteral("4 \"Night\" \"*100#\""), QStringLiteral("0 \"zero\" \"1\""),
              QStringLiteral("99999999 \"far\" \"2\""), QStringLiteral("x \"bad\" \"3\"")});
    ASSERT_EQ(rec.sent.size(), 1u);
    EXPECT_EQ(rec.sent[0].number, 54);
    EXPECT_EQ(grid()->Name(0), QStringLiteral("Ann \"Boss\" Lee"));
    EXPECT_TRUE(grid()->IsEmptyRow(1));
    EXPECT_TRUE(grid()->IsEmptyRow(2));
    EXPECT_EQ(grid()->Number(3), QStringLiteral("*100#"));
    EXPECT_EQ(grid()->GetNumberRows(), 4 + CZRMobilePBGrid::kSpareRows);
    EXPECT_EQ(pb()->Contacts().size(), 2);
    // Shown again, a list without entries leaves nothing of the old one.
    wnd->ShowPage(PAGE_GPRS);
    wnd->ShowPage(PAGE_PHONEBOOK);
    reply(353, QStringLiteral("0"));
    EXPECT_TRUE(pb()->Contacts().isEmpty());
}

TEST_F(PageTest, SavesGoOneAtATimeAndAFailedOneStaysChanged)
{
    listBook({QStringLiteral("1 \"Ann\" \"1\""), QStringLiteral("2 \"Bob\" \"2\"")});
    grid()->SetContact(0, QStringLiteral("Ann \"A\""), QStringLiteral("11"), true);
    grid()->SetContact(2, QStringLiteral("C:\\"), QStringLiteral("33"), true);
    rec.sent.clear();
    QTest::mouseClick(ctl<QPushButton>(pb(), 12519), Qt::LeftButton);
    ASSERT_EQ(rec.sent.size(), 1u);
    EXPECT_EQ(last().number, 55);
    EXPECT_EQ(last().text, QStringLiteral("1 \"Ann \\\"A\\\"\" \"11\""));
    EXPECT_FALSE(ctl<QPushButton>(pb(), 12519)->isEnabled());
    // The first is refused: it keeps its change, the next one goes.
    reply(999, QStringLiteral("355 \"The contact could not be saved.\""));
    ASSERT_EQ(rec.sent.size(), 2u);
    EXPECT_EQ(last().text, QStringLiteral("3 \"C:\\\\\" \"33\""));
    reply(356, QStringLiteral("3"));
    EXPECT_EQ(rec.sent.size(), 2u);
    EXPECT_TRUE(grid()->Changed(0));
    EXPECT_FALSE(grid()->Changed(2));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("The contact could not be saved."));
    // Nothing is sent while the console cannot: the row stays changed for the next Save.
    rec.result = 0;
    pb()->Save();
    EXPECT_TRUE(grid()->Changed(0));
    rec.result = 1;
    pb()->Save();
    EXPECT_EQ(last().text, QStringLiteral("1 \"Ann \\\"A\\\"\" \"11\""));
}

TEST_F(PageTest, DeleteEmptiesTheCheckedRowsAfterTheQuestion)
{
    listBook({QStringLiteral("1 \"Ann\" \"1\""), QStringLiteral("2 \"Bob\" \"2\"")});
    grid()->SetChecked(1, true);
    SetMessageHandler([&](const MessageRecord& m) {
        boxes.boxes.push_back(m);
        return IDCANCEL;
    });
    rec.sent.clear();
    pb()->Delete();
    EXPECT_TRUE(rec.sent.empty());
    EXPECT_EQ(grid()->Name(1), QStringLiteral("Bob"));
    SetMessageHandler([&](const MessageRecord& m) {
        boxes.boxes.push_back(m);
        return IDOK;
    });
    pb()->Delete();
    ASSERT_EQ(rec.sent.size(), 1u);
    EXPECT_EQ(last().text, QStringLiteral("2 \"\" \"\""));
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("Are you sure you want to delete?"));
    EXPECT_TRUE(grid()->IsEmptyRow(1));
}

TEST_F(PageTest, NumberCellsRefuseLettersAndHyphensAsTheyAreTyped)
{
    listBook({QStringLiteral("1 \"Ann\" \"1\"")});
    for (QChar c : QStringLiteral("0123456789#*+\u00e9"))
        EXPECT_TRUE(CZRMobilePBGrid::IsNumberChar(c)) << int(c.unicode());
    for (QChar c : QStringLiteral("a-Z ."))
        EXPECT_FALSE(CZRMobilePBGrid::IsNumberChar(c)) << int(c.unicode());
    grid()->StartEdit(2, 0);
    auto* edit = grid()->findChild<QLineEdit*>(QStringLiteral("CellEdit"));
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("+49-a7*#"));
    EXPECT_EQ(edit->text(), QStringLiteral("+497*#"));
}

TEST_F(PageTest, AnEmptyBookExportsNothingAndTheOverwriteIsAsked)
{
    QTemporaryDir dir;
    listBook({QStringLiteral("3 \"\" \"\"")});
    auto exportTo = [&](const QString& name) {
        whenModal([&, name](QDialog* dlg) {
            named<QLineEdit>(dlg, QStringLiteral("Ctl12119"))->setText(name);
            named<QCheckBox>(dlg, QStringLiteral("Ctl12121"))->setChecked(true);
            named<QLineEdit>(dlg, QStringLiteral("Ctl12124"))->setText(dir.path());
            named<QCheckBox>(dlg, QStringLiteral("Ctl12125"))->setChecked(true);
            named<QLineEdit>(dlg, QStringLiteral("Ctl12127"))->setText(QStringLiteral("/tmp"));
            dlg->accept();
        });
        pb()->Export();
    };
    rec.sent.clear();
    exportTo(QStringLiteral("book.txt"));
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("The phone book is empty."));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("book.txt"))));
    EXPECT_TRUE(rec.sent.empty());

    // An existing file is replaced only when the operator says so.
    QFile old(dir.filePath(QStringLiteral("book.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("keep me\r\n");
    old.close();
    grid()->SetContact(0, QStringLiteral("Ann"), QStringLiteral("1"), false);
    std::vector<MessageRecord> seen;
    SetMessageHandler([&](const MessageRecord& m) {
        seen.push_back(m);
        return m.text.startsWith(QStringLiteral("The file already exists")) ? IDCANCEL : IDOK;
    });
    exportTo(QStringLiteral("book.txt"));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("book.txt"))), "keep me\r\n");
    // The device export chosen beside it still goes.
    ASSERT_EQ(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[0].number, 58);
    EXPECT_EQ(rec.sent[0].text, QStringLiteral("\"Ann\" 1"));
    EXPECT_EQ(rec.sent[1].number, 59);
    EXPECT_EQ(rec.sent[1].text, QStringLiteral("\"/tmp/book.txt\""));
    seen.clear();
    SetMessageHandler([&](const MessageRecord& m) {
        seen.push_back(m);
        return IDOK;
    });
    exportTo(QStringLiteral("book.txt"));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, QStringLiteral("Exporting phone book to local PC is successful."));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("book.txt"))), "\"Ann\" 1\r\n");
}

TEST_F(PageTest, ExportDialogAsksForATargetAndTheNames)
{
    listBook({QStringLiteral("1 \"Ann\" \"1\"")});
    std::vector<QString> texts;
    whenModal([&](QDialog* dlg) {
        dlg->accept();
        texts.push_back(boxes.boxes.empty() ? QString() : boxes.boxes.back().text);
        named<QCheckBox>(dlg, QStringLiteral("Ctl12125"))->setChecked(true);
        dlg->accept();
        texts.push_back(boxes.boxes.back().text);
        dlg->reject();
    });
    pb()->Export();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], QStringLiteral("Choose at least one option and try again."));
    EXPECT_EQ(texts[1], QStringLiteral("Please input the filename and directory."));
    EXPECT_EQ(boxes.boxes.back().caption, QStringLiteral("Phone Book"));
}

TEST_F(PageTest, GprsReconnectionFollowsTheModeSent)
{
    wnd->SetModel(QStringLiteral("K520"));
    wnd->Init();
    reply(302, QStringLiteral("0"));
    rec.sent.clear();
    wnd->ShowPage(PAGE_GPRS);
    ASSERT_EQ(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[0].number, 37);
    EXPECT_EQ(rec.sent[1].number, 41);
    reply(312, QStringLiteral("0 0"));
    reply(320, QStringLiteral("6 \"Op\" \"apn\""));
    EXPECT_EQ(ctl<QLineEdit>(gprs(), 12530)->text(), QStringLiteral("6"));
    auto* state = gprs()->findChild<QLabel*>(QStringLiteral("ReconnectState"));
    auto* apply = ctl<QPushButton>(gprs(), 12537);
    // Stop while stopped: mode 2, and the display stays "stopped".
    ctl<QRadioButton>(gprs(), 12539)->setChecked(true);
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(last().text, QStringLiteral("2 10"));
    reply(318, QStringLiteral("0"));
    EXPECT_EQ(state->text(), QStringLiteral("Reconnect stopped"));
    // Start with an empty interval: "1 10", then started.
    ctl<QRadioButton>(gprs(), 12538)->setChecked(true);
    ctl<QLineEdit>(gprs(), 12541)->clear();
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(last().text, QStringLiteral("1 10"));
    reply(318, QStringLiteral("1"));
    EXPECT_EQ(state->text(), QStringLiteral("Reconnect started"));
    EXPECT_EQ(ctl<QRadioButton>(gprs(), 12538)->text(),
              QStringLiteral("Restart auto-reconnection with time interval (sec):"));
    // Start while running sends nothing; Stop sends mode 0.
    const size_t sent = rec.sent.size();
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(rec.sent.size(), sent);
    ctl<QRadioButton>(gprs(), 12539)->setChecked(true);
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(last().text, QStringLiteral("0 10"));
    EXPECT_TRUE(gprs()->ReconnectRunning());
    reply(318, QStringLiteral("0"));
    EXPECT_FALSE(gprs()->ReconnectRunning());
    // The interval takes digits only.
    auto* interval = ctl<QLineEdit>(gprs(), 12541);
    ctl<QRadioButton>(gprs(), 12538)->setChecked(true);
    interval->clear();
    QTest::keyClicks(interval, QStringLiteral("3a0-5 "));
    EXPECT_EQ(interval->text(), QStringLiteral("305"));
}

TEST_F(PageTest, GprsCredentialsWithAQuoteAreRefusedAndEmptyOnesSendOne)
{
    wnd->SetModel(QStringLiteral("K520"));
    wnd->Init();
    reply(302, QStringLiteral("0"));
    wnd->ShowPage(PAGE_GPRS);
    reply(312, QStringLiteral("0 0"));
    reply(320, QStringLiteral("3 \"Op\" \"apn\""));
    rec.sent.clear();
    bool stayed = false;
    whenModal([&](QDialog* dlg) {
        named<QLineEdit>(dlg, QStringLiteral("Ctl12148"))->setText(QStringLiteral("us\"er"));
        dlg->accept();
        stayed = dlg->isVisible();
        named<QLineEdit>(dlg, QStringLiteral("Ctl12148"))->setText(QStringLiteral("user"));
        named<QLineEdit>(dlg, QStringLiteral("Ctl12150"))->setText(QStringLiteral("p\\w"));
        dlg->accept();
    });
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12527), Qt::LeftButton);
    EXPECT_TRUE(stayed);
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes[0].text,
              QStringLiteral("The user name and the password cannot contain a double quote."));
    ASSERT_EQ(rec.sent.size(), 1u);
    EXPECT_EQ(last().text, QStringLiteral("1 \"user\" \"p\\\\w\""));
    reply(314, QStringLiteral("1"));
    // Connected on the page shown: the network is read again.
    EXPECT_EQ(last().number, 41);
    reply(320, QStringLiteral("3 \"Op\" \"apn\""));
    whenModal([](QDialog* dlg) { dlg->accept(); });
    EXPECT_TRUE(gprs()->Connected());
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12527), Qt::LeftButton);
    EXPECT_EQ(last().text, QStringLiteral("0"));
    reply(314, QStringLiteral("0"));
    QTest::mouseClick(ctl<QPushButton>(gprs(), 12527), Qt::LeftButton);
    EXPECT_EQ(last().text, QStringLiteral("1"));
    // The boot line belongs to the family only.
    EXPECT_FALSE(ctl<QPushButton>(gprs(), 12543)->isEnabled());
    EXPECT_EQ(rec.count(86), 0);
}

TEST(GprsBands, KnownValuesAreNamedOthersShownAsSent)
{
    EXPECT_EQ(CZRMobileGPRSWnd::BandName(QStringLiteral("3")), QStringLiteral("GSM 900 MHz + GSM 1800 MHz"));
    EXPECT_EQ(CZRMobileGPRSWnd::BandName(QStringLiteral("15")),
              QStringLiteral("GSM 900 MHz + GSM 1800 MHz + GSM 850 MHz + GSM 1900 MHz"));
    EXPECT_EQ(CZRMobileGPRSWnd::BandName(QStringLiteral("6")), QStringLiteral("6"));
    EXPECT_EQ(CZRMobileGPRSWnd::BandName(QStringLiteral("x")), QStringLiteral("x"));
}

TEST_F(PageTest, StorageChoicesThatCouldNotBeSentGoBack)
{
    wnd->SetModel(QStringLiteral("K520"));
    wnd->Init();
    reply(302, QStringLiteral("0"));
    wnd->ShowPage(PAGE_CONFIG);
    reply(308, QStringLiteral("0"));
    reply(332, QStringLiteral("SM"));
    reply(358, QStringLiteral("SM"));
    QWidget* cfg = wnd->findChild<QWidget*>(QStringLiteral("MobilePage12508"));
    ASSERT_NE(cfg, nullptr);
    auto* sim = ctl<QCheckBox>(cfg, 12612);
    auto* device = ctl<QCheckBox>(cfg, 12613);
    auto* pbDevice = ctl<QRadioButton>(cfg, 12620);
    ASSERT_TRUE(sim->isChecked());
    // The console cannot send: the page keeps showing what the agent has.
    rec.result = 0;
    sim->setChecked(false);
    device->setChecked(true);
    QTest::mouseClick(ctl<QPushButton>(cfg, 12616), Qt::LeftButton);
    EXPECT_TRUE(sim->isChecked());
    EXPECT_FALSE(device->isChecked());
    pbDevice->setChecked(true);
    QTest::mouseClick(ctl<QPushButton>(cfg, 12623), Qt::LeftButton);
    EXPECT_TRUE(ctl<QRadioButton>(cfg, 12619)->isChecked());
    // Sent, the choice stands and is confirmed by the reply.
    rec.result = 1;
    device->setChecked(true);
    QTest::mouseClick(ctl<QPushButton>(cfg, 12616), Qt::LeftButton);
    EXPECT_EQ(last().text, QStringLiteral("MT 0"));
    reply(334, QStringLiteral("MT"));
    EXPECT_TRUE(sim->isChecked());
    EXPECT_TRUE(device->isChecked());
}

TEST_F(PageTest, ChangedRowsSurviveThePageShownAgain)
{
    listBook({QStringLiteral("1 \"Ann\" \"1\"")});
    grid()->SetContact(0, QStringLiteral("Anna"), QStringLiteral("1"), true);
    // The gate is held by a request of another page: the save waits, then the page changes,
    // which drops the parked save.
    wnd->EnableATRelated(false);
    pb()->Save();
    EXPECT_EQ(wnd->ParkedRequest(), 55);
    wnd->ShowPage(PAGE_GPRS);
    wnd->EnableATRelated(true);
    rec.sent.clear();
    boxes.boxes.clear();
    // Shown again, the page asks before a new list could overwrite the change, and saves it.
    wnd->ShowPage(PAGE_PHONEBOOK);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Do you want to save the modified data?"));
    ASSERT_EQ(rec.sent.size(), 1u);
    EXPECT_EQ(last().text, QStringLiteral("1 \"Anna\" \"1\""));
    reply(356, QStringLiteral("1"));
    EXPECT_FALSE(grid()->Changed(0));
    EXPECT_EQ(grid()->Name(0), QStringLiteral("Anna"));
    // Declined, the list is read again and replaces the change.
    grid()->SetContact(0, QStringLiteral("Annabel"), QStringLiteral("1"), true);
    SetMessageHandler([](const MessageRecord&) { return IDCANCEL; });
    wnd->ShowPage(PAGE_GPRS);
    reply(320, QStringLiteral("3 \"Op\" \"apn\""));
    wnd->ShowPage(PAGE_PHONEBOOK);
    EXPECT_EQ(last().number, 54);
    reply(352, QStringLiteral("1 \"Anna\" \"1\""));
    reply(353, QStringLiteral("1"));
    EXPECT_EQ(grid()->Name(0), QStringLiteral("Anna"));
    EXPECT_FALSE(grid()->Changed(0));
}

// The SMS edit page's Phone Book button: the picked number becomes the recipient, Cancel keeps
// what was typed, and a book not listed yet is asked for and fills the open picker.
TEST_F(PageTest, SmsEditPicksItsRecipientFromThePhoneBook)
{
    wnd->SetModel(QStringLiteral("K520"));
    wnd->Init();
    reply(302, QStringLiteral("0"));
    auto* edit = wnd->findChild<CZRMobileSMSEditWnd*>();
    ASSERT_NE(edit, nullptr);
    auto* number = ctl<QLineEdit>(edit, IDC_EDIT_NUMBER);
    auto* button = ctl<QPushButton>(edit, IDC_EDIT_PHONEBOOK);
    ASSERT_TRUE(number && button);
    number->setText(QStringLiteral("+4900"));
    rec.sent.clear();
    int rowsSeen = -1;
    whenModal([&](QDialog* d) {
        auto* picker = qobject_cast<CZRMobilePBDlg*>(d);
        ASSERT_NE(picker, nullptr);
        // The empty book was asked for; its list arrives while the picker is open.
        reply(352, QStringLiteral("1 \"Ann\" \"+491\""));
        reply(352, QStringLiteral("2 \"Bob\" \"+492\""));
        reply(353, QStringLiteral("2"));
        rowsSeen = int(picker->Grid()->GetNumberRows());
        picker->Grid()->GotoRow(1);
        picker->accept();
    });
    button->click();
    ASSERT_FALSE(rec.sent.empty());
    EXPECT_EQ(rec.sent.front().number, 54);
    EXPECT_GE(rowsSeen, 2);
    EXPECT_EQ(number->text(), QStringLiteral("+492"));
    // Listed now: nothing is asked again, and Cancel changes nothing.
    rec.sent.clear();
    whenModal([](QDialog* d) { d->reject(); });
    button->click();
    EXPECT_TRUE(rec.sent.empty());
    EXPECT_EQ(number->text(), QStringLiteral("+492"));
}

TEST_F(PageTest, ContactPickerReturnsTheDoubleClickedNumberAndFollowsNewLists)
{
    listBook({QStringLiteral("1 \"Ann\" \"+491\""), QStringLiteral("2 \"Bob\" \"+492\"")});
    CZRMobilePBDlg picker(wnd, CZRMobilePBDlg::Picker, pb()->Contacts());
    picker.FollowPage(pb());
    picker.show();
    QTableView* view = picker.Grid();
    ASSERT_EQ(view->model()->index(1, 2).data().toString(), QStringLiteral("+492"));
    // A new list arrives while the picker is open.
    wnd->ShowPage(PAGE_PHONEBOOK);
    reply(352, QStringLiteral("1 \"Ann\" \"+491\""));
    reply(352, QStringLiteral("2 \"Bob\" \"+492\""));
    reply(352, QStringLiteral("3 \"Cy\" \"+493\""));
    reply(353, QStringLiteral("3"));
    ASSERT_EQ(picker.Grid()->GetNumberRows(), 3);
    const QRect cell = view->visualRect(view->model()->index(2, 2));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(picker.result(), int(QDialog::Accepted));
    EXPECT_EQ(picker.ChosenNumber(), QStringLiteral("+493"));
    // A name cell is no choice.
    CZRMobilePBDlg again(wnd, CZRMobilePBDlg::Picker, pb()->Contacts());
    again.show();
    QTableView* v2 = again.Grid();
    QTest::mouseDClick(v2->viewport(), Qt::LeftButton, {}, v2->visualRect(v2->model()->index(0, 1)).center());
    EXPECT_TRUE(again.isVisible());
}
