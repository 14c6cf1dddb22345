// The cellular modem behind the mobile plug-in, request by request against the real process.
#include "modem.h"
#include "rig.h"
#include "smspdu.h"

#include <fstream>

using namespace tarntest;

namespace {

// Six agents: SIM locked by PIN, SIM ready, the restricted family model, no SIM, one without a
// modem at all, and one whose agent is too old to report PDUs.
const char* kFleet = "10.5.0.1 cell-pin model=K520-LX sim=pin pin=2468\n"
                     "10.5.0.2 cell-ok model=K520-LX\n"
                     "10.5.0.3 cell-k7 model=K7230 sim=ready\n"
                     "10.5.0.4 cell-nosim model=K7210-T sim=absent\n"
                     "10.5.0.5 plain model=TRN-200-LX\n"
                     "10.5.0.6 cell-old model=K520-LX version=2.1.0\n";

struct ModemRig
{
    explicit ModemRig(std::vector<std::string> extra = {})
    {
        fleetDir = makeTempDir("tarn-modem-fleet");
        fleet = fleetDir + "/fleet.txt";
        std::ofstream(fleet) << kFleet;
        std::vector<std::string> args = {"--fleet", fleet};
        args.insert(args.end(), extra.begin(), extra.end());
        rig = std::make_unique<Rig>(args, 6);
    }
    ~ModemRig()
    {
        rig.reset();
        std::error_code ec;
        std::filesystem::remove_all(fleetDir, ec);
    }
    std::string nick(int n) const
    {
        for (const auto& nk : rig->nicks)
            if (nk.rfind("10.5.0." + std::to_string(n) + ":", 0) == 0) return nk;
        return {};
    }
    Message ask(int agent, unsigned short code, const std::string& args = {})
    {
        return rig->request(nick(agent), code, args);
    }
    std::vector<Message> list(int agent, unsigned short code, const std::string& args = {})
    {
        return rig->list(nick(agent), code, args);
    }

    std::string fleetDir, fleet;
    std::unique_ptr<Rig> rig;
};

// The third item of a failure: the tries left.
std::string triesOf(const Message& m)
{
    auto it = items(m.text);
    return it.size() > 2 ? it[2] : std::string("?");
}

// Items with the mobile reader's escapes undone.
std::vector<std::string> mobileItems(const std::string& text)
{
    std::vector<std::string> out;
    EXPECT_TRUE(tarngw::splitMobileItems(text, &out)) << text;
    return out;
}

} // namespace

TEST(GatewayModem, PinRightAfterTwoWrongOnesAndTheStatesOnTheWay)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    Message r = m.ask(1, 301);
    ASSERT_EQ(r.code, 302);
    EXPECT_EQ(r.text, "1 3");
    r = m.ask(1, 303, "1111");
    ASSERT_EQ(r.code, 999);
    EXPECT_EQ(items(r.text)[0], "303");
    EXPECT_EQ(items(r.text)[1], "Incorrect PIN code.");
    EXPECT_EQ(triesOf(r), "2");
    EXPECT_EQ(triesOf(m.ask(1, 303, "2222")), "1");
    EXPECT_EQ(m.ask(1, 303, "2468").code, 304);
    EXPECT_EQ(m.ask(1, 301).text, "0");
    // Unlocked once, it stays so; the tries are back to three.
    EXPECT_EQ(items(m.ask(1, 303, "2468").text)[1], "The SIM card is not locked.");
    EXPECT_EQ(m.ask(1, 307).text, "1");
    EXPECT_EQ(triesOf(m.ask(1, 309, "0 9999")), "2");
    EXPECT_EQ(m.ask(1, 309, "0 2468").text, "0");
    EXPECT_EQ(m.ask(1, 307).text, "0");
}

