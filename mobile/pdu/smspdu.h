// Short-message transfer PDUs: SMS-DELIVER decoding for the inbox and SMS-SUBMIT encoding for
// sending, as upper-case hexadecimal text. No Qt and no GUI, so the operator's tool and the fuzzer
// link it alone.
#pragma once

#include <ctime>
#include <string>

namespace tarn::sms {

enum class Coding { Gsm7 = 0, Octet8 = 1, Ucs2 = 2 };

// Room in the record's fields; what exceeds it fails instead of being cut.
constexpr std::size_t kMaxNumber = 29;    // service centre and peer, with the "+"
constexpr std::size_t kMaxText = 160;     // 8-bit text (codings 0 and 1)
constexpr std::size_t kMaxWideText = 321; // UCS-2 text when decoding
constexpr std::size_t kMaxPdu = 512;      // hex characters of an encoded PDU
// What one message can carry, by coding.
constexpr std::size_t kMaxSeptets = 160;
constexpr std::size_t kMaxOctets = 140;
constexpr std::size_t kMaxUcs2 = 70;
constexpr std::size_t kMaxRecipientDigits = 20;

struct Message
{
    Coding coding = Coding::Gsm7;
    int textLength = 0; // characters
    bool hasTimestamp = false;
    std::string serviceCentre;
    std::string peer;        // sender when decoded, recipient when encoded
    std::string text;        // codings 0 and 1
    std::u16string wideText; // coding 2
    std::tm timestamp{};     // local time, year since 1900, month 0-11
};

struct Decoded
{
    bool ok = false;
    std::string error; // why it failed, for the operator
    Message message;
};

struct Encoded
{
    std::string pdu;
    int tpduLength = -1; // octets after the service-centre part; -1 on failure
    std::string error;
};

// Reads an SMS-DELIVER; hex digits of either case. A bad timestamp drops only the timestamp.
Decoded DecodeDeliver(const std::string& pduHex);

// Builds an SMS-SUBMIT from coding, peer, service centre and the text of the coding.
Encoded EncodeSubmit(const Message& message);

// Empty when the number may be sent: an optional "+" and 1 to 20 digits; otherwise the reason.
std::string CheckRecipient(const std::string& number);

} // namespace tarn::sms
