// The one message box of the console. Every window asks through ShowMessage, so that tests can
// record each box and answer it without a modal loop.
#pragma once

#include "platformgui_global.h"

#include <QString>

#include <functional>

class QWidget;

// Icons and buttons keep the values the system was described with.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageRecord
{
    QString text;
    QString caption;
    unsigned icon = 0;    // one of the MB_ICON… values, or 0
    unsigned buttons = 0; // MB_OK, MB_OKCANCEL, … possibly with MB_DEFBUTTON2
};

// Shows a modal box owned by owner and returns the button pressed (IDOK, IDCANCEL, …).
// Closing the box without a button counts as Cancel (No for a Yes/No box).
TARNPLATFORMGUI_EXPORT int ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                                       unsigned icon, unsigned buttons);

// A handler takes the place of the real box: it gets every box and returns its answer.
// An empty handler puts the real box back.
using MessageHandler = std::function<int(const MessageRecord&)>;
TARNPLATFORMGUI_EXPORT void SetMessageHandler(MessageHandler handler);
// Boxes shown so far since the last reset (recorded whether a handler answers or not).
TARNPLATFORMGUI_EXPORT int MessageCount();