TEST(GatewayModem, ThreeWrongPinsLockToThePukWhichSetsTheNewPin)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    m.ask(1, 303, "0000");
    m.ask(1, 303, "0000");
    Message r = m.ask(1, 303, "0000");
    ASSERT_EQ(r.code, 999);
    EXPECT_EQ(triesOf(r), "0");
    EXPECT_EQ(m.ask(1, 301).text, "2 10");
    // The PUK without a usable new PIN costs no try.
    EXPECT_EQ(triesOf(m.ask(1, 303, "12345678")), "10");
    EXPECT_EQ(triesOf(m.ask(1, 303, "12345678 12")), "10");
    EXPECT_EQ(triesOf(m.ask(1, 303, "87654321 4321")), "9");
    EXPECT_EQ(m.ask(1, 303, "12345678 4321").code, 304);
    EXPECT_EQ(m.ask(1, 301).text, "0");
    // The new PIN is the one the PUK set: changing it needs it.
    EXPECT_EQ(m.ask(1, 305, "2468 1357").code, 999);
    EXPECT_EQ(m.ask(1, 305, "4321 1357").code, 306);
    EXPECT_EQ(m.ask(1, 309, "1 1357").text, "1");
}

TEST(GatewayModem, TenWrongPuksBlockTheCard)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    for (int i = 0; i < 3; ++i)
        m.ask(1, 303, "0000");
    Message r;
    for (int i = 0; i < 10; ++i)
        r = m.ask(1, 303, "00000000 1111");
    EXPECT_EQ(triesOf(r), "0");
    EXPECT_EQ(items(m.ask(1, 301).text)[1], "The SIM card is blocked.");
    EXPECT_EQ(items(m.ask(1, 303, "12345678 1111").text)[1], "The SIM card is blocked.");
}

TEST(GatewayModem, AgentsWithoutModemOrSimOrReadySim)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    EXPECT_EQ(items(m.ask(5, 301).text)[1], "The device has no cellular modem.");
    EXPECT_EQ(items(m.ask(4, 301).text)[1], "The SIM card is not inserted.");
    EXPECT_EQ(items(m.ask(1, 311).text)[1], "The SIM card is not ready.");
    EXPECT_EQ(m.ask(2, 311).text, "0 0");
    // AT commands need no SIM.
    auto at = m.list(4, 371, "AT");
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[0].code, 372);
    EXPECT_EQ(at[0].text, "\r\nOK\r\n");
    EXPECT_EQ(at[1].code, 373);
}

TEST(GatewayModem, AtCommandPromptsForMessageTextAndTakesItOrEscape)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    auto r = m.list(2, 371, "AT+CMGS=\"+4912345\"");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].text, "\r\n> ");
    r = m.list(2, 371, "\"hello\x1a\"");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_NE(r[0].text.find("+CMGS: "), std::string::npos) << r[0].text;
    m.list(2, 371, "at+cmgs=\"5555\"");
    r = m.list(2, 371, "\x1b");
    EXPECT_EQ(r[0].text, "\r\nOK\r\n");
    EXPECT_EQ(m.list(2, 371, "AT+NONSENSE")[0].text, "\r\nERROR\r\n");
    EXPECT_EQ(m.ask(2, 371).code, 999);
}

