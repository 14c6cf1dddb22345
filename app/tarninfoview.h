// The right pane: the working pages of the console, one shown at a time over the whole view, and
// the logo when none is.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <vector>

class CZRDeviceWnd;
class CZRFileMgrWnd;
class CZRDevListGrid;
class CZRDevListWnd;
class CZRProcessGrid;
class CZRServiceGrid;
class CZRTransferWnd;

struct _WndHandler
{
    quint16 id;
    QWidget* wnd;
};

class CTarnInfoView : public QWidget
{
    Q_OBJECT

public:
    explicit CTarnInfoView(QWidget* parent = nullptr);
    ~CTarnInfoView() override;

    void SwitchPage(int id);
    int CurrentPage() const { return m_current; }
    bool ShowsBackground() const { return m_background; }
    QWidget* GetPage(int id) const;
    // Appends a page under the next id (plug-in windows); the id.
    int AddPage(QWidget* page);
    const std::vector<_WndHandler>& Pages() const { return m_pages; }
    CZRDeviceWnd* DeviceWnd() const { return m_device; }
    CZRDevListWnd* DevListWnd() const { return m_devList; }
    CZRDevListGrid* DevList() const;
    CZRProcessGrid* ProcessGrid() const { return m_process; }
    CZRServiceGrid* ServiceGrid() const { return m_service; }
    CZRFileMgrWnd* FileMgrWnd() const { return m_fileMgr; }
    CZRTransferWnd* TransferWnd() const { return m_transfer; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<_WndHandler> m_pages;
    int m_current = 0;
    bool m_background = true;
    QPixmap m_logo;
    CZRDeviceWnd* m_device = nullptr;
    CZRDevListWnd* m_devList = nullptr;
    CZRProcessGrid* m_process = nullptr;
    CZRServiceGrid* m_service = nullptr;
    CZRFileMgrWnd* m_fileMgr = nullptr;
    CZRTransferWnd* m_transfer = nullptr;
};
