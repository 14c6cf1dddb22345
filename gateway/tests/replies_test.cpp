// One test per reply family: the item layouts the console reads, and that requests really change
// the simulated agent.
#include "rig.h"

#include <set>
#include <thread>

using namespace tarntest;

namespace {

std::size_t quotes(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '"'));
}

} // namespace

TEST(GatewayReplies, DeviceInformationCoversAllThreeOperatingSystemTypes)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::set<int> types;
    for (const auto& nick : rig.nicks) {
        Message m = rig.request(nick, 101);
        ASSERT_EQ(m.code, 102) << nick;
        EXPECT_EQ(m.target, nick);
        auto info = items(m.text);
        ASSERT_EQ(info.size(), 6u) << m.text;
        EXPECT_NE(info[0].find(" Build "), std::string::npos) << info[0];
        for (const auto& item : info)
            EXPECT_FALSE(item.empty()) << m.text;
        types.insert(osTypeOf(info));
    }
    EXPECT_EQ(types, (std::set<int>{0, 1, 2}));
}

TEST(GatewayReplies, MemoryAndStorageAreFreeAndTotalKilobytes)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    for (unsigned short code : {103, 105}) {
        Message m = rig.request(rig.nicks[0], code);
        ASSERT_EQ(m.code, code + 1);
        auto v = items(m.text);
        ASSERT_EQ(v.size(), 2u);
        long long freeKB = std::stoll(v[0]), totalKB = std::stoll(v[1]);
        EXPECT_GT(totalKB, 0);
        EXPECT_LE(freeKB, totalKB);
        EXPECT_LE(totalKB, 2147483647LL); // the console keeps 32-bit numbers
    }
}

TEST(GatewayReplies, ProcessListAndStoppingAProcess)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    for (int type : {0, 1, 2}) {
        std::string nick = rig.agentOfType(type);
        ASSERT_FALSE(nick.empty());
        auto list = rig.list(nick, 111);
        ASSERT_GE(list.size(), 5u);
        EXPECT_EQ(list.back().code, 113);
        std::vector<std::pair<std::string, std::string>> procs;
        for (std::size_t i = 0; i + 1 < list.size(); ++i) {
            ASSERT_EQ(list[i].code, 112);
            auto it = items(list[i].text);
            ASSERT_EQ(it.size(), 2u) << list[i].text;
            procs.emplace_back(it[0], it[1]);
        }
        // The agent's own core processes refuse to die; an ordinary one goes from the list.
        Message refused = rig.request(nick, 115, procs[0].first + " " + procs[0].second);
        ASSERT_EQ(refused.code, 999);
        EXPECT_EQ(items(refused.text).at(0), "115");
        auto victim = procs.back();
        for (auto& p : procs)
            if (p.second == "explorer.exe" || p.second == "crond" || p.second == "gwes.exe") victim = p;
        Message ok = rig.request(nick, 115, victim.first + " " + victim.second);
        EXPECT_EQ(ok.code, 116) << ok.text;
        auto after = rig.list(nick, 111);
        for (auto& m : after)
            EXPECT_NE(items(m.text).at(0), victim.first) << "killed process still listed";
        Message again = rig.request(nick, 115, victim.first + " " + victim.second);
        EXPECT_EQ(again.code, 999);
    }
}

TEST(GatewayReplies, ServiceListAndStartStop)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(2);
    auto list = rig.list(nick, 141);
    ASSERT_GE(list.size(), 4u);
    EXPECT_EQ(list.back().code, 143);
    std::string stopped, started;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        ASSERT_EQ(list[i].code, 142);
        auto it = items(list[i].text);
        ASSERT_EQ(it.size(), 3u) << list[i].text;
        ASSERT_TRUE(it[2] == "0" || it[2] == "1");
        if (it[2] == "0" && stopped.empty()) stopped = it[0];
        if (it[2] == "1" && it[0] != "TarnAgent" && started.empty()) started = it[0];
    }
    ASSERT_FALSE(stopped.empty());
    EXPECT_EQ(rig.request(nick, 145, stopped).code, 146);
    Message twice = rig.request(nick, 145, stopped);
    ASSERT_EQ(twice.code, 999);
    EXPECT_EQ(items(twice.text).at(0), "145");
    EXPECT_EQ(rig.request(nick, 147, started).code, 148);
    EXPECT_EQ(rig.request(nick, 147, started).code, 999);
    EXPECT_EQ(rig.request(nick, 145, "NoSuchService").code, 999);
    for (auto& m : rig.list(nick, 141)) {
        auto it = items(m.text);
        if (m.code == 142 && it[0] == stopped) {
            EXPECT_EQ(it[2], "1");
        }
        if (m.code == 142 && it[0] == started) {
            EXPECT_EQ(it[2], "0");
        }
    }
}

