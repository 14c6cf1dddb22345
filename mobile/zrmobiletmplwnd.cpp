#include "zrmobiletmplwnd.h"

#include "resource.h"
#include "zrmobilewnd.h"

#include <QLabel>
#include <QVBoxLayout>

CZRMobileTmplWnd::CZRMobileTmplWnd(CZRMobileWnd* owner, int titleId, int descriptionId)
    : QWidget(owner), m_owner(owner)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, CZRMobileWnd::Background());
    pal.setColor(QPalette::WindowText, QColor(0, 30, 0));
    setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    auto* title = new QLabel(MobileString(titleId), this);
    title->setObjectName(QStringLiteral("PageTitle"));
    QFont f = title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    title->setFont(f);
    layout->addWidget(title);
    const QString description = MobileString(descriptionId).trimmed();
    if (!description.isEmpty()) {
        auto* d = new QLabel(description, this);
        d->setObjectName(QStringLiteral("PageDescription"));
        d->setWordWrap(true);
        layout->addWidget(d);
    }
    m_body = new QVBoxLayout;
    m_body->setSpacing(8);
    layout->addSpacing(8);
    layout->addLayout(m_body);
    layout->addStretch(1);
}

