// The validating edit: typed and pasted input, ranges in 64 bits, and the balloon that explains a
// refusal.
#include "dynedit.h"
#include "infownd.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString kName = QStringLiteral("Invalid characters: \\ / : * ? \" < > |");
const QString kFileMode = QStringLiteral("File mode: 3 chars only, 0~7 for each char");

// A dialog-like window holding one field, shown and active so that the balloon may appear.
class DynEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        win = std::make_unique<QWidget>();
        auto* lay = new QVBoxLayout(win.get());
        lay->setContentsMargins(20, 60, 20, 20);
        edit = new CDynEdit(win.get());
        edit->setAccessibleName(QStringLiteral("Port"));
        lay->addWidget(edit);
        win->resize(300, 120);
        win->move(100, 200);
        win->show();
        win->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
        edit->setFocus();
    }
    void TearDown() override
    {
        win.reset();
        QGuiApplication::clipboard()->clear();
    }

    CInfoWnd* balloon() const { return edit->GetInfoWnd(); }
    bool balloonShows(const QString& text) const
    {
        return balloon()->isVisible() && balloon()->GetText() == text;
    }
    void type(const QString& s) { QTest::keyClicks(edit, s); }
    void pasteKeys(const QString& clip)
    {
        QGuiApplication::clipboard()->setText(clip);
        QTest::keySequence(edit, QKeySequence(QKeySequence::Paste));
    }
    void atEnd(const QString& text)
    {
        edit->setText(text);
        edit->end(false);
    }

    std::unique_ptr<QWidget> win;
    CDynEdit* edit = nullptr;
};

// ---- typed input

TEST_F(DynEditTest, TypedFileModeDigitsLimitAndReplacement)
{
    edit->SetTextType(CDynEdit::TypeFileMode);
    EXPECT_EQ(edit->maxLength(), 3);
    EXPECT_TRUE(edit->IsRangeCheck());
    EXPECT_EQ(edit->GetMinNum(), 0);
    EXPECT_EQ(edit->GetMaxNum(), 777);

    type(QStringLiteral("78"));
    EXPECT_EQ(edit->text(), QStringLiteral("7"));
    EXPECT_TRUE(balloonShows(kFileMode));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("7")); // whole text selected after a refusal

    atEnd(QStringLiteral("75"));
    type(QStringLiteral("9"));
    EXPECT_TRUE(balloonShows(kFileMode));
    type(QStringLiteral("6")); // replaces the selected text
    EXPECT_EQ(edit->text(), QStringLiteral("6"));
    EXPECT_FALSE(balloon()->isVisible()); // a valid character hides the balloon

    atEnd(QStringLiteral("75"));
    type(QStringLiteral("5"));
    EXPECT_EQ(edit->text(), QStringLiteral("755"));
    type(QStringLiteral("5")); // the caret is at the limit: the field's limit refuses, no balloon
    EXPECT_EQ(edit->text(), QStringLiteral("755"));
    EXPECT_FALSE(balloon()->isVisible());
}

TEST_F(DynEditTest, TypedDecimalPortOutOfRangeKeepsText)
{
    edit->SetTextType(CDynEdit::TypeDec);
    edit->SetRangeNum(1, 65535);
    atEnd(QStringLiteral("7000"));
    type(QStringLiteral("0"));
    EXPECT_EQ(edit->text(), QStringLiteral("7000"));
    EXPECT_TRUE(balloonShows(QStringLiteral("Range: 1 ~ 65535")));
    edit->clear();
    type(QStringLiteral("0")); // 0 is below the minimum
    EXPECT_EQ(edit->text(), QString());
    type(QStringLiteral("65535x"));
    EXPECT_EQ(edit->text(), QStringLiteral("65535"));
    EXPECT_TRUE(balloonShows(QStringLiteral("DEC"))); // the validator speaks before the range
}