TEST(GatewayModem, SmsSlotsPerStorageDeleteMoveAndHistory)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    // The old agent reports every message decoded.
    auto inbox = m.list(6, 321);
    ASSERT_EQ(inbox.size(), 4u);
    EXPECT_EQ(inbox.back().code, 323);
    auto second = mobileItems(inbox[1].text);
    ASSERT_EQ(second.size(), 5u);
    EXPECT_EQ(second[1], "REC UNREAD");
    EXPECT_EQ(second[4], "Pump 3 pressure \"high\" since 17:38.\nPlease check.");
    // The quote and the line break of the message travel escaped.
    EXPECT_NE(inbox[1].text.find("\\\"high\\\""), std::string::npos);
    EXPECT_NE(inbox[1].text.find("\\nPlease"), std::string::npos);

    // A newer agent reports the SIM's messages as the PDUs the card keeps: index, status number,
    // TPDU length and the PDU, which the console's codec reads back to the same message.
    inbox = m.list(2, 321);
    ASSERT_EQ(inbox.size(), 4u);
    const char* statuses[] = {"1", "0", "3"};
    for (int i = 0; i < 3; ++i) {
        auto row = items(inbox[std::size_t(i)].text);
        ASSERT_EQ(row.size(), 4u) << inbox[std::size_t(i)].text;
        EXPECT_EQ(row[0], std::to_string(i + 1));
        EXPECT_EQ(row[1], statuses[i]);
        const std::size_t sc = 2 + 2 * std::stoul(row[3].substr(0, 2), nullptr, 16);
        EXPECT_EQ(std::stoul(row[2]) * 2, row[3].size() - sc);
    }
    auto decoded = tarn::sms::DecodeDeliver(items(inbox[1].text)[3]);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.message.text, "Pump 3 pressure \"high\" since 17:38.\nPlease check.");
    EXPECT_EQ(decoded.message.serviceCentre, "+491710760000");
    EXPECT_EQ(decoded.message.peer.substr(0, 11), "+4917055501");
    EXPECT_EQ(decoded.message.timestamp.tm_year, 126);
    EXPECT_EQ(decoded.message.timestamp.tm_mon, 11);
    EXPECT_EQ(decoded.message.timestamp.tm_mday, 7);
    EXPECT_EQ(decoded.message.timestamp.tm_hour, 17);

    EXPECT_EQ(m.ask(2, 325, "2").code, 326);
    EXPECT_EQ(items(m.list(2, 321)[1].text)[1], "1");
    EXPECT_EQ(m.ask(6, 325, "2").code, 326);
    EXPECT_EQ(mobileItems(m.list(6, 321)[1].text)[1], "REC READ");
    EXPECT_EQ(m.ask(2, 329, "1").code, 330);
    EXPECT_EQ(m.ask(2, 329, "1").code, 999);
    EXPECT_EQ(m.list(2, 321).size(), 3u);

    EXPECT_EQ(m.ask(2, 333, "ME 0").text, "ME");
    EXPECT_EQ(m.ask(2, 331).text, "ME");
    EXPECT_EQ(m.list(2, 321).size(), 2u);
    EXPECT_EQ(m.ask(2, 333, "MT 0").text, "MT");
    auto both = m.list(2, 321);
    ASSERT_EQ(both.size(), 4u);
    EXPECT_EQ(items(both[2].text)[0], "101");
    // The SIM keeps PDUs, the device its decoded records: one listing holds both forms.
    EXPECT_EQ(items(both[0].text).size(), 4u);
    EXPECT_EQ(mobileItems(both[2].text).size(), 5u);
    EXPECT_EQ(m.ask(2, 331).text, "MT 3");
    EXPECT_EQ(m.ask(2, 333, "XX 0").code, 999);

    // Moved messages leave the storage and appear in the history, in either form.
    m.rig->console.send(m.nick(2), 335, "101 \"5555\" \"26/11/28,12:00:00\" \"a \\\"b\\\"\\nc\"");
    m.rig->console.send(m.nick(2), 335,
                        "2 07911326040000F0040B911346610089F60000208062917314080CC8329BFD065DDF72363904");
    EXPECT_EQ(m.ask(2, 336).text, "2");
    EXPECT_EQ(m.list(2, 321).size(), 2u);
    auto history = m.list(2, 339);
    ASSERT_EQ(history.size(), 3u);
    auto first = mobileItems(history[0].text);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[2], "a \"b\"\nc");
    EXPECT_EQ(items(history[1].text).size(), 1u);
    EXPECT_EQ(m.ask(2, 343, "1").code, 344);
    EXPECT_EQ(m.ask(2, 343, "5").code, 999);
    EXPECT_EQ(m.list(2, 339).size(), 2u);
}

