#include "modem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tarngw {

namespace {

bool contains(std::string_view text, std::string_view word)
{
    return text.find(word) != std::string_view::npos;
}

bool allDigits(std::string_view text, std::size_t min, std::size_t max)
{
    if (text.size() < min || text.size() > max) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string upper(std::string_view text)
{
    std::string u(text);
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

constexpr const char* kNoSim = "The SIM card is not inserted.";
constexpr const char* kBlocked = "The SIM card is blocked.";
constexpr const char* kNotReady = "The SIM card is not ready.";
constexpr const char* kBadParameter = "The parameter is incorrect.";

} // namespace

std::string quoted(std::string_view text)
{
    return "\"" + escapeItem(text) + "\"";
}

bool smallNumber(std::string_view text, int* value, int min, int max)
{
    if (text.empty() || text.size() > 9) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < min || v > max) return false;
    *value = v;
    return true;
}

std::string escapeItem(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescapeItem(std::string_view item)
{
    std::string out;
    out.reserve(item.size());
    for (std::size_t i = 0; i < item.size(); ++i) {
        if (item[i] == '\\' && i + 1 < item.size()) {
            char next = item[i + 1];
            if (next == 'r' || next == 'n' || next == '"' || next == '\\') {
                out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
                ++i;
                continue;
            }
        }
        out += item[i];
    }
    return out;
}

bool splitMobileItems(std::string_view text, std::vector<std::string>* items)
{
    items->clear();
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i >= text.size()) return true;
        if (text[i] == '"') {
            std::size_t j = i + 1, backslashes = 0;
            for (; j < text.size(); ++j) {
                if (text[j] == '\\') {
                    ++backslashes;
                    continue;
                }
                if (text[j] == '"' && backslashes % 2 == 0) break;
                backslashes = 0;
            }
            if (j >= text.size()) return false;
            items->push_back(unescapeItem(text.substr(i + 1, j - i - 1)));
            i = j + 1;
        } else {
            std::size_t end = text.find_first_of(" \"", i);
            if (end == std::string_view::npos) end = text.size();
            items->emplace_back(text.substr(i, end - i));
            i = end;
        }
    }
}

bool Modem::IsCellular(std::string_view model)
{
    return contains(model, "K520") || contains(model, "K7");
}

bool Modem::IsFamily(std::string_view model)
{
    return contains(model, "K7");
}

bool Modem::IsRestricted(std::string_view model)
{
    return contains(model, "K7230");
}

bool Modem::IsModemRequest(std::uint16_t code)
{
    return (code >= 301 && code <= 375) || code == 521 || code == 523;
}

bool Modem::ParseSimState(std::string_view text, SimState* state)
{
    static const std::pair<const char*, SimState> names[] = {{"ready", SimState::Ready},
                                                             {"pin", SimState::Pin},
                                                             {"puk", SimState::Puk},
                                                             {"absent", SimState::Absent},
                                                             {"blocked", SimState::Blocked}};
    for (const auto& [name, value] : names)
        if (text == name) {
            *state = value;
            return true;
        }
    return false;
}

Modem::Modem(ModemConfig config) : config_(std::move(config)), sim_(config_.sim), pin_(config_.pin)
{
    pinLock_ = sim_ == SimState::Pin || sim_ == SimState::Puk;
    // Messages and contacts, so that every list has something to show.
    seedMessages();
    templates_ = {"Call me back, please.", "Arrived on site.", "Alarm acknowledged: \"pump\" restarted."};
    simBook_[1] = {"Service desk", "+4930123456"};
    simBook_[2] = {"Ann Lee", "+4912345"};
    simBook_[4] = {"Night shift", "*100#"};
    deviceBook_[1] = {"Control room", "+4940998877"};
}

void Modem::reply(std::uint16_t code, std::string text)
{
    out_.push_back({code, std::move(text)});
}

