// The cellular modem of an agent whose model belongs to the cellular families: SIM with PIN and
// PUK, PIN lock, AT commands, GPRS, SMS slots per storage, templates, history and phone books.
// It answers the mobile requests with the replies the console's plug-in reads; the gateway only
// delivers them (now or after the modem delay).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarngw {

struct ModemReply
{
    std::uint16_t code;
    std::string text;
};

enum class SimState { Absent, Ready, Pin, Puk, Blocked };

struct ModemConfig
{
    std::string model;
    std::string agentVersion;
    SimState sim = SimState::Ready;
    std::string pin = "1234";
    std::string puk = "12345678";
    std::uint32_t seed = 1;
};

// Switches for fault drills: codes that fail, and outsized output.
struct ModemDrills
{
    std::vector<std::uint16_t> failCodes;
    bool oversize = false;
};

// Files on the agent, for the phone-book export and import; false with an error text.
struct ModemFiles
{
    std::function<bool(std::string_view path, const std::string& data, std::string* error)> write;
    std::function<bool(std::string_view path, std::string* data, std::string* error)> read;
};

class Modem
{
public:
    static constexpr int kPinTries = 3;
    static constexpr int kPukTries = 10;
    static constexpr int kSimSlots = 15;
    static constexpr int kDeviceSlots = 40;
    static constexpr int kDeviceIndexBase = 100; // device slots are 101, 102, ... in the combined view
    static constexpr int kSimContacts = 250;
    static constexpr int kDeviceContacts = 500;

    // Model names of the cellular families; one model is restricted to GPRS and AT commands.
    static bool IsCellular(std::string_view model);
    static bool IsFamily(std::string_view model); // the family with boot auto-connection
    static bool IsRestricted(std::string_view model);
    static bool IsModemRequest(std::uint16_t code);
    static bool ParseSimState(std::string_view text, SimState* state);

    explicit Modem(ModemConfig config);

    std::vector<ModemReply> Handle(std::uint16_t code, std::string_view args, const ModemDrills& drills,
                                   const ModemFiles& files);

    SimState Sim() const { return sim_; }
    int PinTries() const { return pinTries_; }
    int PukTries() const { return pukTries_; }
    const std::string& Pin() const { return pin_; }

private:
    struct Sms
    {
        std::string status; // "REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"
        std::string sender;
        std::string time; // "yy/MM/dd,hh:mm:ss+zz"
        std::string text;
        std::string pdu; // set when the storage keeps the message as the modem received it
    };
    struct HistoryEntry
    {
        std::string pdu; // set for an entry moved as a PDU
        std::string sender, time, text;
    };
    struct Contact
    {
        std::string name, number;
    };

    void fail(std::uint16_t code, std::string_view text);
    void reply(std::uint16_t code, std::string text);
    bool needSim(std::uint16_t code);
    void sim(std::uint16_t code, std::string_view args);
    void pinManagement(std::uint16_t code, std::string_view args);
    void gprs(std::uint16_t code, std::string_view args);
    void sms(std::uint16_t code, std::string_view args);
    void templatesAndHistory(std::uint16_t code, std::string_view args);
    void phoneBook(std::uint16_t code, std::string_view args, const ModemFiles& files);
    void at(std::string_view args, bool oversize);
    // Short messages in the form the agent reports them (modem_sms.cpp).
    bool pduMode() const;
    bool pduStorage(const std::map<int, Sms>& store) const;
    Sms storedMessage(std::string status, std::string sender, std::string time, std::string text) const;
    void seedMessages();
    void listMessages();
    void acceptSend(std::string_view args);
    // Wrong PIN: one try less; the card locks to its PUK at the last one.
    void wrongPin(std::uint16_t code);
    std::map<int, Sms>* smsStore(int index, int* slot);
    std::map<int, Contact>& contacts() { return pbDevice_ ? deviceBook_ : simBook_; }

    ModemConfig config_;
    std::vector<ModemReply> out_;
    SimState sim_;
    std::string pin_;
    int pinTries_ = kPinTries;
    int pukTries_ = kPukTries;
    bool pinLock_ = false;
    bool connected_ = false;
    bool reconnect_ = false;
    int reconnectInterval_ = 10;
    bool bootConnect_ = false;
    std::string operatorName_ = "Tarn Mobile";
    std::string accessPoint_ = "internet.tarn";
    int band_ = 3;
    std::string smsStorage_ = "SM";
    int smsStorageNumber_ = 0;
    std::map<int, Sms> simSms_, deviceSms_;
    std::vector<HistoryEntry> history_;
    std::vector<std::string> templates_;
    std::map<int, Contact> simBook_, deviceBook_;
    bool pbDevice_ = false;
    std::vector<Contact> exportLines_;
    bool prompt_ = false;
    int messageReference_ = 0;
};

// Quoted-item escaping of the mobile texts: backslash, double quote, carriage return, line feed.
std::string escapeItem(std::string_view text);
std::string unescapeItem(std::string_view item);
// An item in double quotes, escaped.
std::string quoted(std::string_view text);
// A small decimal number within [min, max]; false for anything else.
bool smallNumber(std::string_view text, int* value, int min, int max);
// Items with the mobile reader's rules: a quote behind an odd number of backslashes stays inside
// its item; false when a quote is never closed.
bool splitMobileItems(std::string_view text, std::vector<std::string>* items);

// An SMS-DELIVER as hex, from a sender, a stamp "yy/MM/dd,hh:mm:ss+zz" and UTF-8 text: the default
// alphabet when the text is ASCII, UCS-2 otherwise; a service centre when one is given.
std::string deliverPdu(std::string_view serviceCentre, std::string_view sender, std::string_view time,
                       std::string_view text);
// Checks an SMS-SUBMIT against the TPDU length the send command gives; empty when it is sound,
// otherwise why not.
std::string checkSubmit(int tpduLength, std::string_view pduHex);
// Phone-book files: one contact a line, the name quoted with only backslash and quote escaped,
// a space and the number, CR LF. A line is read up to kPhoneBookLineMax bytes, the rest of a
// longer one is dropped; empty lines hold no contact.
constexpr std::size_t kPhoneBookLineMax = 1023;
std::string phoneBookFileLine(std::string_view name, std::string_view number);
bool parsePhoneBookFileLine(std::string_view line, std::string* name, std::string* number);
std::vector<std::pair<std::string, std::string>> readPhoneBookFile(std::string_view data, std::size_t max);

} // namespace tarngw
