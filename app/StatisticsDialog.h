#pragma once
// View > Statistics: charts of the grid (violations by kind, by day, the top players)
// and of the ban database (bans by month, by reason). The figures come from
// stats/Statistics.h; this only draws them, and saves a tab as PNG or SVG.

#include <QDialog>

#include "scan/MainForm.h"

class QTabWidget;
class QPushButton;

namespace th {

struct GridFigures;
struct BanFigures;

class StatisticsDialog : public QDialog {
    Q_OBJECT
  public:
    StatisticsDialog(MainForm& form, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }
    // Writes the current tab's charts to path, as SVG when it ends in ".svg", else PNG.
    // False when nothing could be drawn; throws th::Error, naming the file and why, when
    // it could not be written.
    bool saveCurrentTab(const QString& path);

  private:
    QWidget* gridPage(const GridFigures& figures);
    QWidget* banPage();
    void saveAs(bool svg);

    MainForm& form_;
    QTabWidget* tabs_ = nullptr;
};

}  // namespace th