void Modem::fail(std::uint16_t code, std::string_view text)
{
    out_.push_back({999, std::to_string(code) + " " + quoted(text)});
}

std::vector<ModemReply> Modem::Handle(std::uint16_t code, std::string_view args, const ModemDrills& drills,
                                      const ModemFiles& files)
{
    out_.clear();
    if (std::find(drills.failCodes.begin(), drills.failCodes.end(), code) != drills.failCodes.end()) {
        fail(code, "The modem does not respond.");
        return std::move(out_);
    }
    switch (code) {
    case 301:
    case 303:
        sim(code, args);
        break;
    case 305:
    case 307:
    case 309:
        if (needSim(code)) pinManagement(code, args);
        break;
    case 311:
    case 313:
    case 315:
    case 317:
    case 319:
    case 375:
    case 521:
    case 523:
        if (needSim(code)) gprs(code, args);
        break;
    case 321:
    case 325:
    case 327:
    case 329:
    case 331:
    case 333:
    case 335:
    case 336:
        if (needSim(code)) sms(code, args);
        break;
    case 339:
    case 343:
    case 345:
    case 349:
        if (needSim(code)) templatesAndHistory(code, args);
        break;
    case 351:
    case 355:
    case 357:
    case 359:
    case 361:
    case 362:
    case 365:
        if (needSim(code)) phoneBook(code, args, files);
        break;
    case 371:
        at(args, drills.oversize);
        break;
    default:
        fail(code, "The request is not supported by the device.");
        break;
    }
    return std::move(out_);
}

bool Modem::needSim(std::uint16_t code)
{
    switch (sim_) {
    case SimState::Ready:
        return true;
    case SimState::Absent:
        fail(code, kNoSim);
        return false;
    case SimState::Blocked:
        fail(code, kBlocked);
        return false;
    default:
        fail(code, kNotReady);
        return false;
    }
}

void Modem::wrongPin(std::uint16_t code)
{
    if (pinTries_ > 0) --pinTries_;
    if (pinTries_ == 0) {
        sim_ = SimState::Puk;
        out_.push_back({999, std::to_string(code) + " " +
                                 quoted("Incorrect PIN code. The SIM card is locked by PUK code.") + " 0"});
        return;
    }
    out_.push_back(
        {999, std::to_string(code) + " " + quoted("Incorrect PIN code.") + " " + std::to_string(pinTries_)});
}

void Modem::sim(std::uint16_t code, std::string_view args)
{
    std::vector<std::string> items;
    splitMobileItems(args, &items);
    if (code == 301) {
        switch (sim_) {
        case SimState::Absent:
            fail(code, kNoSim);
            break;
        case SimState::Blocked:
            fail(code, kBlocked);
            break;
        case SimState::Ready:
            reply(302, "0");
            break;
        case SimState::Pin:
            reply(302, "1 " + std::to_string(pinTries_));
            break;
        case SimState::Puk:
            reply(302, "2 " + std::to_string(pukTries_));
            break;
        }
        return;
    }
    // 303: the PIN, or the PUK and the new PIN.
    switch (sim_) {
    case SimState::Absent:
        fail(code, kNoSim);
        return;
    case SimState::Blocked:
        fail(code, kBlocked);
        return;
    case SimState::Ready:
        fail(code, "The SIM card is not locked.");
        return;
    case SimState::Pin:
        if (items.size() != 1 || items[0] != pin_) {
            wrongPin(code);
            return;
        }
        sim_ = SimState::Ready;
        pinTries_ = kPinTries;
        reply(304, "");
        return;
    case SimState::Puk:
        if (items.size() != 2 || !allDigits(items[1], 4, 8)) {
            // A malformed request costs no try.
            out_.push_back({999, std::to_string(code) + " " + quoted("The new PIN code is invalid.") + " " +
                                     std::to_string(pukTries_)});
            return;
        }
        if (items[0] != config_.puk) {
            if (pukTries_ > 0) --pukTries_;
            if (pukTries_ == 0) sim_ = SimState::Blocked;
            out_.push_back({999, std::to_string(code) + " " +
                                     quoted(pukTries_ == 0 ? "Incorrect PUK code. The SIM card is blocked."
                                                           : "Incorrect PUK code.") +
                                     " " + std::to_string(pukTries_)});
            return;
        }
        pin_ = items[1];
        sim_ = SimState::Ready;
        pinTries_ = kPinTries;
        pukTries_ = kPukTries;
        reply(304, "");
        return;
    }
}

