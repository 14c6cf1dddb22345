// Request table, reply routes, the item reader and the key and file-name helpers.
#include "catalogue.h"
#include "wirecodec.h"
#include "zrcontrol.h"

#include <gtest/gtest.h>

using namespace zrcat;

TEST(Catalogue, RequestCodesFollowTheTable)
{
    EXPECT_EQ(RequestCode(0), 0);
    EXPECT_EQ(RequestCode(89), 0);
    EXPECT_EQ(RequestCode(-3), 0);
    const std::pair<int, int> samples[] = {
        {1, 101},  {4, 111},  {6, 141},  {9, 121},  {14, 134}, {20, 171}, {21, 191}, {23, 197}, {25, 211},
        {31, 225}, {32, 301}, {42, 321}, {43, 325}, {49, 336}, {59, 362}, {60, 365}, {62, 375}, {63, 231},
        {72, 264}, {77, 283}, {78, 501}, {85, 515}, {86, 521}, {87, 523}, {88, 137}};
    for (auto [number, code] : samples)
        EXPECT_EQ(RequestCode(number), code) << number;
    // Request codes are odd but for the four the table names.
    for (int n = 1; n <= 88; ++n) {
        const int code = RequestCode(n);
        if (code == 134 || code == 336 || code == 362 || code == 264) continue;
        EXPECT_EQ(code % 2, 1) << n;
    }
}

TEST(Catalogue, FormsOfRequests)
{
    EXPECT_EQ(RequestForm(0), FormNone);
    EXPECT_EQ(RequestForm(1), FormPlain);
    EXPECT_EQ(RequestForm(5), FormArguments);
    EXPECT_EQ(RequestForm(15), FormArguments);
    EXPECT_EQ(RequestForm(16), FormPlain);
    EXPECT_EQ(RequestForm(21), FormFile);
    EXPECT_EQ(RequestForm(23), FormFile);
    EXPECT_EQ(RequestForm(25), FormDirectory);
    EXPECT_EQ(RequestForm(32), FormPlain);
    EXPECT_EQ(RequestForm(70), FormArguments);
    EXPECT_EQ(RequestForm(74), FormPlain);
    EXPECT_EQ(RequestForm(86), FormPlain);
    EXPECT_EQ(RequestForm(87), FormArguments);
    EXPECT_EQ(RequestForm(88), FormPlain);
}

TEST(Catalogue, ReplyRoutes)
{
    EXPECT_EQ(ReplyRoute(24), RouteGeneral);
    EXPECT_EQ(ReplyRoute(174), RouteGeneral);
    EXPECT_EQ(ReplyRoute(9998), RouteGeneral);
    EXPECT_EQ(ReplyRoute(138), RoutePassOn);
    EXPECT_EQ(ReplyRoute(516), RoutePassOn);
    EXPECT_EQ(ReplyRoute(212), RouteFileMgr);
    EXPECT_EQ(ReplyRoute(199), RouteFileMgr);
    EXPECT_EQ(ReplyRoute(233), RouteModbus);
    EXPECT_EQ(ReplyRoute(373), RouteMobile);
    EXPECT_EQ(ReplyRoute(524), RouteMobile);
    EXPECT_EQ(ReplyRoute(999), RouteError);
    EXPECT_EQ(ReplyRoute(134), RouteNone);
    EXPECT_EQ(ReplyRoute(0), RouteNone);
    EXPECT_TRUE(IsModbusRequest(264));
    EXPECT_FALSE(IsModbusRequest(265 + 1));
    EXPECT_TRUE(IsMobileRequest(362));
    EXPECT_TRUE(IsMobileRequest(523));
    EXPECT_FALSE(IsMobileRequest(501));
}

TEST(TextItems, QuotedAndBareItems)
{
    const QString t = QStringLiteral("  \"C:\\Program Files\\x.exe\" 1234  run\"next\" \"\" end");
    EXPECT_EQ(CZRControl::GetTextNumber(t), 6);
    EXPECT_EQ(CZRControl::GetTextItem(0, t), QStringLiteral("C:\\Program Files\\x.exe"));
    EXPECT_EQ(CZRControl::GetTextItem(1, t), QStringLiteral("1234"));
    // A bare item ends at a quote, which starts the next item.
    EXPECT_EQ(CZRControl::GetTextItem(2, t), QStringLiteral("run"));
    EXPECT_EQ(CZRControl::GetTextItem(3, t), QStringLiteral("next"));
    EXPECT_EQ(CZRControl::GetTextItem(4, t), QString());
    EXPECT_EQ(CZRControl::GetTextItem(5, t), QStringLiteral("end"));
    // Tabs are ordinary characters.
    EXPECT_EQ(CZRControl::GetTextNumber(QStringLiteral("a\tb c")), 2);
}