TEST(GatewayModem, SendsInTheFormOfTheAgentsModem)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    // Text mode for the old agent: a quoted number of a "+" and up to 20 digits.
    EXPECT_EQ(m.ask(6, 327, "\"+4912345\" \"hi \\\"there\\\"\"").code, 328);
    EXPECT_EQ(m.ask(6, 327, "\"not a number\" \"x\"").code, 999);
    EXPECT_EQ(m.ask(6, 327, "\"123456789012345678901\" \"x\"").code, 999);
    EXPECT_EQ(m.ask(6, 327, "\"+49 123\" \"x\"").code, 999);
    EXPECT_EQ(m.ask(6, 327, "\"5555\" \"" + std::string(161, 'a') + "\"").code, 999);
    EXPECT_EQ(m.ask(6, 327, "12 0011000B911346610089F60000AA00").code, 999);

    // PDU mode for the newer agent: the length must count the octets after the service centre.
    auto pdu = [](const std::string& number, const std::string& text, tarn::sms::Coding coding) {
        tarn::sms::Message msg;
        msg.coding = coding;
        msg.peer = number;
        if (coding == tarn::sms::Coding::Ucs2)
            msg.wideText = std::u16string(text.begin(), text.end());
        else
            msg.text = text;
        msg.textLength = int(text.size());
        return tarn::sms::EncodeSubmit(msg);
    };
    for (auto coding : {tarn::sms::Coding::Gsm7, tarn::sms::Coding::Octet8, tarn::sms::Coding::Ucs2}) {
        auto e = pdu("+4912345", "Pump 3 restarted.", coding);
        ASSERT_GT(e.tpduLength, 0) << e.error;
        EXPECT_EQ(m.ask(2, 327, std::to_string(e.tpduLength) + " " + e.pdu).code, 328) << e.pdu;
        EXPECT_EQ(m.ask(2, 327, std::to_string(e.tpduLength + 1) + " " + e.pdu).code, 999);
        // Cut short: the user data no longer matches its length.
        const std::string cut = e.pdu.substr(0, e.pdu.size() - 2);
        EXPECT_EQ(m.ask(2, 327, std::to_string(e.tpduLength - 1) + " " + cut).code, 999);
    }
    auto full = pdu("5555", std::string(160, 'x'), tarn::sms::Coding::Gsm7);
    EXPECT_EQ(m.ask(2, 327, std::to_string(full.tpduLength) + " " + full.pdu).code, 328);
    EXPECT_EQ(m.ask(2, 327, "\"+4912345\" \"hello\"").code, 999);
    EXPECT_EQ(m.ask(2, 327, "12 0011000B911346610089F60000AA00").code, 999); // length 0x00 after a validity
    EXPECT_EQ(m.ask(2, 327, "4 00010203").code, 999);                        // not a submit
    EXPECT_EQ(m.ask(2, 327, "2 00ZZ11").code, 999);
}

TEST(GatewayModemPdu, DeliverStampsZonesAndCodings)
{
    // A negative zone keeps its date; a stamp that does not read becomes "FF".
    auto d = tarn::sms::DecodeDeliver(tarngw::deliverPdu("", "+123", "26/03/09,23:59:58-08", "a_b$@"));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.message.text, "a_b$@");
    EXPECT_EQ(d.message.peer, "+123");
    EXPECT_TRUE(d.message.hasTimestamp);
    EXPECT_EQ(d.message.timestamp.tm_mday, 9);
    EXPECT_EQ(d.message.timestamp.tm_mon, 2);
    const std::string plain = tarngw::deliverPdu("", "+123", "26/03/09,23:59:58-08", "x");
    EXPECT_NE(plain.find("62309032958588"), std::string::npos) << plain;
    d = tarn::sms::DecodeDeliver(tarngw::deliverPdu("+4930", "+4912", "garbage",
                                                    "Gr\xc3\xbc\xc3\x9f"
                                                    "e"));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_FALSE(d.message.hasTimestamp);
    EXPECT_EQ(d.message.coding, tarn::sms::Coding::Ucs2);
    EXPECT_EQ(d.message.wideText, u"Gr\u00fc\u00dfe");
    EXPECT_EQ(d.message.serviceCentre, "+4930");
    EXPECT_TRUE(tarngw::checkSubmit(1, "").size() > 0);
}

