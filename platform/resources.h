// String tables, icons and pictures by the system's numeric ids.
//
// Each library registers its string table once (a static initialiser in its resource file) and
// ships its pictures as Qt resources named ":/res/<id>.svg" or ":/res/<id>.png". A look-up walks
// every registered table, so ids must not overlap between libraries (they don't: each library
// has its own range).
#pragma once

#include "platformgui_global.h"

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

struct ResString
{
    int id;
    const char16_t* text;
};

// Adds a table; the array must live for the process (a static array does).
TARNPLATFORMGUI_EXPORT void RegisterStrings(const ResString* table, int count);
// The text of a string id; empty when no table has it.
TARNPLATFORMGUI_EXPORT QString LoadResString(int id);
// True when a picture with that id exists.
TARNPLATFORMGUI_EXPORT bool HasResPicture(int id);
// An icon by id (scales when the picture is an SVG); null icon when there is none.
TARNPLATFORMGUI_EXPORT QIcon LoadResIcon(int id);
// A picture by id at a size (its natural size when size is empty); null pixmap when there is none.
TARNPLATFORMGUI_EXPORT QPixmap LoadResBitmap(int id, QSize size = QSize());

// Registers a static table from a library's resource file.
#define TARN_REGISTER_STRINGS(table)                                                                         \
    namespace {                                                                                              \
    const bool table##_registered = (RegisterStrings(table, int(sizeof(table) / sizeof(table[0]))), true);   \
    }
