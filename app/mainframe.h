// The console's top-level window: menus, tool bars, status bar with the storage panes, the two
// views, and the receiver of every notification of the control core.
#pragma once

#include <QHash>
#include <QMainWindow>

#include <functional>

class CTarnDoc;
class CTarnDevView;
class CTarnInfoView;
class CZRAgentTree;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QToolBar;

class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CTarnDoc* Document() const { return m_doc; }
    CZRAgentTree* Tree() const;
    CTarnInfoView* InfoView() const { return m_info; }
    QAction* Action(int id) const { return m_actions.value(id, nullptr); }
    // A command a plug-in brought: enabled by the document's rules like every other, run by `run`.
    void AddCommand(QAction* action, std::function<void()> run);
    QMenu* ContextMenu(int id) const;
    QToolBar* MainToolBar() const { return m_mainBar; }
    QToolBar* SecondToolBar() const { return m_secondBar; }

    // Re-evaluates which commands are enabled: after a selection, record or page change, and
    // before a menu shows.
    void UpdateCommandUI();
    // UpdateCommandUI once the current burst of notifications is handled: a fleet's arrival brings
    // thousands of them in one pass of the event loop.
    void UpdateCommandUILater();
    // Storage panes: "Storage: used KB / total KB" and a bar of the share used; total <= 0 clears them.
    void SetStoragePanes(qint64 used, qint64 total);
    QString StorageText() const;
    int StoragePercent() const;
    bool FocusInInfoView() const;
    void ShowStatus(const QString& text);
    QString StatusMessage() const;
    // Frame commands: bars, about, exit.
    void OnFrameCommand(int id);
    void ShowAbout();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QAction* makeAction(int id, const QString& text, int icon);
    void buildMenus();
    void buildToolBars();

    CTarnDoc* m_doc = nullptr;
    QSplitter* m_splitter = nullptr;
    CTarnDevView* m_devView = nullptr;
    CTarnInfoView* m_info = nullptr;
    QHash<int, QAction*> m_actions;
    QHash<int, QMenu*> m_contextMenus;
    QToolBar* m_mainBar = nullptr;
    QToolBar* m_secondBar = nullptr;
    QLabel* m_storage = nullptr;
    QProgressBar* m_storageBar = nullptr;
    bool m_commandUIPending = false;
};
