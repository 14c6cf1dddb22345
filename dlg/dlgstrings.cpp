// String table of the dialogs library (7020 to 7050).
#include "resources.h"

namespace {
const ResString kDlgStrings[] = {
    {7030, u"Gateway Manager"},
    {7031, u"Gateway name repeated."},
    {7032, u"Gateway"},
    {7050, u"Are you sure you want to delete?"},
};
} // namespace

TARN_REGISTER_STRINGS(kDlgStrings)
