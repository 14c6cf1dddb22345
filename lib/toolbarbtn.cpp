#include "toolbarbtn.h"

#include <QAction>
#include <QBitmap>
#include <QIcon>
#include <QToolBar>

namespace {

// The lists live on the bar itself, so they go when the bar goes.
class ImageLists : public QObject
{
public:
    explicit ImageLists(QToolBar* bar) : QObject(bar) { setObjectName(QStringLiteral("zr_image_lists")); }
    QList<QPixmap>& list(int selector)
    {
        if (selector == TB_SETHOTIMAGELIST) return hot;
        if (selector == TB_SETDISABLEDIMAGELIST) return disabled;
        return normal;
    }
    QList<QPixmap> normal, hot, disabled;
};

ImageLists* lists(QToolBar* bar, bool make)
{
    auto* l = bar->findChild<ImageLists*>(QStringLiteral("zr_image_lists"), Qt::FindDirectChildrenOnly);
    if (!l && make) l = new ImageLists(bar);
    return l;
}

const char* const kImageProperty = "zr_image_index";

} // namespace

int AddBitmap2ToolBar(const QImage& bitmap, int listSelector, QToolBar* toolBar)
{
    if (!toolBar || bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0) return -1;
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1) | 0xff000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xff000000u) == key) line[x] = 0;
    }
    QList<QPixmap>& list = lists(toolBar, true)->list(listSelector);
    list.append(QPixmap::fromImage(image));
    return int(list.size()) - 1;
}

int InsertBtn2ToolBar(int position, int commandId, const QString& text, QToolBar* toolBar,
                      const QImage& normalBitmap, const QImage& disabledBitmap)
{
    if (!toolBar) return 0;
    const int normal = AddBitmap2ToolBar(normalBitmap, TB_SETIMAGELIST, toolBar);
    const int disabled = AddBitmap2ToolBar(disabledBitmap, TB_SETDISABLEDIMAGELIST, toolBar);
    auto* action = new QAction(text, toolBar);
    action->setData(commandId);
    action->setProperty(kImageProperty, normal);
    if (normal >= 0) {
        QIcon icon(lists(toolBar, false)->normal.at(normal));
        if (disabled >= 0) icon.addPixmap(lists(toolBar, false)->disabled.at(disabled), QIcon::Disabled);
        action->setIcon(icon);
    }
    const QList<QAction*> actions = toolBar->actions();
    QAction* before = position >= 0 && position < actions.size() ? actions.at(position) : nullptr;
    toolBar->insertAction(before, action);
    return toolBar->actions().contains(action) ? 1 : 0;
}

QList<QPixmap> ToolBarImages(QToolBar* toolBar, int listSelector)
{
    ImageLists* l = toolBar ? lists(toolBar, false) : nullptr;
    return l ? l->list(listSelector) : QList<QPixmap>();
}

int ToolBarButtonImage(QToolBar* toolBar, int commandId)
{
    if (!toolBar) return -1;
    for (QAction* a : toolBar->actions())
        if (a->data().toInt() == commandId) {
            const QVariant v = a->property(kImageProperty);
            return v.isValid() ? v.toInt() : -1;
        }
    return -1;
}
