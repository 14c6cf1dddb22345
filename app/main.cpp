// TarnTool: the management console.
#include "tarntoolapp.h"

#include <QApplication>
#include <QCommandLineParser>

#include <memory>

int RunDemo(class CTarnToolApp& app, const QString& dir);

namespace {
void name()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tarn"));
    QCoreApplication::setApplicationName(QStringLiteral("TarnTool"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARN_VERSION));
}

// --help and --version answer on a terminal without a display.
bool infoOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "-h" || a == "-?" || a == "--help-all" || a == "--version" || a == "-v")
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<QCoreApplication> instance;
    if (infoOnly(argc, argv))
        instance = std::make_unique<QCoreApplication>(argc, argv);
    else
        instance = std::make_unique<QApplication>(argc, argv);
    QCoreApplication& qapp = *instance;
    name();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Management console for fleets of agents behind gateways."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption profile(QStringLiteral("profile"),
                                     QStringLiteral("Use FILE as the profile instead of TarnTool.ini."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption connect(QStringLiteral("connect"),
                                     QStringLiteral("Connect the gateway NAME of the profile after start."),
                                     QStringLiteral("NAME"));
    QCommandLineOption demo(QStringLiteral("demo-shots"),
                            QStringLiteral("Walk through the main states and write screenshots into DIR."),
                            QStringLiteral("DIR"));
    demo.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({profile, connect, demo});
    parser.process(qapp);

    TarnOptions options;
    options.profile = parser.value(profile);
    options.connect = parser.value(connect);
    options.demoShots = parser.value(demo);

    CTarnToolApp app;
    if (!app.InitInstance(options)) return 1;
    if (!options.demoShots.isEmpty()) return RunDemo(app, options.demoShots);
    return QApplication::exec();
}
