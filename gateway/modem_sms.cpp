// Short messages of the simulated modem: the form each storage keeps them in, and the sends in
// text or PDU form. Agents from 2.1.1 on report the SIM's messages as the raw PDUs the card holds;
// the device's own store keeps decoded records, and older agents decode everything to text.
#include "modem.h"

#include <cstdio>

namespace tarngw {

namespace {

constexpr const char* kServiceCentre = "+491710760000";
constexpr const char* kNotSent = "The message could not be sent.";

std::string hexOctet(unsigned value)
{
    char buffer[3];
    std::snprintf(buffer, sizeof buffer, "%02X", value & 0xFFu);
    return buffer;
}

// Digits two by two with each pair swapped, an odd count padded with "F".
std::string swapped(std::string_view digits)
{
    std::string out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        out += i + 1 < digits.size() ? digits[i + 1] : 'F';
        out += digits[i];
    }
    return out;
}

std::string address(std::string_view number, bool serviceCentre)
{
    const bool international = !number.empty() && number[0] == '+';
    const std::string_view digits = international ? number.substr(1) : number;
    const std::string type = international ? "91" : "81";
    if (serviceCentre) return hexOctet(unsigned(1 + (digits.size() + 1) / 2)) + type + swapped(digits);
    return hexOctet(unsigned(digits.size())) + type + swapped(digits);
}

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > 127) return false;
    return true;
}

// UTF-8 to UTF-16 code units; a broken sequence becomes U+FFFD.
std::u16string utf16(std::string_view text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned cp = 0xFFFD;
        std::size_t n = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            n = 2;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            n = 3;
        } else if ((c & 0xF8) == 0xF0 && i + 3 < text.size()) {
            cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                 ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
            n = 4;
        }
        if (cp > 0xFFFF) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += n;
    }
    return out;
}

