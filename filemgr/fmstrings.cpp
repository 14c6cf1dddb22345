// String table of the file manager library.
#include "resource.h"
#include "resources.h"

namespace {
const ResString kFileMgrStrings[] = {
    {IDS_INVALID_NAME, u"A file name cannot contain any of the following characters:\n  \\ / : * ? \" < > |"},
    {IDS_FILE_IN_USE, u"This file is used by other program now. Please try again later."},
};
} // namespace

TARN_REGISTER_STRINGS(kFileMgrStrings)
