#include "aboutdlg.h"

#include "resource.h"

#include <resources.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent, bool splash)
    : QDialog(parent, splash ? Qt::SplashScreen | Qt::FramelessWindowHint : Qt::Dialog)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About TarnTool"));
    setAccessibleName(QStringLiteral("About TarnTool"));
    setStyleSheet(QStringLiteral("QDialog { background: rgb(241,255,213); }"
                                 "QLabel { color: rgb(0,30,0); }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(10);
    auto* picture = new QLabel(this);
    picture->setPixmap(LoadResBitmap(IDD_ABOUTBOX));
    picture->setAlignment(Qt::AlignCenter);
    picture->setAccessibleName(QStringLiteral("TarnTool"));
    layout->addWidget(picture);
    auto* line = new QLabel(QStringLiteral("Zerun Device Manager Version 2.0"), this);
    line->setAlignment(Qt::AlignCenter);
    QFont f = line->font();
    f.setPointSizeF(f.pointSizeF() * 1.15);
    f.setBold(true);
    line->setFont(f);
    layout->addWidget(line);
    auto* row = new QHBoxLayout;
    row->addStretch();
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("IDOK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(m_ok);
    layout->addLayout(row);
    if (splash) {
        m_ok->hide();
    }
    adjustSize();
}
