// The validating edit field of the dialogs: names, numbers in base 10, 16 or 2, and file modes.
// Every character typed, pasted, dropped or committed by an input method is checked before it goes
// in; a refusal leaves the text as it was and explains itself in a balloon beside the field.
#pragma once

#include "editvalidate.h"
#include "zrlib_global.h"

#include <QLineEdit>

#include <memory>

class CInfoWnd;

class ZRLIBU_EXPORT CDynEdit : public QLineEdit
{
    Q_OBJECT

public:
    // Text types.
    enum TextType { TypeAny = 0, TypeName = 1, TypeHex = 2, TypeDec = 3, TypeBin = 4, TypeFileMode = 6 };
    // Error states.
    enum Error { ErrNone = 0, ErrInvalidChar = 1, ErrOutOfRange = 2 };

    explicit CDynEdit(QWidget* parent = nullptr);
    ~CDynEdit() override;

    // Chooses validator, message and base for the type; the new validator replaces the old one.
    // The file-mode type also limits the field to 3 characters in the range 0 to 777.
    void SetTextType(int type);
    int GetTextType() const { return m_textType; }
    int GetBase() const { return m_base; }
    QString GetMessageText() const { return m_message; }

    // Sets the range and turns the range check on.
    void SetRangeNum(int min, int max);
    int GetMinNum() const { return m_min; }
    int GetMaxNum() const { return m_max; }
    bool IsRangeCheck() const { return m_rangeCheck; }

    // Allowed printable characters; empty: no restriction.
    void SetValidChar(const QString& characters) { m_validChars = characters; }
    QString GetValidChar() const { return m_validChars; }
    // The allowed-character test alone.
    bool isValidChar(QChar c) const;
    // The range test alone: would typing c now, over the current selection, keep the number in range?
    bool isValidRange(QChar c) const;

    // Installs a caller-made validator; the edit owns it from now on. nullptr removes it.
    void SetValidationHandler(CEditValidate* validator);
    CEditValidate* GetValidationHandler() const { return m_validator.get(); }

    // Shows or suppresses the balloon (on unless told otherwise).
    void EnableErrMsg(bool enable);
    bool IsErrMsgEnabled() const { return m_errMsg; }
    // Shows the balloon for the current error state, or hides it when there is none.
    void ShowErrorMsg();
    CInfoWnd* GetInfoWnd() const { return m_info; }

    // Pastes the clipboard's text through the same checks as typed text.
    void Paste();
    // Inserts text at the caret (over the selection) when it passes the checks; otherwise refuses it
    // with its balloon and returns false.
    bool InsertText(const QString& text);

    // Reads the longest leading number of text in base (leading blanks, a sign and, in base 16, a
    // "0x" may come first); a text without one reads as 0. Returns false when the number does not
    // fit in 64 bits.
    static bool ReadNumber(QStringView text, int base, qint64* value);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int checkChar(QChar c) const;
    int checkText(const QString& text, int pos, int selLen, const QString& current) const;
    bool candidateInRange(const QString& candidate) const;
    bool hasRules() const;
    bool insertChecked(const QString& text, int pos, int selLen, const QString& current);

    int m_textType = 0;
    int m_base = 10;
    bool m_rangeCheck = false;
    int m_min = -2147483647 - 1;
    int m_max = 2147483647;
    int m_error = ErrNone;
    QString m_validChars;
    QString m_message;
    bool m_errMsg = true;
    CInfoWnd* m_info;
    std::unique_ptr<CEditValidate> m_validator;
};