TEST(GatewayReplies, InterfacesDnsAndApplyingSettings)
{
    Rig rig({"--reboot-delay", "200"});
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(2);
    auto list = rig.list(nick, 121);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.back().code, 123);
    std::vector<std::string> names;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(list[static_cast<std::size_t>(i)].code, 122);
        auto it = items(list[static_cast<std::size_t>(i)].text);
        ASSERT_EQ(it.size(), 6u) << list[static_cast<std::size_t>(i)].text;
        EXPECT_TRUE(it[1] == "0" || it[1] == "1");
        names.push_back(it[0]);
    }
    EXPECT_NE(names[1].find(' '), std::string::npos); // "Local Area Connection 2" travels quoted
    Message dns = rig.request(nick, 125, "\"" + names[1] + "\"");
    ASSERT_EQ(dns.code, 126);
    auto d = items(dns.text);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0], names[1]);
    EXPECT_FALSE(d[1].empty());

    // DNS servers are replaced, and read back.
    EXPECT_EQ(rig.request(nick, 129, "\"" + names[1] + "\" \"10.20.30.40 10.20.30.41\"").code, 130);
    EXPECT_EQ(items(rig.request(nick, 125, "\"" + names[1] + "\"").text).at(1), "10.20.30.40 10.20.30.41");
    EXPECT_EQ(rig.request(nick, 129, "\"" + names[1] + "\" \"not-an-address\"").code, 999);

    // A fixed address is refused when invalid, taken when valid, and the link restarts.
    Message bad = rig.request(nick, 127, "\"" + names[1] + "\" 1 300.1.1.1 255.255.255.0 \"\"");
    ASSERT_EQ(bad.code, 999);
    EXPECT_EQ(items(bad.text).at(0), "127");
    EXPECT_EQ(rig.request(nick, 127, "\"" + names[1] + "\" 1 192.168.77.5 255.255.255.0 192.168.77.1").code,
              128);
    Message m;
    ASSERT_TRUE(rig.console.waitForCode(172, 3000, &m));
    EXPECT_EQ(m.target, nick);
    ASSERT_TRUE(
        rig.console.waitFor([&](const Message& r) { return r.code == 26 && r.target == nick; }, 3000));
    auto now = rig.list(nick, 121);
    auto second = items(now.at(1).text);
    EXPECT_EQ(second.at(1), "1");
    EXPECT_EQ(second.at(2), "192.168.77.5");
    EXPECT_EQ(second.at(4), "192.168.77.1");

    // Agents of type 0 keep one resolver list, asked for with an empty argument.
    std::string unix = rig.agentOfType(0);
    Message global = rig.request(unix, 125);
    ASSERT_EQ(global.code, 126);
    EXPECT_EQ(items(global.text).size(), 2u);
}

TEST(GatewayReplies, AutoLaunchListIsReplacedByEntriesAndClose)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.nicks[0];
    auto list = rig.list(nick, 131);
    ASSERT_GE(list.size(), 2u);
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        EXPECT_EQ(list[i].code, 132);
        EXPECT_EQ(items(list[i].text).size(), 2u);
    }
    ASSERT_EQ(rig.console.send(nick, 134, "\"C:\\tools\\a.exe\" \"-x 1\""), 0);
    ASSERT_EQ(rig.console.send(nick, 134, "\"C:\\tools\\b.exe\" \"\""), 0);
    EXPECT_EQ(rig.request(nick, 135).code, 136);
    auto now = rig.list(nick, 131);
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(items(now[0].text), (std::vector<std::string>{"C:\\tools\\a.exe", "-x 1"}));
    EXPECT_EQ(items(now[1].text), (std::vector<std::string>{"C:\\tools\\b.exe", ""}));
    // An empty new list: only the closing request.
    EXPECT_EQ(rig.request(nick, 135).code, 136);
    auto empty = rig.list(nick, 131);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].code, 133);
}

