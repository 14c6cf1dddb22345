// Character rules of the validating edit: one object answers whether a typed character may go in.
#pragma once

#include "zrlib_global.h"

#include <QChar>

// Accepts everything. Control characters (backspace, return, Ctrl shortcuts) are commands, not text,
// and every rule lets them through.
class ZRLIBU_EXPORT CEditValidate
{
public:
    CEditValidate() = default;
    virtual ~CEditValidate();
    CEditValidate(const CEditValidate&) = delete;
    CEditValidate& operator=(const CEditValidate&) = delete;

    virtual bool IsValid(QChar c) const;

    // Everything but control characters counts as text, surrogate halves and format characters
    // included, so that no rule can be slipped past with them.
    static bool IsPrintable(QChar c) { return c.category() != QChar::Other_Control; }
};

// Names: none of \ / : * ? " < > |
class ZRLIBU_EXPORT CNameValidate : public CEditValidate
{
public:
    bool IsValid(QChar c) const override;
};

class ZRLIBU_EXPORT CHexValidate : public CEditValidate
{
public:
    bool IsValid(QChar c) const override;
};

class ZRLIBU_EXPORT CDecValidate : public CEditValidate
{
public:
    bool IsValid(QChar c) const override;
};

class ZRLIBU_EXPORT CBinValidate : public CEditValidate
{
public:
    bool IsValid(QChar c) const override;
};

// Octal digits of a file mode.
class ZRLIBU_EXPORT CFileModeValidate : public CEditValidate
{
public:
    bool IsValid(QChar c) const override;
};