void Modem::pinManagement(std::uint16_t code, std::string_view args)
{
    std::vector<std::string> items;
    splitMobileItems(args, &items);
    switch (code) {
    case 305: // current PIN, new PIN
        if (items.size() != 2 || !allDigits(items[1], 4, 8)) {
            fail(code, "The new PIN code is invalid.");
            return;
        }
        if (items[0] != pin_) {
            wrongPin(code);
            return;
        }
        pin_ = items[1];
        pinTries_ = kPinTries;
        reply(306, "");
        return;
    case 307:
        reply(308, pinLock_ ? "1" : "0");
        return;
    case 309: { // new state, PIN
        int state = 0;
        if (items.size() != 2 || !smallNumber(items[0], &state, 0, 1)) {
            fail(code, kBadParameter);
            return;
        }
        if (items[1] != pin_) {
            wrongPin(code);
            return;
        }
        pinTries_ = kPinTries;
        pinLock_ = state == 1;
        reply(310, pinLock_ ? "1" : "0");
        return;
    }
    }
}

void Modem::gprs(std::uint16_t code, std::string_view args)
{
    std::vector<std::string> items;
    if (!splitMobileItems(args, &items)) {
        fail(code, kBadParameter);
        return;
    }
    switch (code) {
    case 311:
        reply(312, std::string(connected_ ? "1" : "0") + (reconnect_ ? " 1" : " 0"));
        return;
    case 313: {
        int want = 0;
        if (items.empty() || !smallNumber(items[0], &want, 0, 1) || (want == 0 && items.size() != 1) ||
            (want == 1 && items.size() != 1 && items.size() != 3)) {
            fail(code, kBadParameter);
            return;
        }
        if ((want == 1) == connected_) {
            fail(code, connected_ ? "The GPRS connection is already up." : "The GPRS connection is not up.");
            return;
        }
        connected_ = want == 1;
        reply(314, connected_ ? "1" : "0");
        return;
    }
    case 315: {
        std::string report = "Signal quality: " + std::to_string(14 + config_.seed % 12) +
                             "\r\nNetwork registration: home network\r\nOperator: " + operatorName_ +
                             "\r\nAccess point: " + accessPoint_ +
                             "\r\nGPRS attached: " + (connected_ ? "yes" : "no") +
                             "\r\nResult: " + (connected_ ? "the connection works." : "no data connection.");
        reply(316, quoted(report));
        return;
    }
    case 317: {
        int mode = 0, interval = 0;
        if (items.size() != 2 || !smallNumber(items[0], &mode, 0, 2) ||
            !smallNumber(items[1], &interval, 1, 86400)) {
            fail(code, kBadParameter);
            return;
        }
        reconnect_ = mode == 1;
        reconnectInterval_ = interval;
        reply(318, reconnect_ ? "1" : "0");
        return;
    }
    case 319:
        reply(320, std::to_string(band_) + " " + quoted(operatorName_) + " " + quoted(accessPoint_));
        return;
    case 375:
        if (items.size() != 2 || items[0].empty() || items[1].empty() || items[0].size() > 64 ||
            items[1].size() > 100) {
            fail(code, "The operator or access point name is invalid.");
            return;
        }
        operatorName_ = items[0];
        accessPoint_ = items[1];
        reply(376, "");
        return;
    case 521:
    case 523: {
        if (!IsFamily(config_.model)) {
            fail(code, "The request is not supported by the device.");
            return;
        }
        if (code == 521) {
            reply(522, bootConnect_ ? "1" : "0");
            return;
        }
        int state = 0;
        if (items.size() != 1 || !smallNumber(items[0], &state, 0, 1)) {
            fail(code, kBadParameter);
            return;
        }
        bootConnect_ = state == 1;
        reply(524, bootConnect_ ? "1" : "0");
        return;
    }
    }
}

