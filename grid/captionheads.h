// Column headings from string entries "caption\nwidth": the caption centred in the heading font,
// and the width when the entry gives one.
#pragma once

#include "resources.h"
#include "ugctrl.h"

#include <QFont>

inline void SetCaptionHeadings(CUGCtrl& grid, const int* ids, int cols, const QFont& font, bool sortArrow)
{
    for (int col = 0; col < cols; ++col) {
        const QString entry = LoadResString(ids[col]);
        const qsizetype nl = entry.indexOf(u'\n');
        CUGCell head;
        grid.GetCell(col, -1, &head);
        head.SetText(nl < 0 ? entry : entry.left(nl));
        head.SetFont(font);
        head.SetAlignment(UG_ALIGNCENTER | UG_ALIGNVCENTER);
        if (sortArrow) {
            head.SetCellType(UGCT_SORTARROW);
            head.SetCellTypeEx(0);
        }
        grid.SetCell(col, -1, &head);
        bool ok = false;
        const int width = nl < 0 ? 0 : entry.mid(nl + 1).trimmed().toInt(&ok);
        if (ok && width > 0) grid.SetColWidth(col, width);
    }
}
