// The sixteen exports the console binds by name. Each one ignores a handle that is null or was
// never given out (or is already destroyed).
#include "resource.h"
#include "zrmobileapi.h"
#include "zrmobilewnd.h"

#include <resources.h>

#include <QAction>
#include <QMenu>
#include <QToolBar>

#define ZRMOBILE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

CZRMobileWnd* window(void* handle)
{
    return CZRMobileWnd::IsLive(handle) ? static_cast<CZRMobileWnd*>(handle) : nullptr;
}

QString text(const char16_t* s)
{
    return s ? QString::fromUtf16(s) : QString();
}

// Pictures are drawn now: the console may keep the buttons after it has freed this library.
QIcon buttonIcon(int normal, int disabled)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        icon.addPixmap(LoadResBitmap(normal, QSize(size, size)), QIcon::Normal);
        icon.addPixmap(LoadResBitmap(disabled, QSize(size, size)), QIcon::Disabled);
    }
    return icon;
}

QAction* mobileAction(QObject* parent, int id, const QIcon& icon)
{
    auto* a = new QAction(icon, MobileString(IDS_MOBILE), parent);
    a->setData(id);
    a->setObjectName(QStringLiteral("ID_%1").arg(id));
    a->setToolTip(MobileString(IDS_MOBILE));
    a->setStatusTip(MobileString(IDS_MOBILE));
    return a;
}

// Inserts before the action at position, clamped to the actions there are; the position moves on.
void insertAt(QWidget* host, QAction* action, int* position)
{
    const QList<QAction*> actions = host->actions();
    int at = position ? *position : int(actions.size());
    at = qBound(0, at, int(actions.size()));
    host->insertAction(at < actions.size() ? actions.at(at) : nullptr, action);
    if (position) *position = at + 1;
}

} // namespace

ZRMOBILE_EXPORT int Test(int value)
{
    return value + 10;
}

ZRMOBILE_EXPORT void* CreateWnd(void* parent)
{
    // Nothing may be thrown across the table.
    try {
        auto* w = new CZRMobileWnd(static_cast<QWidget*>(parent));
        w->setGeometry(0, 0, 0, 0);
        w->show();
        return w;
    } catch (...) {
        return nullptr;
    }
}

ZRMOBILE_EXPORT void DestroyWnd(void* handle)
{
    delete window(handle);
}

ZRMOBILE_EXPORT void SetVersion(void* handle, const char16_t* version)
{
    if (CZRMobileWnd* w = window(handle)) w->SetVersion(text(version));
}

ZRMOBILE_EXPORT void SetModel(void* handle, const char16_t* model)
{
    if (CZRMobileWnd* w = window(handle)) w->SetModel(text(model));
}

ZRMOBILE_EXPORT void SetNick(void* handle, const char16_t* nick)
{
    if (CZRMobileWnd* w = window(handle)) w->SetNick(text(nick));
}

ZRMOBILE_EXPORT const char16_t* GetNick(void* handle)
{
    if (CZRMobileWnd* w = window(handle)) return w->NickText();
    return u"";
}

ZRMOBILE_EXPORT void SetSendMessageCB(void* handle, ZRSendMessageCB cb, void* mainWnd, void* context)
{
    if (CZRMobileWnd* w = window(handle)) w->SetSendMessageCB(cb, mainWnd, context);
}

ZRMOBILE_EXPORT void ReceiveMessage(void* handle, const ZRMobileReply* reply)
{
    CZRMobileWnd* w = window(handle);
    if (w == nullptr || reply == nullptr) return;
    w->ReceiveMessage(reply->code, text(reply->key), text(reply->text));
}

ZRMOBILE_EXPORT void EnableATRelated(void* handle, int enable)
{
    if (CZRMobileWnd* w = window(handle)) w->EnableATRelated(enable != 0);
}

ZRMOBILE_EXPORT void Init(void* handle)
{
    if (CZRMobileWnd* w = window(handle)) w->Init();
}

ZRMOBILE_EXPORT void Reset(void* handle)
{
    if (CZRMobileWnd* w = window(handle)) w->Reset();
}

ZRMOBILE_EXPORT int HasMessageBox(void* handle)
{
    CZRMobileWnd* w = window(handle);
    return w && w->HasMessageBox() ? 1 : 0;
}

ZRMOBILE_EXPORT int Insert2Menu(void* menuHandle, int position)
{
    auto* menu = static_cast<QMenu*>(menuHandle);
    if (menu == nullptr) return 0;
    auto* separator = new QAction(menu);
    separator->setSeparator(true);
    insertAt(menu, separator, &position);
    insertAt(menu, mobileAction(menu, ID_CTX_MOBILE, buttonIcon(IDB_MOBILE_CTX, IDB_MOBILE_CTX_DISABLED)),
             &position);
    return 1;
}

ZRMOBILE_EXPORT void Insert2ToolBar(void*, void* mainBar, void* secondBar, int* mainPos, int* secondPos)
{
    if (auto* bar = static_cast<QToolBar*>(mainBar)) {
        auto* separator = new QAction(bar);
        separator->setSeparator(true);
        insertAt(bar, separator, mainPos);
        insertAt(bar, mobileAction(bar, ID_MOBILE, buttonIcon(IDB_MOBILE, IDB_MOBILE_DISABLED)), mainPos);
    }
    if (auto* bar = static_cast<QToolBar*>(secondBar))
        insertAt(bar, mobileAction(bar, ID_CTX_MOBILE, buttonIcon(IDB_MOBILE_CTX, IDB_MOBILE_CTX_DISABLED)),
                 secondPos);
}

ZRMOBILE_EXPORT int EnableFeature(const char16_t* model)
{
    const QString m = text(model);
    for (const char* name : {"K530", "K7230", "K7210", "K520"})
        if (m.contains(QLatin1String(name))) return 1;
    return 0;
}