TEST(GatewayReplies, ClocksTickAndCanBeSet)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(0);
    for (unsigned short code : {161, 163}) {
        Message m = rig.request(nick, code);
        ASSERT_EQ(m.code, code + 1);
        auto t = items(m.text);
        ASSERT_EQ(t.size(), 2u);
        EXPECT_EQ(t[0].size(), 10u);
        EXPECT_EQ(t[1].size(), 8u);
    }
    EXPECT_EQ(rig.request(nick, 165, "2030-01-02 03:04:05").code, 166);
    EXPECT_EQ(items(rig.request(nick, 161).text).at(0), "2030-01-02");
    // The clock runs on: within a few seconds it shows a later second.
    std::string first = items(rig.request(nick, 161).text).at(1);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    std::string later = first;
    while (later == first && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        later = items(rig.request(nick, 161).text).at(1);
    }
    EXPECT_GT(later, first);
    EXPECT_EQ(rig.request(nick, 167, "2031-05-06 07:08:09").code, 168);
    EXPECT_EQ(items(rig.request(nick, 163).text).at(0), "2031-05-06");
    Message bad = rig.request(nick, 165, "2030-02-30 00:00:00");
    ASSERT_EQ(bad.code, 999);
    EXPECT_EQ(items(bad.text).at(0), "165");
}

TEST(GatewayReplies, RebootTakesTheAgentOffLineForAllConsolesAndBack)
{
    Rig rig({"--reboot-delay", "400"});
    ASSERT_TRUE(rig.ready());
    Console other;
    ASSERT_TRUE(other.connect(rig.gw->port()));
    std::vector<std::string> nicks;
    ASSERT_TRUE(other.login(&nicks, 8));
    std::string nick = rig.nicks[3];
    ASSERT_EQ(rig.console.send(nick, 171), 0);
    Message m;
    ASSERT_TRUE(rig.console.waitForCode(172, 3000, &m));
    EXPECT_EQ(m.target, nick);
    ASSERT_TRUE(other.waitForCode(172, 3000, &m));
    EXPECT_EQ(m.target, nick);
    Message offline = rig.request(nick, 101);
    EXPECT_EQ(offline.code, 999);
    ASSERT_TRUE(rig.console.waitForCode(26, 3000, &m));
    EXPECT_EQ(m.target, nick);
    ASSERT_TRUE(other.waitForCode(26, 3000, &m));
    EXPECT_EQ(rig.request(nick, 101).code, 102);
}

TEST(GatewayReplies, RemoteFilesOnASlashAgent)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(0);
    auto root = rig.list(nick, 211, "/");
    ASSERT_GE(root.size(), 3u);
    EXPECT_EQ(root.back().code, 213);
    bool sawEtc = false;
    for (std::size_t i = 0; i + 1 < root.size(); ++i) {
        auto e = items(root[i].text);
        ASSERT_EQ(e.size(), 5u) << root[i].text;
        EXPECT_TRUE(e[0] == "d" || e[0] == "-");
        EXPECT_LE(e[3].size(), 20u);
        EXPECT_EQ(e[4].size(), 3u);
        sawEtc |= e[0] == "d" && e[1] == "etc";
    }
    EXPECT_TRUE(sawEtc);
    EXPECT_TRUE(std::filesystem::is_directory(rig.agentDir(nick) / "etc"));

    EXPECT_EQ(rig.request(nick, 221, "\"/tmp\" \"New Folder\"").code, 222);
    Message dup = rig.request(nick, 221, "\"/tmp\" \"New Folder\"");
    ASSERT_EQ(dup.code, 999);
    EXPECT_EQ(items(dup.text).at(0), "221");
    EXPECT_EQ(rig.request(nick, 215, "\"/usr/bin\" \"collect.sh\" \"gather.sh\"").code, 216);
    EXPECT_EQ(rig.request(nick, 219, "\"/usr/bin\" \"gather.sh\" 700").code, 220);
    auto bin = rig.list(nick, 211, "/usr/bin");
    bool sawMode = false;
    for (auto& m : bin)
        if (m.code == 212 && items(m.text).at(1) == "gather.sh") sawMode = items(m.text).at(4) == "700";
    EXPECT_TRUE(sawMode);
    Message run = rig.request(nick, 225, "\"/usr/bin\" \"gather.sh\" \"--now\"");
    EXPECT_EQ(run.code, 226);
    bool listed = false;
    for (auto& m : rig.list(nick, 111))
        listed |= m.code == 112 && items(m.text).at(1) == "gather.sh";
    EXPECT_TRUE(listed);
    EXPECT_EQ(rig.request(nick, 225, "\"/etc\" \"hostname\" \"\"").code, 999); // not executable
    EXPECT_EQ(rig.request(nick, 217, "\"/usr/bin\" \"gather.sh\"").code, 218);
    EXPECT_FALSE(std::filesystem::exists(rig.agentDir(nick) / "usr/bin/gather.sh"));
    EXPECT_EQ(rig.request(nick, 223, "\"/tmp\" \"New Folder\"").code, 224);
    EXPECT_EQ(rig.request(nick, 217, "\"/usr/bin\" \"gather.sh\"").code, 999);
    Message missing = rig.list(nick, 211, "/no/such/folder").back();
    ASSERT_EQ(missing.code, 999);
    EXPECT_EQ(items(missing.text).at(0), "211");
}

