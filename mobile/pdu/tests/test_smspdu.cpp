#include "smspdu.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarn::sms;

namespace {

// A received message: service centre +31624000000, sender +31641600986, sent 2002-08-26
// 19:37:41 (+2 h), 7-bit "How are you?".
const std::string kSc = "07911326040000F0";
const std::string kTpdu = "040B911346610089F60000208062917314080CC8F71D14969741F977FD07";

// An SMS-DELIVER with no service centre around the given coding scheme, stamp and user data.
std::string deliver(const std::string& dcs, const std::string& ud,
                    const std::string& stamp = "20806291731408")
{
    return "00"
           "04"
           "0B911346610089F6"
           "00" +
           dcs + stamp + ud;
}

// The user-data length and user data of an encoded SMS-SUBMIT (after its coding and validity octets).
std::string userData(const std::string& submit, const std::string& dcsVp)
{
    auto at = submit.find(dcsVp, submit.size() > 20 ? 14 : 0);
    return at == std::string::npos ? std::string() : submit.substr(at + dcsVp.size());
}

} // namespace

TEST(SmsPduDecode, DeliverWithServiceCentre)
{
    Decoded d = DecodeDeliver(kSc + kTpdu);
    ASSERT_TRUE(d.ok) << d.error;
    const Message& m = d.message;
    EXPECT_EQ(m.serviceCentre, "+31624000000");
    EXPECT_EQ(m.peer, "+31641600986");
    EXPECT_EQ(m.coding, Coding::Gsm7);
    EXPECT_EQ(m.text, "How are you?");
    EXPECT_EQ(m.textLength, 12);
    ASSERT_TRUE(m.hasTimestamp);
    EXPECT_EQ(m.timestamp.tm_year, 102);
    EXPECT_EQ(m.timestamp.tm_mon, 7);
    EXPECT_EQ(m.timestamp.tm_mday, 26);
    EXPECT_EQ(m.timestamp.tm_hour, 19);
    EXPECT_EQ(m.timestamp.tm_min, 37);
    EXPECT_EQ(m.timestamp.tm_sec, 41);

    std::string lower = kSc + kTpdu;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    Decoded l = DecodeDeliver(lower);
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_EQ(l.message.text, "How are you?");
}

TEST(SmsPduDecode, NoServiceCentreStartsTheTpduAtTheNextOctet)
{
    Decoded d = DecodeDeliver("00" + kTpdu);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.message.serviceCentre, "");
    EXPECT_EQ(d.message.peer, "+31641600986");
    EXPECT_EQ(d.message.text, "How are you?");
}

TEST(SmsPduDecode, AddressForms)
{
    // Odd digit count padded with F; national sender type is not decoded.
    Decoded odd = DecodeDeliver("00040591"
                                "2143F5"
                                "0000"
                                "FFFFFFFFFFFFFF"
                                "00");
    ASSERT_TRUE(odd.ok) << odd.error;
    EXPECT_EQ(odd.message.peer, "+12345");
    EXPECT_FALSE(DecodeDeliver("00040B811346610089F60000FFFFFFFFFFFFFF00").ok);
    EXPECT_FALSE(DecodeDeliver("00040091"
                               "0000FFFFFFFFFFFFFF00")
                     .ok); // no digits
    // A service centre that is not international is refused.
    EXPECT_FALSE(DecodeDeliver("07811326040000F0" + kTpdu).ok);

    // 28 digits fill the 29-character field with the "+"; 29 do not fit.
    std::string d28(28, '1'), d29(30, '1');
    Decoded fits = DecodeDeliver("00041C91" + d28 + "0000FFFFFFFFFFFFFF00");
    ASSERT_TRUE(fits.ok) << fits.error;
    EXPECT_EQ(fits.message.peer, "+" + d28);
    EXPECT_FALSE(DecodeDeliver("00041D91" + d29 + "0000FFFFFFFFFFFFFF00").ok);
    // A service centre of 15 digit octets would be 30 digits.
    EXPECT_FALSE(DecodeDeliver("1091" + std::string(30, '1') + kTpdu).ok);
    EXPECT_FALSE(DecodeDeliver("FB91" + std::string(500, '1') + kTpdu).ok);
}