// Default-alphabet septets of ASCII text, packed least significant bit first.
std::string packSeptets(std::string_view text)
{
    std::string out;
    unsigned accumulator = 0;
    int bits = 0;
    for (char ch : text) {
        unsigned septet = static_cast<unsigned char>(ch) & 0x7Fu;
        if (ch == '@') septet = 0x00;
        if (ch == '$') septet = 0x02;
        if (ch == '_') septet = 0x11;
        accumulator |= septet << bits;
        bits += 7;
        while (bits >= 8) {
            out += hexOctet(accumulator & 0xFFu);
            accumulator >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) out += hexOctet(accumulator);
    return out;
}

// Coding scheme, user-data length and user data.
std::string userData(std::string_view text)
{
    if (isAscii(text)) return "00|" + hexOctet(unsigned(text.size())) + packSeptets(text);
    const std::u16string wide = utf16(text);
    std::string ud;
    for (char16_t c : wide)
        ud += hexOctet(c >> 8) + hexOctet(c);
    return "08|" + hexOctet(unsigned(wide.size() * 2)) + ud;
}

// "yy/MM/dd,hh:mm:ss+zz" as the seven swapped semi-octets; "FF" stamps when it does not read.
std::string stamp(std::string_view time)
{
    if (time.size() < 17) return "FFFFFFFFFFFFFF";
    std::string digits;
    for (std::size_t at : {0u, 3u, 6u, 9u, 12u, 15u})
        digits += std::string(time.substr(at, 2));
    for (char c : digits)
        if (c < '0' || c > '9') return "FFFFFFFFFFFFFF";
    std::string out = swapped(digits);
    // Quarter hours; the sign sits in the third bit of the tens digit.
    unsigned zone = 0;
    bool negative = false;
    if (time.size() >= 19 && (time[17] == '+' || time[17] == '-')) {
        negative = time[17] == '-';
        for (std::size_t i = 18; i < time.size() && i < 20; ++i)
            if (time[i] >= '0' && time[i] <= '9') zone = zone * 10 + unsigned(time[i] - '0');
    }
    const unsigned tens = (zone / 10) | (negative ? 8u : 0u);
    out += hexOctet(((zone % 10) << 4) | tens);
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::string deliverPdu(std::string_view serviceCentre, std::string_view sender, std::string_view time,
                       std::string_view text)
{
    std::string pdu = serviceCentre.empty() ? "00" : address(serviceCentre, true);
    const std::string ud = userData(text);
    const std::size_t bar = ud.find('|');
    pdu += "04"; // SMS-DELIVER, no more messages waiting
    pdu += address(sender, false);
    pdu += "00" + ud.substr(0, bar); // protocol identifier, coding scheme
    pdu += stamp(time);
    pdu += ud.substr(bar + 1);
    return pdu;
}

std::string checkSubmit(int tpduLength, std::string_view pduHex)
{
    if (pduHex.size() % 2 != 0) return "The PDU has an odd number of digits.";
    std::vector<unsigned> octets;
    for (std::size_t i = 0; i < pduHex.size(); i += 2) {
        const int high = hexValue(pduHex[i]), low = hexValue(pduHex[i + 1]);
        if (high < 0 || low < 0) return "The PDU holds a character that is no hexadecimal digit.";
        octets.push_back(unsigned(high * 16 + low));
    }
    std::size_t at = 0;
    auto take = [&](std::size_t n) -> bool {
        if (at + n > octets.size()) return false;
        at += n;
        return true;
    };
    if (octets.empty()) return "The PDU is empty.";
    const std::size_t scLength = octets[0];
    if (!take(1 + scLength)) return "The PDU ends inside its service centre.";
    const std::size_t tpduStart = at;
    if (octets.size() - tpduStart != std::size_t(tpduLength))
        return "The length does not match the PDU (" + std::to_string(octets.size() - tpduStart) +
               " octets).";
    if (!take(2)) return "The PDU ends before its destination.";
    const unsigned first = octets[tpduStart];
    if ((first & 0x03u) != 0x01u) return "The PDU is no SMS-SUBMIT.";
    const unsigned validity = (first >> 3) & 0x03u;
    if (!take(1)) return "The PDU ends before its destination.";
    const std::size_t digits = octets[at - 1];
    if (digits == 0 || digits > 20) return "The destination number is invalid.";
    if (!take(1 + (digits + 1) / 2)) return "The PDU ends inside its destination.";
    for (std::size_t d = 0; d < digits; ++d) {
        const unsigned octet = octets[at - (digits + 1) / 2 + d / 2];
        const unsigned digit = d % 2 == 0 ? octet & 0x0Fu : octet >> 4;
        if (digit > 9) return "The destination number is invalid.";
    }
    if (!take(2)) return "The PDU ends before its coding scheme.";
    const unsigned dcs = octets[at - 1];
    if (dcs != 0x00 && dcs != 0x04 && dcs != 0x08) return "The coding scheme is not supported.";
    const std::size_t vpLength = validity == 2 ? 1 : validity == 0 ? 0 : 7;
    if (!take(vpLength + 1)) return "The PDU ends before its user data.";
    const std::size_t udl = octets[at - 1];
    std::size_t udOctets = udl;
    if (dcs == 0x00) {
        if (udl > 160) return "The text is longer than one message.";
        udOctets = (udl * 7 + 7) / 8;
    } else if (udl > 140 || (dcs == 0x08 && udl % 2 != 0)) {
        return "The text is longer than one message.";
    }
    if (octets.size() - at != udOctets) return "The user data does not match its length.";
    return {};
}

bool Modem::pduMode() const
{
    // Major, minor and patch from their leading digits; 2.1.1 and later report PDUs.
    int numbers[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int i = 0; i < 3 && at < config_.agentVersion.size(); ++i) {
        int v = 0;
        while (at < config_.agentVersion.size() && config_.agentVersion[at] >= '0' &&
               config_.agentVersion[at] <= '9' && v < 100000)
            v = v * 10 + (config_.agentVersion[at++] - '0');
        numbers[i] = v;
        if (at >= config_.agentVersion.size() || config_.agentVersion[at] != '.') break;
        ++at;
    }
    return numbers[0] > 2 || (numbers[0] == 2 && numbers[1] > 1) ||
           (numbers[0] == 2 && numbers[1] == 1 && numbers[2] >= 1);
}

bool Modem::pduStorage(const std::map<int, Sms>& store) const
{
    return pduMode() && &store == &simSms_;
}

Modem::Sms Modem::storedMessage(std::string status, std::string sender, std::string time,
                                std::string text) const
{
    Sms m{std::move(status), std::move(sender), std::move(time), std::move(text), {}};
    return m;
}

void Modem::seedMessages()
{
    // A few messages from the agent's seed, so that every list has something to show.
    const std::uint32_t s = config_.seed;
    simSms_[1] = storedMessage("REC READ", "+4915112345" + std::to_string(s % 90 + 10),
                               "26/12/01,09:14:03+04", "Maintenance window tonight 22:00-23:00.");
    simSms_[2] = storedMessage("REC UNREAD", "+4917055501" + std::to_string(s % 7), "26/12/07,17:40:51+04",
                               "Pump 3 pressure \"high\" since 17:38.\nPlease check.");
    simSms_[3] = storedMessage("STO SENT", "+4930123456", "26/12/02,08:00:00+04", "Ack.");
    deviceSms_[1] =
        storedMessage("REC READ", "5555", "26/11/28,12:00:00+04", "Your data plan renews on 1 January.");
    if (!pduMode()) return;
    for (auto& [slot, m] : simSms_) {
        if (m.status.rfind("STO", 0) == 0) {
            // What was sent stays as its SMS-SUBMIT.
            const std::string body = userData(m.text);
            const std::size_t bar = body.find('|');
            m.pdu = "001100" + address(m.sender, false) + "00" + body.substr(0, bar) + "FF" +
                    body.substr(bar + 1);
        } else {
            m.pdu = deliverPdu(kServiceCentre, m.sender, m.time, m.text);
        }
    }
}

void Modem::listMessages()
{
    static const char* const kStatuses[] = {"REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"};
    auto list = [&](const std::map<int, Sms>& store, int base) {
        for (const auto& [i, m] : store) {
            if (!m.pdu.empty()) {
                int status = 1;
                for (int k = 0; k < 4; ++k)
                    if (m.status == kStatuses[k]) status = k;
                // The length the modem reports counts the octets after the service centre.
                const std::size_t sc = 2 + 2 * std::size_t(hexValue(m.pdu[0]) * 16 + hexValue(m.pdu[1]));
                const std::size_t octets = m.pdu.size() > sc ? (m.pdu.size() - sc) / 2 : 0;
                reply(322, std::to_string(base + i) + " " + std::to_string(status) + " " +
                               std::to_string(octets) + " " + m.pdu);
            } else {
                reply(322, std::to_string(base + i) + " " + quoted(m.status) + " " + quoted(m.sender) + " " +
                               quoted(m.time) + " " + quoted(m.text));
            }
        }
    };
    if (smsStorage_ != "ME") list(simSms_, 0);
    if (smsStorage_ == "ME") list(deviceSms_, 0);
    if (smsStorage_ == "MT") list(deviceSms_, kDeviceIndexBase);
    reply(323, "");
}

void Modem::acceptSend(std::string_view args)
{
    // The modem's mode decides the form: "number" "message" in text mode, the TPDU length and the
    // PDU in PDU mode.
    std::vector<std::string> items;
    const bool whole = splitMobileItems(args, &items);
    if (!whole || items.size() != 2) {
        fail(327, kNotSent);
        return;
    }
    const bool quotedNumber = !args.empty() && args.front() == '"';
    if (pduMode()) {
        int length = 0;
        if (quotedNumber || !smallNumber(items[0], &length, 1, 200)) {
            fail(327, "The modem expects the message as a PDU.");
            return;
        }
        const std::string why = checkSubmit(length, items[1]);
        if (!why.empty()) {
            fail(327, why);
            return;
        }
    } else {
        if (!quotedNumber) {
            fail(327, "The modem expects the number and the text.");
            return;
        }
        // A "+" and up to 20 digits; the text is what one message carries.
        const std::string& number = items[0];
        const std::size_t start = !number.empty() && number[0] == '+' ? 1 : 0;
        bool digits = number.size() > start && number.size() - start <= 20;
        for (std::size_t i = start; digits && i < number.size(); ++i)
            digits = number[i] >= '0' && number[i] <= '9';
        if (!digits) {
            fail(327, "The destination number is invalid.");
            return;
        }
        if (items[1].size() > 160 || !isAscii(items[1])) {
            fail(327, "The text does not fit one message.");
            return;
        }
    }
    messageReference_ = (messageReference_ + 1) % 256;
    reply(328, std::to_string(messageReference_));
}

} // namespace tarngw
