#include "catalogue.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace zrcat {
namespace {

// Index is the request number.
constexpr std::array<short, kLastRequest + 1> kCodes = {
    0,   101, 103, 105, 111, 115, 141, 145, 147, 121, 125,                          // 1-10
    127, 129, 131, 134, 135, 161, 163, 165, 167, 171,                               // 11-20
    191, 195, 197, 201, 211, 215, 217, 219, 221, 223,                               // 21-30
    225,                                                                            // 31
    301, 303, 305, 307, 309, 311, 313, 315, 317, 319, 321, 325, 327, 329, 331, 333, // 32-47
    335, 336, 339, 343, 345, 349, 351, 355, 357, 359, 361, 362, 365, 371, 375,      // 48-62
    231, 235, 241, 245, 247, 249, 251, 255, 261, 264, 265, 267, 269, 281, 283,      // 63-77
    501, 503, 505, 507, 509, 511, 513, 515,                                         // 78-85
    521, 523,                                                                       // 86-87
    137,                                                                            // 88
};

constexpr int kWithArguments[] = {5,  7,  8,  10, 11, 12, 14, 15, 18, 19, 24, 26, 27, 28, 29, 30, 31, 33,
                                  34, 36, 38, 40, 43, 44, 45, 47, 48, 51, 53, 55, 57, 58, 59, 60, 61, 62,
                                  64, 66, 68, 70, 71, 72, 73, 75, 77, 78, 79, 81, 83, 84, 85, 87};

constexpr int kGeneral[] = {24,  26,  102, 104, 106, 112, 113, 116, 122, 123, 126, 128,  130,  132, 133,
                            136, 142, 143, 146, 148, 162, 164, 166, 168, 172, 174, 9997, 9998, 9999};
constexpr int kPassOn[] = {138, 502, 504, 506, 508, 510, 512, 514, 516};
constexpr int kFileMgr[] = {192, 196, 198, 199, 202, 206, 212, 213, 216, 218, 220, 222, 224, 226};
constexpr int kModbus[] = {232, 233, 236, 242, 243, 246, 248, 250, 252,
                           253, 256, 262, 263, 266, 268, 270, 282, 284};
constexpr int kMobile[] = {302, 304, 306, 308, 310, 312, 314, 316, 318, 320, 322, 323, 326,
                           328, 330, 332, 334, 337, 340, 341, 344, 346, 347, 350, 352, 353,
                           356, 358, 360, 363, 366, 367, 372, 373, 376, 522, 524};

template <std::size_t N> bool contains(const int (&table)[N], int value)
{
    return std::binary_search(std::begin(table), std::end(table), value);
}

} // namespace

int RequestCode(int number)
{
    return number < kFirstRequest || number > kLastRequest ? 0 : kCodes[number];
}

Form RequestForm(int number)
{
    if (number < kFirstRequest || number > kLastRequest) return FormNone;
    if (number >= 21 && number <= 23) return FormFile;
    if (number == 25) return FormDirectory;
    return contains(kWithArguments, number) ? FormArguments : FormPlain;
}

Route ReplyRoute(int code)
{
    if (code == 999) return RouteError;
    if (contains(kGeneral, code)) return RouteGeneral;
    if (contains(kPassOn, code)) return RoutePassOn;
    if (contains(kFileMgr, code)) return RouteFileMgr;
    if (contains(kModbus, code)) return RouteModbus;
    if (contains(kMobile, code)) return RouteMobile;
    return RouteNone;
}

bool IsModbusRequest(int code)
{
    for (int n = 63; n <= 77; ++n)
        if (kCodes[n] == code) return true;
    return false;
}

bool IsMobileRequest(int code)
{
    for (int n = 32; n <= 62; ++n)
        if (kCodes[n] == code) return true;
    return code == 521 || code == 523;
}

bool IsFurtherPluginRequest(int code)
{
    return code >= 501 && code <= 515;
}

} // namespace zrcat
