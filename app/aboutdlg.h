// The about box; also the splash window at start, without its OK button.
#pragma once

#include <QDialog>

class QPushButton;

class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr, bool splash = false);
    QPushButton* OkButton() const { return m_ok; }

private:
    QPushButton* m_ok;
};
