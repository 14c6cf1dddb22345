#include "messagebox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>

namespace {
MessageHandler& handler()
{
    static MessageHandler h;
    return h;
}
int g_count = 0;
} // namespace

void SetMessageHandler(MessageHandler h)
{
    handler() = std::move(h);
    g_count = 0;
}

int MessageCount()
{
    return g_count;
}

int ShowMessage(QWidget* owner, const QString& text, const QString& caption, unsigned icon, unsigned buttons)
{
    ++g_count;
    const unsigned kind = buttons & 0xF;
    if (handler()) return handler()(MessageRecord{text, caption, icon & 0xF0, buttons});

    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon & 0xF0) {
    case MB_ICONERROR:
        qicon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        qicon = QMessageBox::Question;
        break;
    case MB_ICONWARNING:
        qicon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        qicon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton first = QMessageBox::Ok, second = QMessageBox::NoButton;
    int escape = IDOK;
    switch (kind) {
    case MB_OKCANCEL:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        second = QMessageBox::Cancel;
        escape = IDCANCEL;
        break;
    case MB_YESNO:
        set = QMessageBox::Yes | QMessageBox::No;
        first = QMessageBox::Yes;
        second = QMessageBox::No;
        escape = IDNO;
        break;
    case MB_YESNOCANCEL:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        first = QMessageBox::Yes;
        second = QMessageBox::No;
        escape = IDCANCEL;
        break;
    default:
        break;
    }
    // The owner may go away while the box runs its own loop.
    QPointer<QMessageBox> box = new QMessageBox(qicon, caption, text, set, owner);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->setDefaultButton((buttons & MB_DEFBUTTON2) && second != QMessageBox::NoButton ? second : first);
    box->setAccessibleName(caption);
    const int result = box->exec();
    if (!box) return escape;
    delete box.data();
    switch (result) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return escape;
    }
}