TEST(GatewayModem, TemplatesAndPhoneBooks)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    EXPECT_EQ(m.list(2, 345).size(), 4u);
    EXPECT_EQ(m.ask(2, 349, "0 \"new \\\"one\\\"\"").code, 350);
    auto templates = m.list(2, 345);
    ASSERT_EQ(templates.size(), 5u);
    EXPECT_EQ(mobileItems(templates[3].text), std::vector<std::string>{"new \"one\""});
    EXPECT_EQ(m.ask(2, 349, "1 \"\"").code, 350);
    EXPECT_EQ(m.ask(2, 349, "9 \"x\"").code, 999);
    EXPECT_EQ(m.list(2, 345).size(), 4u);
    // Templates as long as their listing reply can carry, and no longer.
    EXPECT_EQ(m.ask(2, 349, "0 \"" + std::string(300, 'x') + "\"").code, 350);
    EXPECT_EQ(m.ask(2, 349, "0 \"" + std::string(1020, 'x') + "\"").code, 350);
    EXPECT_EQ(m.ask(2, 349, "0 \"" + std::string(1021, 'x') + "\"").code, 999);
    std::string quotes;
    for (int i = 0; i < 600; ++i)
        quotes += "\\\"";
    EXPECT_EQ(m.ask(2, 349, "0 \"" + quotes + "\"").code, 999); // 600 quotes escaped are 1200 bytes
    templates = m.list(2, 345);
    ASSERT_EQ(templates.size(), 6u);
    EXPECT_EQ(templates[4].text.size(), 1022u);

    auto book = m.list(2, 351);
    ASSERT_EQ(book.size(), 4u);
    EXPECT_EQ(items(book[1].text), (std::vector<std::string>{"2", "Ann Lee", "+4912345"}));
    EXPECT_EQ(m.ask(2, 355, "3 \"Bob\" \"+49777\"").code, 356);
    EXPECT_EQ(m.ask(2, 355, "1 \"\" \"\"").code, 356);
    EXPECT_EQ(m.ask(2, 355, "2 \"Eve\" \"12-34\"").code, 999);
    EXPECT_EQ(m.list(2, 351).size(), 4u);
    EXPECT_EQ(m.ask(2, 359, "ME").text, "ME");
    EXPECT_EQ(m.ask(2, 357).text, "ME");
    EXPECT_EQ(m.list(2, 351).size(), 2u);

    // Export to a file on the agent, then import it back.
    m.rig->console.send(m.nick(2), 361, "\"Ann Lee\" +4912345");
    m.rig->console.send(m.nick(2), 361, "\"Night shift\" *100#");
    EXPECT_EQ(m.ask(2, 362, "\"/tmp/book.txt\"").code, 363);
    EXPECT_EQ(readAll(m.rig->agentDir(m.nick(2)) / "tmp" / "book.txt"),
              "\"Ann Lee\" +4912345\r\n\"Night shift\" *100#\r\n");
    auto imported = m.list(2, 365, "\"/tmp/book.txt\"");
    ASSERT_EQ(imported.size(), 3u);
    EXPECT_EQ(items(imported[0].text), (std::vector<std::string>{"Ann Lee", "+4912345"}));
    EXPECT_EQ(m.ask(2, 365, "\"/../../etc/passwd\"").code, 999);
    EXPECT_EQ(m.ask(2, 362, "\"/../outside.txt\"").code, 999);
}