TEST(GatewayReplies, RemoteFilesOnADriveLetterAgent)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(2);
    auto drives = rig.list(nick, 211, ":");
    ASSERT_EQ(drives.size(), 3u);
    auto c = items(drives[0].text);
    EXPECT_EQ(c.at(0), ":");
    EXPECT_EQ(c.at(1), "C:");
    EXPECT_EQ(items(drives[1].text).at(1), "D:");
    // Windows-type names match in any letter case.
    auto folder = rig.list(nick, 211, "\"c:\\program files\\tarn agent\"");
    ASSERT_GE(folder.size(), 2u);
    bool sawExe = false;
    for (auto& m : folder)
        sawExe |= m.code == 212 && items(m.text).at(1) == "TarnAgent.exe";
    EXPECT_TRUE(sawExe);
    EXPECT_EQ(rig.request(nick, 225, "\"C:\\HMI\" \"start.bat\" \"\"").code, 226);
    EXPECT_EQ(rig.request(nick, 221, "\"C:\\Temp\" \"a:b\"").code, 999); // not a Windows name
}

TEST(GatewayReplies, NoPathLeavesTheAgentsFolder)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    std::string unix = rig.agentOfType(0), xpe = rig.agentOfType(2);
    std::string outside = (std::filesystem::path(rig.root) / "outside.txt").string();
    {
        std::ofstream(outside) << "keep";
    }
    for (const char* path : {"/..", "/etc/../..", "/../../.."})
        EXPECT_EQ(rig.list(unix, 211, path).back().code, 999) << path;
    EXPECT_EQ(rig.list(xpe, 211, "\"C:\\..\\..\"").back().code, 999);
    EXPECT_EQ(rig.request(unix, 217, "\"/..\" \"outside.txt\"").code, 999);
    EXPECT_EQ(rig.request(unix, 215, "\"/etc\" \"hostname\" \"../../x\"").code, 999);
    EXPECT_EQ(rig.request(unix, 223, "\"/\" \"..\"").code, 999);
    EXPECT_EQ(readAll(outside), "keep");
    EXPECT_TRUE(std::filesystem::exists(rig.agentDir(unix) / "etc/hostname"));
}

TEST(GatewayReplies, PassThroughAndUnknownRequests)
{
    Rig rig;
    ASSERT_TRUE(rig.ready());
    Message m = rig.request(rig.nicks[0], 137);
    EXPECT_EQ(m.code, 138);
    Message unknown = rig.request(rig.nicks[0], 501);
    ASSERT_EQ(unknown.code, 999);
    EXPECT_EQ(items(unknown.text).at(0), "501");
    Message stranger = rig.request("10.200.0.9:nobody", 101);
    ASSERT_EQ(stranger.code, 999);
    EXPECT_EQ(stranger.target, "10.200.0.9:nobody");
    EXPECT_EQ(quotes(stranger.text) % 2, 0u);
}

