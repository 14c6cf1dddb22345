// The balloon of the validating edit: a small coloured popup beside a field that says why a
// character was refused. It never takes the focus or activation from the dialog, and goes away by
// itself after a while.
#pragma once

#include "zrlib_global.h"

#include <QColor>
#include <QFont>
#include <QWidget>

class QTimer;

class ZRLIBU_EXPORT CInfoWnd : public QWidget
{
    Q_OBJECT

public:
    // Placement codes: where the balloon sits relative to its field.
    enum Placement { Above = 0, Below = 1, Left = 2, Right = 8 };

    static constexpr int kGapX = 2; // gaps to the field
    static constexpr int kGapY = 2;
    static constexpr int kDefaultTimeoutMs = 5000;
    static const QColor kErrorColor; // RGB(255,129,129)

    // owner: the field; the balloon is destroyed with it.
    explicit CInfoWnd(QWidget* owner);
    ~CInfoWnd() override;

    void SetPlacement(int code) { m_placement = code; }
    int GetPlacement() const { return m_placement; }
    void SetBkColor(const QColor& c);
    QColor GetBkColor() const { return m_bk; }
    // 0 keeps the balloon until it is hidden.
    void SetTimeout(int ms) { m_timeoutMs = ms; }
    int GetTimeout() const { return m_timeoutMs; }

    // The message without its padding.
    QString GetText() const { return m_text; }

    // Sizes the balloon for text in font, places it beside field (global coordinates) and shows it
    // without activating it.
    void ShowMessage(const QString& text, const QFont& font, const QRect& field);
    // The geometry ShowMessage gives the balloon.
    QRect BalloonRect(const QString& text, const QFont& font, const QRect& field) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QString m_text;
    QColor m_bk = kErrorColor;
    int m_placement = Above;
    int m_timeoutMs = kDefaultTimeoutMs;
    QTimer* m_timer;
};