TEST(GatewayModem, GprsAndBootConnectionForTheFamilyOnly)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    EXPECT_EQ(m.ask(2, 313, "1").text, "1");
    EXPECT_EQ(m.ask(2, 313, "1 \"user\" \"pw\"").code, 999);
    EXPECT_EQ(m.ask(2, 311).text, "1 0");
    EXPECT_EQ(m.ask(2, 313, "0").text, "0");
    EXPECT_EQ(m.ask(2, 313, "1 \"user\" \"pw\"").text, "1");
    EXPECT_EQ(m.ask(2, 317, "1 30").text, "1");
    EXPECT_EQ(m.ask(2, 311).text, "1 1");
    EXPECT_EQ(m.ask(2, 317, "1 0").code, 999);
    EXPECT_EQ(m.ask(2, 375, "\"Op\" \"apn.example\"").code, 376);
    EXPECT_EQ(items(m.ask(2, 319).text), (std::vector<std::string>{"3", "Op", "apn.example"}));
    EXPECT_EQ(m.ask(2, 375, "\"Op\" \"\"").code, 999);
    Message diag = m.ask(2, 315);
    ASSERT_EQ(diag.code, 316);
    EXPECT_EQ(items(diag.text).size(), 1u);

    EXPECT_EQ(m.ask(2, 521).code, 999);
    EXPECT_EQ(m.ask(3, 521).text, "0");
    EXPECT_EQ(m.ask(3, 523, "1").text, "1");
    EXPECT_EQ(m.ask(3, 521).text, "1");
}

TEST(GatewayModem, DrillsFailACodeDelayRepliesAndOversizeOutput)
{
    {
        ModemRig m({"--modem-fail", "301", "--modem-delay", "400"});
        ASSERT_TRUE(m.rig->ready());
        // The modem's reply comes after a later non-modem reply.
        m.rig->console.send(m.nick(2), 307);
        m.rig->console.send(m.nick(2), 103);
        std::vector<Message> seen;
        ASSERT_TRUE(m.rig->console.waitForCode(308, 5000, nullptr, &seen));
        ASSERT_GE(seen.size(), 2u);
        EXPECT_EQ(seen.front().code, 104);
        Message r = m.ask(2, 301);
        ASSERT_EQ(r.code, 999);
        EXPECT_EQ(items(r.text)[0], "301");
    }
    {
        ModemRig m({"--modem-oversize"});
        ASSERT_TRUE(m.rig->ready());
        // More than a console's 1023-byte text buffer: the read fails instead of overrunning it.
        m.rig->console.send(m.nick(2), 371, "AT");
        Message r;
        EXPECT_FALSE(m.rig->console.waitForCode(373, 3000, &r));
        EXPECT_LT(m.rig->console.error(), 0);
    }
}

TEST(GatewayModemItems, EscapesRoundTripAndOddBackslashesKeepQuotesInside)
{
    for (std::string text : {"", "plain", "a \"b\" c", "back\\slash\\", "\r\n", "\\\"\\r"}) {
        std::vector<std::string> out;
        ASSERT_TRUE(tarngw::splitMobileItems("1 \"" + tarngw::escapeItem(text) + "\" 2", &out));
        ASSERT_EQ(out.size(), 3u);
        EXPECT_EQ(out[1], text);
    }
    std::vector<std::string> out;
    EXPECT_FALSE(tarngw::splitMobileItems("\"open \\\"", &out));
    EXPECT_TRUE(tarngw::splitMobileItems("\"a\\\\\" b", &out));
    EXPECT_EQ(out, (std::vector<std::string>{"a\\", "b"}));
}

