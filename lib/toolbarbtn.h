// Buttons added to a tool bar at run time (the Mobile plug-in puts its commands on the console's
// bar this way). A tool bar keeps three picture lists, normal, hot and disabled; a button shows
// the pictures of its index.
#pragma once

#include "zrlib_global.h"

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>

class QToolBar;

// The list selectors keep the numbers of the tool-bar messages that would set each list.
enum : int { TB_SETIMAGELIST = 1072, TB_SETHOTIMAGELIST = 1076, TB_SETDISABLEDIMAGELIST = 1078 };

// Adds bitmap to the chosen list of the bar; its first stored pixel (bottom-left: bitmaps are
// stored bottom-up) is the transparent colour. The picture's index, or -1.
ZRLIBU_EXPORT int AddBitmap2ToolBar(const QImage& bitmap, int listSelector, QToolBar* toolBar);
// Inserts a button before the action at position (at the end when there is none), with the
// command id as its data. Non-zero when the button was inserted; a null normal bitmap gives a
// button with picture index -1 (no icon).
ZRLIBU_EXPORT int InsertBtn2ToolBar(int position, int commandId, const QString& text, QToolBar* toolBar,
                                    const QImage& normalBitmap, const QImage& disabledBitmap);
// The pictures of a bar's list (for the bar's own painting and for tests).
ZRLIBU_EXPORT QList<QPixmap> ToolBarImages(QToolBar* toolBar, int listSelector);
// The picture index a button was given, -1 for none.
ZRLIBU_EXPORT int ToolBarButtonImage(QToolBar* toolBar, int commandId);
