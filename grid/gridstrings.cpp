// String table of the grids library: column captions as "caption\nwidth in pixels".
#include "resources.h"

namespace {
const ResString kGridStrings[] = {
    {9000, u"Device IP\n120"},    {9001, u"Agent Ver.\n70"}, {9002, u"Model Name\n100"},
    {9003, u"Firmware Ver.\n90"}, {9004, u"OS Ver.\n130"},   {9005, u"CPU Type\n120"},
    {9006, u"Hostname\n90"},      {9007, u"Status\n70"},
};
} // namespace

TARN_REGISTER_STRINGS(kGridStrings)
