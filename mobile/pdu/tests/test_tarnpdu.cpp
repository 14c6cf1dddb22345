// The operator's tool through its command line.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct ToolRun
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const std::string& path)
{
    std::string s;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

ToolRun tool(const std::vector<std::string>& args)
{
    const char* dir = std::getenv("TARN_BIN_DIR");
    std::string cmd = quoted(std::string(dir ? dir : ".") + "/tarn-pdu");
    for (const auto& a : args)
        cmd += " " + quoted(a);
    std::string base = ::testing::TempDir() + "tarnpdu." + std::to_string(::getpid());
    cmd += " >" + quoted(base + ".out") + " 2>" + quoted(base + ".err");
    ToolRun r;
    int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = slurp(base + ".out");
    r.err = slurp(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}

} // namespace

TEST(TarnPduTool, DecodePrintsOneFieldPerLine)
{
    ToolRun r =
        tool({"decode", "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sc: +31624000000\n"
                     "sender: +31641600986\n"
                     "coding: 7-bit\n"
                     "timestamp: 2002-08-26 19:37:41\n"
                     "text: How are you?\n");

    // UCS-2 comes out as UTF-8; no stamp reads "none"; a line break in the text stays on one line.
    r = tool({"decode", "00040591"
                        "2143F5"
                        "0008"
                        "FFFFFFFFFFFFFF"
                        "06"
                        "00E9000A4E2D"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sc: \nsender: +12345\ncoding: UCS-2\ntimestamp: none\ntext: \xC3\xA9\\n\xE4\xB8\xAD\n");
}

TEST(TarnPduTool, DecodeFailuresSayWhyAndExitNonZero)
{
    for (const std::string& bad :
         {std::string("00040B811346610089F60000FFFFFFFFFFFFFF00"), std::string("07911326040000F0040B9113"),
          std::string("zz"), std::string("")}) {
        ToolRun r = tool({"decode", bad});
        EXPECT_NE(r.status, 0) << bad;
        EXPECT_EQ(r.out, "") << bad;
        EXPECT_NE(r.err.find("cannot decode"), std::string::npos) << bad;
    }
}

TEST(TarnPduTool, EncodePrintsLengthAndPdu)
{
    ToolRun r = tool({"encode", "0123", "a_b"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "13 001100049210320000FF03E18818\n");

    r = tool({"encode", "--ucs2", "+12345", "\xC3\xA9"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "13 0011000591"
                     "2143F5"
                     "0008FF"
                     "02"
                     "00E9\n");

    r = tool({"encode", "--8bit", "+12345", "\xC3\xA9"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "12 0011000591"
                     "2143F5"
                     "0004FF"
                     "01"
                     "E9\n");
}

TEST(TarnPduTool, EncodeRefusesWithAReason)
{
    const std::vector<std::vector<std::string>> cases = {
        {"encode", "+49 171 555", "hi"}, // spaces never reach the PDU
        {"encode", "0171-555", "hi"},
        {"encode", "+123456789012345678901", "hi"}, // 21 digits
        {"encode", "+12345", "\xC3\xA9"},           // a wide character in 7-bit
        {"encode", "--8bit", "+12345", "\xE4\xB8\xAD"},
        {"encode", "+12345", std::string(161, 'x')},
        {"encode", "--ucs2", "+12345", std::string(71, 'x')},
        {"encode", "+12345", "\xC3"}, // not UTF-8
    };
    for (const auto& args : cases) {
        ToolRun r = tool(args);
        EXPECT_NE(r.status, 0) << args[1];
        EXPECT_EQ(r.out, "") << args[1];
        EXPECT_NE(r.err.find("cannot encode: "), std::string::npos) << r.err;
    }
    EXPECT_NE(tool({"encode", "--7bit", "1", "x"}).status, 0);
    EXPECT_NE(tool({"frobnicate"}).status, 0);
}