TEST(SmsPduDecode, Timestamps)
{
    // No stamp at all: the message is still read.
    for (const char* none : {"FFFFFFFFFFFFFF", "AAAAAAAAAAAAAA"}) {
        Decoded d = DecodeDeliver(deliver("00",
                                          "0A"
                                          "E8329BFD4697D9EC37",
                                          none));
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_FALSE(d.message.hasTimestamp);
        EXPECT_EQ(d.message.text, "hellohello");
    }
    // Bad fields drop the stamp, keep the message: month 13, hour 24, a non-decimal digit.
    for (const char* bad : {"52315132959500", "52215142959500", "5221513295B500"}) {
        Decoded d = DecodeDeliver(deliver("00",
                                          "0A"
                                          "E8329BFD4697D9EC37",
                                          bad));
        ASSERT_TRUE(d.ok) << bad;
        EXPECT_FALSE(d.message.hasTimestamp) << bad;
        EXPECT_EQ(d.message.text, "hellohello");
    }
    // 2025-12-31 23:59:58, zone octet written with the negative bit: the date is kept.
    Decoded d = DecodeDeliver(deliver("00",
                                      "0A"
                                      "E8329BFD4697D9EC37",
                                      "5221133295858A"));
    ASSERT_TRUE(d.ok);
    ASSERT_TRUE(d.message.hasTimestamp);
    EXPECT_EQ(d.message.timestamp.tm_year, 125);
    EXPECT_EQ(d.message.timestamp.tm_mon, 11);
    EXPECT_EQ(d.message.timestamp.tm_mday, 31);
    EXPECT_EQ(d.message.timestamp.tm_sec, 58);
}

TEST(SmsPduDecode, Codings)
{
    Decoded ucs = DecodeDeliver(deliver("08", "06"
                                              "00E94E2D0041"));
    ASSERT_TRUE(ucs.ok) << ucs.error;
    EXPECT_EQ(ucs.message.coding, Coding::Ucs2);
    EXPECT_EQ(ucs.message.wideText, u"\u00e9\u4e2dA");
    EXPECT_EQ(ucs.message.textLength, 3);

    Decoded oct = DecodeDeliver(deliver("04", "04"
                                              "00FF4142"));
    ASSERT_TRUE(oct.ok) << oct.error;
    EXPECT_EQ(oct.message.coding, Coding::Octet8);
    EXPECT_EQ(oct.message.text, std::string("\0\xFF"
                                            "AB",
                                            4));

    // Default-alphabet @, $ and _ as septets 0x00, 0x02, 0x11; then "a".
    Decoded gsm = DecodeDeliver(deliver("00", "04"
                                              "0041240C"));
    ASSERT_TRUE(gsm.ok) << gsm.error;
    EXPECT_EQ(gsm.message.text, "@$_a");
}

TEST(SmsPduDecode, TruncatedOversizedAndMalformed)
{
    const std::string whole = kSc + kTpdu;
    // Every shorter PDU ends inside some field.
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(DecodeDeliver(whole.substr(0, n)).ok) << n;

    // User data longer than the PDU, or than the text buffer.
    EXPECT_FALSE(DecodeDeliver(deliver("00", "0B"
                                             "E8329BFD4697D9EC37"))
                     .ok);
    EXPECT_FALSE(DecodeDeliver(deliver("04", "05"
                                             "00FF4142"))
                     .ok);
    EXPECT_FALSE(DecodeDeliver(deliver("08", "08"
                                             "00E94E2D0041"))
                     .ok);
    EXPECT_FALSE(DecodeDeliver(deliver("08", "05"
                                             "00E94E2D0041"))
                     .ok); // half a character
    EXPECT_FALSE(DecodeDeliver(deliver("00", "A1" + std::string(2 * 141, '4'))).ok);
    EXPECT_FALSE(DecodeDeliver(deliver("04", "A1" + std::string(2 * 161, '4'))).ok);
    EXPECT_TRUE(DecodeDeliver(deliver("00", "A0" + std::string(2 * 140, '4'))).ok);
    EXPECT_TRUE(DecodeDeliver(deliver("04", "A0" + std::string(2 * 160, '4'))).ok);
    Decoded wide = DecodeDeliver(deliver("08", "FE" + std::string(4 * 127, '4')));
    ASSERT_TRUE(wide.ok);
    EXPECT_EQ(wide.message.wideText.size(), 127u);

    EXPECT_FALSE(DecodeDeliver(whole + "0").ok);
    std::string bad = whole;
    bad[40] = 'G';
    EXPECT_FALSE(DecodeDeliver(bad).ok);
    bad[40] = ' ';
    EXPECT_FALSE(DecodeDeliver(bad).ok);
    EXPECT_FALSE(DecodeDeliver(std::string("00\0"
                                           "4",
                                           4) +
                               kTpdu.substr(2))
                     .ok);
}

