#include "editvalidate.h"

namespace {

bool inRange(QChar c, char16_t lo, char16_t hi)
{
    return c.unicode() >= lo && c.unicode() <= hi;
}

} // namespace

CEditValidate::~CEditValidate() = default;

bool CEditValidate::IsValid(QChar) const
{
    return true;
}

bool CNameValidate::IsValid(QChar c) const
{
    if (!IsPrintable(c)) return true;
    switch (c.unicode()) {
    case u'\\':
    case u'/':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
        return false;
    default:
        return true;
    }
}

bool CHexValidate::IsValid(QChar c) const
{
    return !IsPrintable(c) || inRange(c, u'0', u'9') || inRange(c, u'A', u'F') || inRange(c, u'a', u'f');
}

bool CDecValidate::IsValid(QChar c) const
{
    return !IsPrintable(c) || inRange(c, u'0', u'9');
}

bool CBinValidate::IsValid(QChar c) const
{
    return !IsPrintable(c) || c == u'0' || c == u'1';
}

bool CFileModeValidate::IsValid(QChar c) const
{
    return !IsPrintable(c) || inRange(c, u'0', u'7');
}