std::map<int, Modem::Sms>* Modem::smsStore(int index, int* slot)
{
    if (smsStorage_ == "SM" && index >= 1 && index <= kSimSlots) {
        *slot = index;
        return &simSms_;
    }
    if (smsStorage_ == "ME" && index >= 1 && index <= kDeviceSlots) {
        *slot = index;
        return &deviceSms_;
    }
    if (smsStorage_ == "MT") {
        if (index >= 1 && index <= kSimSlots) {
            *slot = index;
            return &simSms_;
        }
        if (index > kDeviceIndexBase && index <= kDeviceIndexBase + kDeviceSlots) {
            *slot = index - kDeviceIndexBase;
            return &deviceSms_;
        }
    }
    return nullptr;
}

void Modem::sms(std::uint16_t code, std::string_view args)
{
    std::vector<std::string> items;
    const bool whole = splitMobileItems(args, &items);
    int index = 0, slot = 0;
    switch (code) {
    case 321:
        listMessages();
        return;
    case 325:
    case 329: {
        std::map<int, Sms>* store = nullptr;
        if (items.size() == 1 && smallNumber(items[0], &index, 1, 1000)) store = smsStore(index, &slot);
        auto it = store ? store->find(slot) : std::map<int, Sms>::iterator();
        if (!store || it == store->end()) {
            fail(code, "There is no message at this index.");
            return;
        }
        if (code == 325) {
            if (it->second.status == "REC UNREAD") it->second.status = "REC READ";
            reply(326, std::to_string(index));
        } else {
            store->erase(it);
            reply(330, std::to_string(index));
        }
        return;
    }
    case 327:
        acceptSend(args);
        return;
    case 331:
        reply(332, smsStorage_ == "MT" ? "MT " + std::to_string(smsStorageNumber_) : smsStorage_);
        return;
    case 333: {
        int number = 0;
        if (items.empty() || items.size() > 2 || (items[0] != "SM" && items[0] != "ME" && items[0] != "MT") ||
            (items.size() == 2 && !smallNumber(items[1], &number, 0, 1000))) {
            fail(code, "The storage is not supported.");
            return;
        }
        smsStorage_ = items[0];
        smsStorageNumber_ = items[0] == "MT" ? static_cast<int>(simSms_.size() + deviceSms_.size()) : 0;
        reply(334, smsStorage_);
        return;
    }
    case 335: {
        // Index and PDU, or index and three quoted items; no reply, the end comes with 336.
        std::map<int, Sms>* store = nullptr;
        if (whole && !items.empty() && smallNumber(items[0], &index, 1, 1000)) store = smsStore(index, &slot);
        if (!store || !store->count(slot) || (items.size() != 2 && items.size() != 4)) return;
        if (items.size() == 2)
            history_.push_back({items[1], {}, {}, {}});
        else
            history_.push_back({{}, items[1], items[2], items[3]});
        store->erase(slot);
        return;
    }
    case 336:
        reply(337, std::to_string(history_.size()));
        return;
    }
}