TEST(TextItems, PastTheEndAndEmpty)
{
    EXPECT_EQ(CZRControl::GetTextNumber(QString()), 0);
    EXPECT_EQ(CZRControl::GetTextItem(0, QString()), QString());
    EXPECT_EQ(CZRControl::GetTextItem(2, QStringLiteral("   ")), QString());
    const QString bare = QStringLiteral("a b c");
    EXPECT_EQ(CZRControl::GetTextItem(5, bare), QStringLiteral("c"));
    EXPECT_EQ(CZRControl::GetTextItem(-1, bare), QString());
    const QString quoted = QStringLiteral("a \"b c\"");
    EXPECT_EQ(CZRControl::GetTextItem(1, quoted), QStringLiteral("b c"));
    EXPECT_EQ(CZRControl::GetTextItem(3, quoted), QString());
}

TEST(TextItems, UnclosedQuote)
{
    const QString t = QStringLiteral("one \"two three");
    // The item reads as the rest of the text, but the count stops before it.
    EXPECT_EQ(CZRControl::GetTextItem(1, t), QStringLiteral("two three"));
    EXPECT_EQ(CZRControl::GetTextNumber(t), 1);
    EXPECT_EQ(CZRControl::GetTextNumber(QStringLiteral("\"")), 0);
    EXPECT_EQ(CZRControl::GetTextItem(0, QStringLiteral("\"")), QString());
}

TEST(Keys, ParseNick)
{
    QString left = QStringLiteral("keep"), right = QStringLiteral("keep");
    EXPECT_EQ(CZRControl::ParseNick(QStringLiteral("no bar"), &left, &right), 0);
    EXPECT_EQ(left, QStringLiteral("keep"));
    EXPECT_EQ(CZRControl::ParseNick(QStringLiteral("gw|10.0.0.1|x"), &left, &right), 1);
    EXPECT_EQ(left, QStringLiteral("gw"));
    EXPECT_EQ(right, QStringLiteral("10.0.0.1|x"));
    EXPECT_EQ(CZRControl::ParseNick(QStringLiteral("|a"), nullptr, &right), 1);
    EXPECT_EQ(right, QStringLiteral("a"));
}

TEST(Keys, ParseFilename)
{
    QString text = QStringLiteral("no colon here");
    QString path = QStringLiteral("untouched");
    EXPECT_EQ(CZRControl::ParseFilename(text, &path), QString());
    EXPECT_EQ(path, QStringLiteral("untouched"));

    text = QStringLiteral("C:\\dir\\file.txt:   cannot open");
    EXPECT_EQ(CZRControl::ParseFilename(text, &path), QStringLiteral("file.txt"));
    EXPECT_EQ(path, QStringLiteral("C:\\dir\\file.txt"));
    EXPECT_EQ(text, QStringLiteral("cannot open"));

    text = QStringLiteral("\\flash\\app.bin: missing");
    EXPECT_EQ(CZRControl::ParseFilename(text, nullptr), QStringLiteral("app.bin"));
    EXPECT_EQ(text, QStringLiteral("\\flash\\app.bin: missing"));
}

TEST(WireCodec, RoundTripsNonAscii)
{
    const QString path = QStringLiteral("/data/Übersicht/日本.txt");
    const auto wire = WireCodec::toWire(path);
    ASSERT_TRUE(wire.has_value());
    EXPECT_EQ(WireCodec::fromWire(*wire), path);
    WireCodec::setEncoding(QStringConverter::Latin1);
    EXPECT_FALSE(WireCodec::toWire(path).has_value());
    EXPECT_EQ(WireCodec::fromWire(*WireCodec::toWire(QStringLiteral("Größe"))), QStringLiteral("Größe"));
    WireCodec::setEncoding(QStringConverter::Utf8);
}
