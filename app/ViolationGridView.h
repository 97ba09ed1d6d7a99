#pragma once
// The violation grid on screen: a tree view over the grid model whose folds follow the
// grid's outline state, whose header can be dragged to regroup, and whose double click
// and Enter key fold the current group.

#include <QTreeView>

#include "app/ViolationGridModel.h"
#include "scan/MainForm.h"

namespace th {

class ViolationGridView : public QTreeView {
    Q_OBJECT
  public:
    ViolationGridView(MainForm& form, QWidget* parent = nullptr);

    ViolationGridModel& gridModel() { return model_; }

    // Rows measured when sizing columns to their content: a large grid is sampled.
    static constexpr int32_t kAutoSizeSampleRows = 2000;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void followGridFolds();
    void onFoldChanged(const QModelIndex& group, bool collapsed);
    void onViewFold(const QModelIndex& group, bool collapsed);
    void onSectionMoved(int logical, int oldVisual, int newVisual);
    void onCurrentChanged(const QModelIndex& current);
    void autoSize(int firstCol, int lastCol, bool equal, int extraTwips);

    MainForm& form_;
    ViolationGridModel model_;
    bool syncing_ = false;  // set while the view is made to follow the grid
};

}  // namespace th