TEST(SmsPduEncode, AddressesAndLength)
{
    Message m;
    m.peer = "0123";
    m.text = "a_b";
    Encoded e = EncodeSubmit(m);
    EXPECT_EQ(e.pdu, "00"
                     "1100"
                     "04"
                     "92"
                     "1032"
                     "00"
                     "00FF"
                     "03"
                     "E18818");
    EXPECT_EQ(e.tpduLength, 13);

    m.peer = "+886912";
    EXPECT_EQ(EncodeSubmit(m).pdu.substr(6, 10), "0691889621");
    m.peer = "+12345";
    e = EncodeSubmit(m);
    EXPECT_EQ(e.pdu.substr(6, 10), "05912143F5");
    EXPECT_EQ(e.tpduLength, 14);

    m.serviceCentre = "+31624000000";
    e = EncodeSubmit(m);
    EXPECT_EQ(e.pdu.substr(0, 16), kSc);
    EXPECT_EQ(e.tpduLength, 14); // the service centre is not counted
    EXPECT_EQ(e.pdu.size(), 16 + 2u * 14);

    // A centre without "+" still gets its length and type octets.
    m.serviceCentre = "12345";
    EXPECT_EQ(EncodeSubmit(m).pdu.substr(0, 10), "04812143F5");
    m.serviceCentre = "+31 62";
    EXPECT_LT(EncodeSubmit(m).tpduLength, 0);
}

TEST(SmsPduEncode, RecipientIsAPlusAndAtMostTwentyDigits)
{
    for (const char* ok : {"1", "+1", "12345678901234567890", "+12345678901234567890"}) {
        EXPECT_EQ(CheckRecipient(ok), "") << ok;
        Message m;
        m.peer = ok;
        EXPECT_GT(EncodeSubmit(m).tpduLength, 0) << ok;
    }
    for (const char* bad : {"", "+", "123456789012345678901", "+49 171", "0171-123", "abc", "1+2", "++1"}) {
        EXPECT_NE(CheckRecipient(bad), "") << bad;
        Message m;
        m.peer = bad;
        Encoded e = EncodeSubmit(m);
        EXPECT_EQ(e.tpduLength, -1) << bad;
        EXPECT_EQ(e.pdu, "") << bad;
        EXPECT_NE(e.error, "") << bad;
    }
}

TEST(SmsPduEncode, CodingsAndLimits)
{
    Message m;
    m.peer = "+12345";
    m.coding = Coding::Ucs2;
    m.wideText = u"\u00e9\u4e2d";
    EXPECT_EQ(userData(EncodeSubmit(m).pdu, "08FF"), "0400E94E2D");
    m.wideText.assign(70, u'x');
    EXPECT_GT(EncodeSubmit(m).tpduLength, 0);
    m.wideText += u'x';
    EXPECT_EQ(EncodeSubmit(m).tpduLength, -1);

    m.coding = Coding::Octet8;
    m.text = "A\xE9";
    EXPECT_EQ(userData(EncodeSubmit(m).pdu, "04FF"), "0241E9");
    m.text.assign(140, 'x');
    Encoded e = EncodeSubmit(m);
    EXPECT_EQ(e.tpduLength, 11 + 140);
    m.text += 'x';
    EXPECT_EQ(EncodeSubmit(m).tpduLength, -1);

    m.coding = Coding::Gsm7;
    m.text.assign(160, 'x');
    e = EncodeSubmit(m);
    EXPECT_EQ(e.tpduLength, 11 + 140);
    m.text += 'x';
    EXPECT_EQ(EncodeSubmit(m).tpduLength, -1);

    // Carriage return goes as a space, a character above 127 as ".".
    m.text = "\r\xE9";
    std::string ud = userData(EncodeSubmit(m).pdu, "00FF");
    Decoded d = DecodeDeliver(deliver("00", ud));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.message.text, " .");
}

TEST(SmsPduEncode, SeptetsRoundTripAtEveryLength)
{
    const std::string sample = "The quick brown fox @ $5 jumps_over the lazy dog 0123456789!?";
    Message m;
    m.peer = "+12345";
    for (std::size_t n = 0; n <= kMaxSeptets; ++n) {
        m.text.clear();
        for (std::size_t i = 0; i < n; ++i)
            m.text += sample[i % sample.size()];
        Encoded e = EncodeSubmit(m);
        ASSERT_GT(e.tpduLength, 0) << n;
        EXPECT_EQ(e.tpduLength, int(11 + (7 * n + 7) / 8)) << n;
        Decoded d = DecodeDeliver(deliver("00", userData(e.pdu, "00FF")));
        ASSERT_TRUE(d.ok) << n << d.error;
        EXPECT_EQ(d.message.text, m.text) << n; // no "@" from the fill bits
        EXPECT_EQ(d.message.textLength, int(n));
    }
}