TEST(GatewayModemPhoneBookFiles, NamesWithQuotesAndBackslashesRoundTripThroughAFile)
{
    const std::vector<std::pair<std::string, std::string>> book = {
        {"Ann \"Boss\" Lee", "+4912345"}, {"C:\\", "*100#"}, {"Plain", "112"}, {"", "5555"}};
    std::string data;
    for (const auto& [name, number] : book)
        data += tarngw::phoneBookFileLine(name, number);
    // Only a backslash and a quote are escaped; everything else stays as written.
    EXPECT_EQ(tarngw::phoneBookFileLine("Plain", "112"), "\"Plain\" 112\r\n");
    EXPECT_EQ(tarngw::phoneBookFileLine("Ann \"Boss\" Lee", "1"), "\"Ann \\\"Boss\\\" Lee\" 1\r\n");
    EXPECT_EQ(tarngw::phoneBookFileLine("C:\\", "1"), "\"C:\\\\\" 1\r\n");
    EXPECT_EQ(tarngw::phoneBookFileLine("two\nlines", "1"), "\"two lines\" 1\r\n");
    EXPECT_EQ(tarngw::readPhoneBookFile(data, 100), book);
}

TEST(GatewayModemPhoneBookFiles, ALongLineIsOneContactAndEmptyLinesNone)
{
    const std::string longName(3000, 'x');
    const std::string data = "\r\n\"" + longName + "\" 123\r\n\n\"Bob\" 456\r\n   \r\n";
    const auto book = tarngw::readPhoneBookFile(data, 100);
    ASSERT_EQ(book.size(), 2u);
    EXPECT_EQ(book[0].first, std::string(tarngw::kPhoneBookLineMax - 1, 'x'));
    EXPECT_EQ(book[0].second, "");
    EXPECT_EQ(book[1], (std::pair<std::string, std::string>{"Bob", "456"}));
    // An unquoted name is the first word; the limit on contacts holds.
    EXPECT_EQ(tarngw::readPhoneBookFile("Ann 1\r\nBob 2\r\n", 1),
              (std::vector<std::pair<std::string, std::string>>{{"Ann", "1"}}));
}

TEST(GatewayModem, PhoneBookExportToTheAgentEscapesAndImportsBack)
{
    ModemRig m;
    ASSERT_TRUE(m.rig->ready());
    m.rig->console.send(m.nick(2), 361, "\"Ann \\\"Boss\\\" Lee\" +4912345");
    m.rig->console.send(m.nick(2), 361, "\"ends in \\\\\" 777");
    EXPECT_EQ(m.ask(2, 362, "\"/tmp/book.txt\"").code, 363);
    EXPECT_EQ(readAll(m.rig->agentDir(m.nick(2)) / "tmp" / "book.txt"),
              "\"Ann \\\"Boss\\\" Lee\" +4912345\r\n\"ends in \\\\\" 777\r\n");
    auto imported = m.list(2, 365, "\"/tmp/book.txt\"");
    ASSERT_EQ(imported.size(), 3u);
    EXPECT_EQ(mobileItems(imported[0].text), (std::vector<std::string>{"Ann \"Boss\" Lee", "+4912345"}));
    EXPECT_EQ(mobileItems(imported[1].text), (std::vector<std::string>{"ends in \\", "777"}));
    EXPECT_EQ(imported[2].code, 367);
    EXPECT_EQ(imported[2].text, "2");

    // Empty lines on the agent hold no contact.
    std::ofstream(m.rig->agentDir(m.nick(2)) / "tmp" / "gaps.txt") << "\r\n\"Amy\" 1\r\n\r\n\n\"Bob\" 2\r\n";
    imported = m.list(2, 365, "\"/tmp/gaps.txt\"");
    ASSERT_EQ(imported.size(), 3u);
    EXPECT_EQ(mobileItems(imported[1].text), (std::vector<std::string>{"Bob", "2"}));
    // A folder that does not exist cannot take the export.
    Message refused = m.ask(2, 362, "\"/no/such/folder/book.txt\"");
    EXPECT_EQ(refused.code, 999);
    EXPECT_EQ(items(refused.text).front(), "362");
}
