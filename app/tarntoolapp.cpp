#include "tarntoolapp.h"

#include "aboutdlg.h"
#include "mainframe.h"
#include "pluginhost.h"
#include "tarndoc.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTimer>

void RegisterConsoleStrings();

CTarnToolApp::CTarnToolApp()
{
    RegisterConsoleStrings();
}

CTarnToolApp::~CTarnToolApp()
{
    // The plug-ins' windows and buttons go with the frame; their libraries only after that.
    m_frame.reset();
    CZRPlugins::Get().ReleaseAll();
}

QString CTarnToolApp::DefaultProfilePath()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QFileInfo info(dir);
    if (info.isDir() && info.isWritable()) return QDir(dir).filePath(QStringLiteral("TarnTool.ini"));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("TarnTool/TarnTool.ini"));
}

QString CTarnToolApp::ProductImageDir()
{
    const QDir exe(QCoreApplication::applicationDirPath());
    const QString beside = exe.filePath(QStringLiteral("Product Image"));
    if (QFileInfo(beside).isDir()) return beside;
    return QDir::cleanPath(exe.filePath(QStringLiteral("../share/tarntool/Product Image")));
}

bool CTarnToolApp::InitInstance(const TarnOptions& options)
{
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(style);
    QApplication::setFont([] {
        QFont f = QApplication::font();
        if (f.pointSizeF() < 9.5) f.setPointSizeF(9.5);
        return f;
    }());

    std::unique_ptr<CAboutDlg> splash;
    if (options.splashMs > 0) {
        splash = std::make_unique<CAboutDlg>(nullptr, true);
        splash->show();
        // The wait keeps the event loop running, so the splash is painted and stays responsive.
        QEventLoop wait;
        QTimer::singleShot(options.splashMs, &wait, &QEventLoop::quit);
        wait.exec();
    }

    CZRPlugins::Get().LoadAll();
    m_frame = std::make_unique<CMainFrame>();
    const QString profile = options.profile.isEmpty() ? DefaultProfilePath() : options.profile;
    if (!m_frame->Document()->OnNewDocument(profile, ProductImageDir())) return false;
    m_frame->show();
    splash.reset();
    if (!options.connect.isEmpty() && !m_frame->Document()->ConnectGateway(options.connect)) {
        const QString text = QStringLiteral("No gateway named \"%1\" in %2.").arg(options.connect, profile);
        m_frame->statusBar()->showMessage(text);
        qWarning("TarnTool: %s", qUtf8Printable(text));
    }
    return true;
}
