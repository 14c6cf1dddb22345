// String table of the grids library: column captions as "caption\nwidth in pixels". 9000 to 9007 are
// the device captions (9001 "Agent Ver." and 9007 "Status", width 70 each, are shown by no grid).
#include "resources.h"

namespace {
const ResString kDevListStrings[] = {
    {9000, u"Device IP\n120"}, {9002, u"Model Name\n100"}, {9003, u"Firmware Ver.\n90"},
    {9004, u"OS Ver.\n130"},   {9005, u"CPU Type\n120"},   {9006, u"Hostname\n90"},
};
} // namespace

TARN_REGISTER_STRINGS(kDevListStrings)
