#pragma once
// The About box: title, version, what the program keeps, the common violation numbers,
// the disclaimer, and a button that starts the system-information program.

#include <QDialog>

#include "platform/Ports.h"

class QFrame;
class QLabel;
class QPushButton;

namespace th {

class frmAbout : public QDialog {
    Q_OBJECT

  public:
    // Built afresh for each showing, without an owner window.
    explicit frmAbout(Ports& ports, QWidget* parent = nullptr);

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDatabase;
    QFrame* Line1;
    QLabel* lblDescription;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

  private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    Ports& ports_;
};

}  // namespace th
