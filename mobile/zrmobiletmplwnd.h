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

// Pages whose controls come with later work: title and description only, nothing to send.
class CZRMobileFramePage : public CZRMobileTmplWnd
{
    Q_OBJECT

public:
    using CZRMobileTmplWnd::CZRMobileTmplWnd;
    void EnableControls(bool) override {}
    void Refresh() override {}
};

class CZRMobileSMSWnd : public CZRMobileFramePage
{
    Q_OBJECT
public:
    explicit CZRMobileSMSWnd(CZRMobileWnd* owner);
};

class CZRMobileATCWnd : public CZRMobileFramePage
{
    Q_OBJECT
public:
    explicit CZRMobileATCWnd(CZRMobileWnd* owner);
};
