// String table of the dialogs library (7000 to 7050).
#include "resources.h"

namespace {
const ResString kDlgStrings[] = {
    {7000, u"IP"},
    {7001, u"DNS"},
    {7010, u"Program"},
    {7011, u"Arguments"},
    {7020, u"IP Setting"},
    {7021,
     u"Are you sure you want to modify the IPs setting?\nThe device will be disconnected to activate your "
     u"settings."},
    {7022, u"Invalid IP address."},
    {7023, u"Invalid submask."},
    {7030, u"Gateway Manager"},
    {7031, u"Gateway name repeated."},
    {7032, u"Gateway"},
    {7040, u"Date/Time Setup"},
    {7041,
     u"The value is out of range (year value is from 2000 to 2099). \nClick apply to set the current time in "
     u"system time or choose another valid time."},
    {7050, u"Are you sure you want to delete?"},
};
} // namespace

TARN_REGISTER_STRINGS(kDlgStrings)
