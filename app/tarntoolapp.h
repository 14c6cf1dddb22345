// The application: command line, profile location, splash, the main frame and its document.
#pragma once

#include <QString>

#include <memory>

class CMainFrame;

struct TarnOptions
{
    QString profile;   // --profile FILE; empty: beside the executable, or the user's config folder
    QString connect;   // --connect NAME
    QString demoShots; // --demo-shots DIR: walk through the main states and write screenshots
    int splashMs = 1000;
};

class CTarnToolApp
{
public:
    CTarnToolApp();
    ~CTarnToolApp();

    // Shows the splash, builds the frame and the document from the profile; false ends the program.
    bool InitInstance(const TarnOptions& options);
    CMainFrame* MainFrame() const { return m_frame.get(); }

    // TarnTool.ini beside the executable when that folder is writable, else in the user's config folder.
    static QString DefaultProfilePath();
    // "Product Image" beside the executable in the build tree, the installed data folder otherwise.
    static QString ProductImageDir();

private:
    std::unique_ptr<CMainFrame> m_frame;
};