TEST_F(DynEditTest, TypedNameRefusesTheNineAndKeepsBackspace)
{
    edit->SetTextType(CDynEdit::TypeName);
    EXPECT_EQ(edit->GetBase(), 10);
    for (QChar c : QStringLiteral("\\/:*?\"<>|")) {
        edit->clear();
        type(QStringLiteral("gw") + c);
        EXPECT_EQ(edit->text(), QStringLiteral("gw")) << int(c.unicode());
        EXPECT_TRUE(balloonShows(kName)) << int(c.unicode());
    }
    atEnd(QStringLiteral("gw 1.x_y"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("gw 1.x_"));
    EXPECT_FALSE(balloon()->isVisible());
}

TEST_F(DynEditTest, TypedHexAndBinaryBases)
{
    edit->SetTextType(CDynEdit::TypeHex);
    EXPECT_EQ(edit->GetBase(), 16);
    type(QStringLiteral("aF09g"));
    EXPECT_EQ(edit->text(), QStringLiteral("aF09"));
    EXPECT_TRUE(balloonShows(QStringLiteral("HEX")));

    // With a range the hex digits A to F are refused: the range test takes decimal digits only.
    edit->clear();
    edit->SetRangeNum(0, 0xFFFF);
    type(QStringLiteral("1A"));
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    EXPECT_TRUE(balloonShows(QStringLiteral("Range: 0 ~ 65535")));

    edit->SetTextType(CDynEdit::TypeBin);
    EXPECT_EQ(edit->GetBase(), 2);
    edit->clear();
    edit->SetRangeNum(0, 5);
    type(QStringLiteral("101")); // 5
    EXPECT_EQ(edit->text(), QStringLiteral("101"));
    type(QStringLiteral("1")); // 11 = 1011 > 5
    EXPECT_EQ(edit->text(), QStringLiteral("101"));
    EXPECT_TRUE(balloonShows(QStringLiteral("Range: 0 ~ 5")));
    edit->clear();
    type(QStringLiteral("2"));
    EXPECT_TRUE(balloonShows(QStringLiteral("BIN")));
}

TEST_F(DynEditTest, TypedAllowedSetShortcutsAndCharactersOutsideTheBmp)
{
    edit->SetTextType(CDynEdit::TypeDec);
    edit->SetValidChar(QStringLiteral("01"));
    EXPECT_TRUE(edit->isValidChar(u'1'));
    EXPECT_FALSE(edit->isValidChar(u'2'));
    EXPECT_TRUE(edit->isValidChar(u'\b'));
    type(QStringLiteral("102"));
    EXPECT_EQ(edit->text(), QStringLiteral("10"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("10"));
    edit->end(false);
    type(QStringLiteral("1"));
    EXPECT_EQ(edit->text(), QStringLiteral("101"));

    // Ctrl+A is a shortcut, not a character: it selects and is never refused.
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("101"));

    // A character outside the BMP comes as two halves; neither may slip past the digit rule.
    edit->end(false);
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\U0001F600"));
    QApplication::sendEvent(edit, &key);
    EXPECT_EQ(edit->text(), QStringLiteral("101"));
    EXPECT_TRUE(balloonShows(QStringLiteral("DEC")));
}

// ---- ranges and overflow

TEST(DynEditNumber, ReadsTheLongestLeadingNumber)
{
    qint64 v = -1;
    EXPECT_TRUE(CDynEdit::ReadNumber(u"", 10, &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(CDynEdit::ReadNumber(u"x12", 10, &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(CDynEdit::ReadNumber(u"  -42abc", 10, &v));
    EXPECT_EQ(v, -42);
    EXPECT_TRUE(CDynEdit::ReadNumber(u"0x1fZ", 16, &v));
    EXPECT_EQ(v, 0x1f);
    EXPECT_TRUE(CDynEdit::ReadNumber(u"1012", 2, &v));
    EXPECT_EQ(v, 5);
    EXPECT_TRUE(CDynEdit::ReadNumber(u"9223372036854775807", 10, &v));
    EXPECT_EQ(v, LLONG_MAX);
    EXPECT_TRUE(CDynEdit::ReadNumber(u"-9223372036854775808", 10, &v));
    EXPECT_EQ(v, LLONG_MIN);
    EXPECT_FALSE(CDynEdit::ReadNumber(u"9223372036854775808", 10, &v));
    EXPECT_FALSE(CDynEdit::ReadNumber(u"18446744073709551616", 10, &v)); // 2^64 would wrap to 0
    EXPECT_FALSE(CDynEdit::ReadNumber(u"10000000000000000", 16, &v));
}

TEST_F(DynEditTest, RangeInSixtyFourBitsNeverWraps)
{
    // Hex 99999999 is 2576980377: above the 32-bit maximum, and negative if it wrapped.
    edit->SetTextType(CDynEdit::TypeHex);
    edit->SetRangeNum(INT_MIN, INT_MAX);
    type(QStringLiteral("99999999"));
    EXPECT_EQ(edit->text(), QStringLiteral("9999999"));
    EXPECT_TRUE(balloonShows(QStringLiteral("Range: -2147483648 ~ 2147483647")));

    // Past 64 bits: 2^64 wraps to 0, which lies in the range.
    edit->SetTextType(CDynEdit::TypeDec);
    atEnd(QStringLiteral("1844674407370955161"));
    EXPECT_FALSE(edit->isValidRange(u'6'));
    type(QStringLiteral("6"));
    EXPECT_EQ(edit->text(), QStringLiteral("1844674407370955161"));

    // Negative ranges read the sign already in the field.
    edit->SetRangeNum(-100, 100);
    atEnd(QStringLiteral("-5"));
    type(QStringLiteral("0"));
    EXPECT_EQ(edit->text(), QStringLiteral("-50"));
    type(QStringLiteral("0"));
    EXPECT_EQ(edit->text(), QStringLiteral("-50"));
}

TEST_F(DynEditTest, RangeCandidateFollowsCaretSelectionAndLimit)
{
    edit->SetTextType(CDynEdit::TypeDec);
    edit->SetRangeNum(1, 500);
    edit->setText(QStringLiteral("450"));
    edit->setCursorPosition(0);
    EXPECT_FALSE(edit->isValidRange(u'1')); // 1450
    EXPECT_FALSE(edit->isValidRange(u'a')); // not a digit, whatever the base
    EXPECT_TRUE(edit->isValidRange(u'\b'));
    edit->setSelection(1, 2); // "50" -> "49"
    EXPECT_TRUE(edit->isValidRange(u'9'));
    edit->setSelection(0, 1); // "4" -> "950"
    EXPECT_FALSE(edit->isValidRange(u'9'));

    // At the limit the edit's own limit decides; a selection as long as the limit is replaced whole.
    edit->setMaxLength(3);
    edit->end(false);
    EXPECT_TRUE(edit->isValidRange(u'9'));
    edit->selectAll();
    EXPECT_TRUE(edit->isValidRange(u'9'));
    type(QStringLiteral("9"));
    EXPECT_EQ(edit->text(), QStringLiteral("9"));
}

// ---- pasted input

TEST_F(DynEditTest, PastedGatewayNameRefusesSeparators)
{
    edit->SetTextType(CDynEdit::TypeName);
    atEnd(QStringLiteral("gw"));
    pasteKeys(QStringLiteral("1|10.0.0.1"));
    EXPECT_EQ(edit->text(), QStringLiteral("gw"));
    EXPECT_TRUE(balloonShows(kName));
    edit->end(false);
    pasteKeys(QStringLiteral("host:99"));
    EXPECT_EQ(edit->text(), QStringLiteral("gw"));
    edit->end(false);
    pasteKeys(QStringLiteral("-north 2"));
    EXPECT_EQ(edit->text(), QStringLiteral("gw-north 2"));
    EXPECT_FALSE(balloon()->isVisible());
    edit->selectAll();
    pasteKeys(QStringLiteral("a\nb")); // no line breaks in a one-line name
    EXPECT_EQ(edit->text(), QStringLiteral("gw-north 2"));
    EXPECT_TRUE(balloonShows(kName));
}

TEST_F(DynEditTest, PastedPortPassesTheRange)
{
    edit->SetTextType(CDynEdit::TypeDec);
    edit->SetRangeNum(1, 65535);
    pasteKeys(QStringLiteral("70000"));
    EXPECT_EQ(edit->text(), QString());
    EXPECT_TRUE(balloonShows(QStringLiteral("Range: 1 ~ 65535")));
    pasteKeys(QStringLiteral("99999999999999999999")); // past 64 bits
    EXPECT_EQ(edit->text(), QString());
    pasteKeys(QStringLiteral("80a"));
    EXPECT_EQ(edit->text(), QString());
    EXPECT_TRUE(balloonShows(QStringLiteral("DEC")));
    pasteKeys(QStringLiteral("8080"));
    EXPECT_EQ(edit->text(), QStringLiteral("8080"));
    EXPECT_FALSE(balloon()->isVisible());
    // Pasted over a selection: "8080" with "08" replaced by "55" is 8550.
    edit->setSelection(1, 2);
    EXPECT_TRUE(edit->InsertText(QStringLiteral("55")));
    EXPECT_EQ(edit->text(), QStringLiteral("8550"));
    edit->setSelection(0, 1);
    EXPECT_FALSE(edit->InsertText(QStringLiteral("99"))); // 99550
    EXPECT_EQ(edit->text(), QStringLiteral("8550"));
}

TEST_F(DynEditTest, PastedFileModeIsCutToTheLimitBeforeTheRange)
{
    edit->SetTextType(CDynEdit::TypeFileMode);
    pasteKeys(QStringLiteral("7777")); // the field keeps 777
    EXPECT_EQ(edit->text(), QStringLiteral("777"));
    edit->clear();
    pasteKeys(QStringLiteral("778"));
    EXPECT_EQ(edit->text(), QString());
    EXPECT_TRUE(balloonShows(kFileMode));
}

TEST_F(DynEditTest, PasteFromTheContextMenuAndInputMethodAreChecked)
{
    edit->SetTextType(CDynEdit::TypeDec);
    edit->SetRangeNum(1, 65535);
    QGuiApplication::clipboard()->setText(QStringLiteral("123456"));
    QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit, &ev);
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible()) menu = m;
    ASSERT_NE(menu, nullptr);
    QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(edit->text(), QString());
    EXPECT_TRUE(balloonShows(QStringLiteral("Range: 1 ~ 65535")));

    QInputMethodEvent bad(QString(), {});
    bad.setCommitString(QStringLiteral("12x"));
    QApplication::sendEvent(edit, &bad);
    EXPECT_EQ(edit->text(), QString());
    QInputMethodEvent good(QString(), {});
    good.setCommitString(QStringLiteral("22"));
    QApplication::sendEvent(edit, &good);
    EXPECT_EQ(edit->text(), QStringLiteral("22"));
}

TEST_F(DynEditTest, DroppedTextIsChecked)
{
    edit->SetTextType(CDynEdit::TypeDec);
    edit->SetRangeNum(1, 65535);
    edit->setText(QStringLiteral("80"));
    auto drop = [&](const QString& text) {
        QMimeData mime;
        mime.setText(text);
        const QPoint at(edit->width() - 2, edit->height() / 2);
        // Qt hands a drop only to the widget that took the drag's entry.
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        QDropEvent ev(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &ev);
    };
    drop(QStringLiteral("000")); // 80000
    EXPECT_EQ(edit->text(), QStringLiteral("80"));
    EXPECT_TRUE(balloonShows(QStringLiteral("Range: 1 ~ 65535")));
    drop(QStringLiteral("8:"));
    EXPECT_EQ(edit->text(), QStringLiteral("80"));
    EXPECT_TRUE(balloonShows(QStringLiteral("DEC")));
    drop(QStringLiteral("80"));
    EXPECT_EQ(edit->text(), QStringLiteral("8080"));
}

// ---- the balloon

TEST_F(DynEditTest, BalloonSitsAboveTheFieldInItsColourWithoutActivation)
{
    edit->SetTextType(CDynEdit::TypeDec);
    type(QStringLiteral("x"));
    CInfoWnd* b = balloon();
    ASSERT_TRUE(b->isVisible());
    EXPECT_TRUE(b->windowFlags().testFlag(Qt::ToolTip));
    EXPECT_TRUE(b->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(QApplication::activeWindow(), win.get());
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(b->accessibleName(), QStringLiteral("DEC"));

    const QRect field(edit->mapToGlobal(QPoint(0, 0)), edit->size());
    const QRect g = b->geometry();
    const QFontMetrics fm(edit->font());
    EXPECT_EQ(g.left(), field.left() - 3);
    EXPECT_EQ(g.bottom(), field.top() - 2 - 1 - 1); // 2 pixels above, shown 1 pixel higher
    EXPECT_EQ(g.width(), fm.horizontalAdvance(QStringLiteral(" DEC ")) + 2 + 3);
    EXPECT_EQ(g.height(), fm.height() + fm.descent() + 2);
    const QImage img = b->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(1, 1)), QColor(255, 129, 129));

    b->SetPlacement(CInfoWnd::Below);
    type(QStringLiteral("y"));
    EXPECT_EQ(b->geometry().top(), field.bottom() + 1 + 2 - 1);
    win->move(win->pos() + QPoint(40, 40)); // it would point at nothing once the dialog moves
    QTRY_VERIFY_WITH_TIMEOUT(!b->isVisible(), 2000);
    type(QStringLiteral("z"));
    ASSERT_TRUE(b->isVisible());
    win->hide(); // the balloon never outlives its field on screen
    EXPECT_FALSE(b->isVisible());
}

TEST_F(DynEditTest, BalloonGoesAwayByItselfAndCanBeSwitchedOff)
{
    edit->SetTextType(CDynEdit::TypeName);
    balloon()->SetTimeout(50);
    type(QStringLiteral("*"));
    EXPECT_TRUE(balloonShows(kName));
    QTRY_VERIFY_WITH_TIMEOUT(!balloon()->isVisible(), 2000);

    edit->EnableErrMsg(false);
    type(QStringLiteral("a*"));
    EXPECT_EQ(edit->text(), QStringLiteral("a")); // still refused, silently
    EXPECT_FALSE(balloon()->isVisible());

    // A field whose window is not active shows no balloon, but still refuses.
    edit->EnableErrMsg(true);
    balloon()->SetTimeout(0);
    QWidget other;
    other.show();
    other.activateWindow();
    if (QTest::qWaitForWindowActive(&other)) {
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("?"));
        EXPECT_EQ(edit->text(), QStringLiteral("a"));
        EXPECT_FALSE(balloon()->isVisible());
    }
}

TEST(DynEditValidators, OwnValidatorAndTypes)
{
    struct NoSpaces : CEditValidate
    {
        bool IsValid(QChar c) const override { return c != u' '; }
    };
    CDynEdit edit;
    EXPECT_EQ(edit.GetValidationHandler(), nullptr);
    EXPECT_EQ(edit.GetTextType(), 0);
    EXPECT_FALSE(edit.IsRangeCheck());
    EXPECT_EQ(edit.GetMinNum(), INT_MIN);
    EXPECT_EQ(edit.GetMaxNum(), INT_MAX);
    edit.SetValidationHandler(new NoSpaces);
    edit.setText(QStringLiteral("ab"));
    edit.end(false);
    QTest::keyClicks(&edit, QStringLiteral("c "));
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("abc"));

    // Only ASCII digits count: a full-width digit is no number the range could read.
    EXPECT_FALSE(CHexValidate().IsValid(QChar(0xFF10)));
    EXPECT_FALSE(CDecValidate().IsValid(QChar(0x0663)));
}

} // namespace
