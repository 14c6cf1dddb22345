// The base of the mobile window's pages: the common background, title and description, and the
// three operations the window calls on every page.
#pragma once

#include <QWidget>

class CZRMobileWnd;
class QLabel;
class QVBoxLayout;

class CZRMobileTmplWnd : public QWidget
{
    Q_OBJECT

public:
    CZRMobileTmplWnd(CZRMobileWnd* owner, int titleId, int descriptionId);

    // Enables or disables the page's buttons and edits.
    virtual void EnableControls(bool enable) = 0;
    // Sends the page's opening request(s).
    virtual void Refresh() = 0;
    // Clears what the page shows.
    virtual void Reset() {}

protected:
    CZRMobileWnd* Owner() const { return m_owner; }
    QVBoxLayout* Body() const { return m_body; }

private:
    CZRMobileWnd* m_owner;
    QVBoxLayout* m_body;
};
