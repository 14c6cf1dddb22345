// A dotted IPv4 address field: four boxes of 0 to 255 that move the caret between them as the
// operator types, the way the address fields of network dialogs behave.
#pragma once

#include "zrlib_global.h"

#include <QFrame>

class QLineEdit;

class ZRLIBU_EXPORT CIPAddressCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit CIPAddressCtrl(QWidget* parent = nullptr);

    // "a.b.c.d", blank boxes read as 0; "" when every box is blank. A text that was set but could
    // not be shown (not a dotted address) is given back unchanged until the operator edits a box,
    // so an entry is never rewritten just by being looked at.
    QString text() const;
    // Shows a dotted address; anything else leaves the boxes blank (see text()).
    void setText(const QString& address);
    void clear();
    bool isBlank() const;
    // The four values; false when a box is blank.
    bool address(quint8 out[4]) const;

    // Box i (0 to 3), for tests and accessibility.
    QLineEdit* field(int i) const { return m_fields[i]; }

signals:
    void addressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    int indexOf(QObject* o) const;
    // Spreads a pasted or set dotted text over the boxes; false when it is not one.
    bool distribute(const QString& text);
    void edited();

    QLineEdit* m_fields[4];
    QString m_unshown;
};