void Modem::templatesAndHistory(std::uint16_t code, std::string_view args)
{
    std::vector<std::string> items;
    const bool whole = splitMobileItems(args, &items);
    int number = 0;
    switch (code) {
    case 339:
        for (const auto& e : history_) {
            if (!e.pdu.empty())
                reply(340, e.pdu);
            else
                reply(340, quoted(e.sender) + " " + quoted(e.time) + " " + quoted(e.text));
        }
        reply(341, "");
        return;
    case 343:
        if (items.size() != 1 || !smallNumber(items[0], &number, 1, 100000) ||
            static_cast<std::size_t>(number) > history_.size()) {
            fail(code, "There is no history entry with this number.");
            return;
        }
        history_.erase(history_.begin() + (number - 1));
        reply(344, std::to_string(number));
        return;
    case 345:
        for (const auto& t : templates_)
            reply(346, quoted(t));
        reply(347, "");
        return;
    case 349:
        // A template must fit the reply that lists it: the console reads at most 1022 bytes.
        if (!whole || items.size() != 2 || !smallNumber(items[0], &number, 0, 100000) ||
            quoted(items[1]).size() >= 1023) {
            fail(code, kBadParameter);
            return;
        }
        if (number == 0) {
            if (items[1].empty() || templates_.size() >= 50) {
                fail(code, items[1].empty() ? "The template is empty." : "The template list is full.");
                return;
            }
            templates_.push_back(items[1]);
            reply(350, std::to_string(templates_.size()));
            return;
        }
        if (static_cast<std::size_t>(number) > templates_.size()) {
            fail(code, "There is no template with this number.");
            return;
        }
        if (items[1].empty())
            templates_.erase(templates_.begin() + (number - 1));
        else
            templates_[static_cast<std::size_t>(number) - 1] = items[1];
        reply(350, std::to_string(number));
        return;
    }
}

void Modem::at(std::string_view args, bool oversize)
{
    const std::string command(args);
    if (prompt_) {
        // The text of a message, ended by Ctrl-Z inside the quotes, or Escape alone to cancel.
        if (command == "\x1b") {
            prompt_ = false;
            reply(372, "\r\nOK\r\n");
        } else if (command.size() >= 3 && command.front() == '"' && command.back() == '"' &&
                   command[command.size() - 2] == '\x1a') {
            prompt_ = false;
            messageReference_ = (messageReference_ + 1) % 256;
            reply(372, "\r\n+CMGS: " + std::to_string(messageReference_) + "\r\n\r\nOK\r\n");
        } else {
            reply(372, "\r\n> ");
        }
        reply(373, "");
        return;
    }
    if (command.empty()) {
        fail(371, "The AT command is empty.");
        return;
    }
    const std::string u = upper(command);
    std::string output;
    if (oversize) {
        while (output.size() < 8000)
            output += "+CSQ: 18,99 +COPS: 0,0,\"" + operatorName_ + "\" ";
        output += "\r\nOK\r\n";
    } else if (u == "AT") {
        output = "\r\nOK\r\n";
    } else if (u == "ATI") {
        output = "\r\n" + config_.model + " cellular module\r\nRevision: 07.02.504\r\n\r\nOK\r\n";
    } else if (u == "AT+CSQ") {
        output = "\r\n+CSQ: " + std::to_string(14 + config_.seed % 12) + ",99\r\n\r\nOK\r\n";
    } else if (u == "AT+CPIN?") {
        const char* state = sim_ == SimState::Ready ? "READY"
                            : sim_ == SimState::Pin ? "SIM PIN"
                            : sim_ == SimState::Puk ? "SIM PUK"
                                                    : nullptr;
        output = state ? std::string("\r\n+CPIN: ") + state + "\r\n\r\nOK\r\n" : "\r\n+CME ERROR: 10\r\n";
    } else if (u == "AT+COPS?") {
        output = "\r\n+COPS: 0,0,\"" + operatorName_ + "\"\r\n\r\nOK\r\n";
    } else if (u.rfind("AT+CMGS=", 0) == 0) {
        if (sim_ != SimState::Ready) {
            output = "\r\n+CMS ERROR: 310\r\n";
        } else {
            prompt_ = true;
            output = "\r\n> ";
        }
    } else {
        output = "\r\nERROR\r\n";
    }
    reply(372, output);
    reply(373, "");
}

} // namespace tarngw