TEST(GatewayFileFaults, FoldersThatRefuseAndSizesBeyondFourGigabytes)
{
    Rig rig({"--file-fault", "strict-rmdir", "--file-fault", "locked-folder", "--file-fault", "huge-file"});
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(0);
    bool sawHuge = false, sawLocked = false;
    for (auto& m : rig.list(nick, 211, "/tmp")) {
        if (m.code != 212) continue;
        auto e = items(m.text);
        if (e.at(1) == "huge.img") sawHuge = e.at(2) == "5000000000";
        sawLocked |= e.at(1) == "locked";
    }
    EXPECT_TRUE(sawHuge);
    EXPECT_TRUE(sawLocked);
    Message locked = rig.list(nick, 211, "/tmp/locked").back();
    ASSERT_EQ(locked.code, 999);
    EXPECT_EQ(items(locked.text).at(1), "Access is denied.");
    EXPECT_EQ(rig.request(nick, 217, "\"/tmp/locked\" \"secret.txt\"").code, 999);

    Message notEmpty = rig.request(nick, 223, "\"/\" \"etc\"");
    ASSERT_EQ(notEmpty.code, 999);
    EXPECT_EQ(items(notEmpty.text).at(1), "The directory is not empty.");
    EXPECT_TRUE(std::filesystem::exists(rig.agentDir(nick) / "etc/hostname"));
    EXPECT_EQ(rig.request(nick, 221, "\"/tmp\" \"empty\"").code, 222);
    EXPECT_EQ(rig.request(nick, 223, "\"/tmp\" \"empty\"").code, 224);
}

TEST(GatewayFileFaults, OddNamesGoOutAsTheyAre)
{
    Rig rig({"--file-fault", "odd-names"});
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(0);
    auto listing = rig.list(nick, 211, "/tmp");
    ASSERT_FALSE(listing.empty());
    EXPECT_EQ(listing.back().code, 213);
    std::string all;
    for (auto& m : listing)
        all += m.text + "\n";
    EXPECT_NE(all.find("\"with space.txt\""), std::string::npos);
    EXPECT_NE(all.find("\"quote\"d.txt\""), std::string::npos);
    EXPECT_NE(all.find("\"back\\slash.txt\""), std::string::npos);
    EXPECT_NE(all.find("d \".\" 0"), std::string::npos);
    EXPECT_NE(all.find("d \"..\" 0"), std::string::npos);
    EXPECT_NE(all.find(std::string(200, 'L') + ".txt"), std::string::npos);
}

TEST(GatewayFileFaults, AHeldListingSendsItsSecondHalfLater)
{
    Rig rig({"--file-fault", "hold-listing:600"});
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(0);
    auto start = std::chrono::steady_clock::now();
    auto listing = rig.list(nick, 211, "/");
    auto took = std::chrono::steady_clock::now() - start;
    ASSERT_GE(listing.size(), 3u);
    EXPECT_EQ(listing.back().code, 213);
    EXPECT_GE(took, std::chrono::milliseconds(500));
}

TEST(GatewayReplies, SettingsBeyondTheConsolesFieldsAndSwitchedFailures)
{
    Rig rig({"--fail", "163"});
    ASSERT_TRUE(rig.ready());
    std::string nick = rig.agentOfType(1);
    // The first interface reports three servers; all of them can be set back.
    auto ifs = rig.list(nick, 121);
    ASSERT_GE(ifs.size(), 2u);
    std::string first = items(ifs[0].text).at(0);
    auto servers = items(items(rig.request(nick, 125, first).text).at(1));
    EXPECT_EQ(servers.size(), 3u);
    EXPECT_EQ(rig.request(nick, 129, first + " \"10.9.9.1 10.9.9.2 10.9.9.3\"").code, 130);
    EXPECT_EQ(items(rig.request(nick, 125, first).text).at(1), "10.9.9.1 10.9.9.2 10.9.9.3");

    // An entry travels only if its pair fits the 1022 bytes the console can read back.
    std::string program(600, 'p');
    ASSERT_EQ(rig.console.send(nick, 134, "\"" + program + "\" \"" + std::string(417, 'a') + "\""), 0);
    Message refused = rig.request(nick, 134, "\"" + program + "\" \"" + std::string(418, 'a') + "\"");
    ASSERT_EQ(refused.code, 999);
    EXPECT_EQ(items(refused.text).at(0), "134");
    EXPECT_EQ(rig.request(nick, 135).code, 136);
    auto list = rig.list(nick, 131);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].text.size(), 1022u);

    // A code switched to failing answers 999 with its code; the others are served.
    Message rtc = rig.request(nick, 163);
    ASSERT_EQ(rtc.code, 999);
    EXPECT_EQ(items(rtc.text).at(0), "163");
    EXPECT_EQ(rig.request(nick, 161).code, 162);
}
