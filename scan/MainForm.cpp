#include "scan/MainForm.h"

namespace th {

MainForm::MainForm(Ports& p) : ports(p) {
    lblScanning.setCaption("Scanning, please be patient...");
    lblLinesScanned.setCaption("Lines scanned:");
    for (Indicator* hidden : {&lblScanning, &lblLinesScanned, &lblNumberLinesScanned, &prgScanning})
        hidden->setVisible(false);
    // The merge's working table: no rows, no fixed rows or columns, ten columns.
    grdDummy.setFixedRows(0);
    grdDummy.setFixedCols(0);
    grdDummy.setRows(0);
    grdDummy.setCols(10);
}

void MainForm::setUpGrid() {
    FlexGrid& g = vsFlexGrid1;
    g.setFixedCols(0);
    g.setFixedRows(1);
    g.setAppearance(1);
    g.setRows(1);
    g.setCols(7);
    g.setMergeCells(FlexGrid::kMergeRestrictedAll);
    g.setMergeCol(-1, true);
    g.setFormatString(kGridTitles);
}

void vsFlexGrid1_AfterMoveColumn(MainForm& form, int32_t, int32_t&) {
    FlexGrid& g = form.vsFlexGrid1;
    try {
        g.setRedraw(false);
        g.select(1, 0, 1, g.cols() - 1);
        g.sort(FlexGrid::kSortGenericAscending);
        g.select(1, 0);
        g.subtotal(FlexGrid::kSubtotalClear);
        g.subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, kGroupBackColor, kGroupForeColor, true);
        g.setOutlineBar(1);
        g.setMergeCol(g.cols() - 1, false);
        g.autoSize(0, 6, false, 50);
    } catch (const std::exception&) {
        // The arrangement is cosmetic; a failure leaves the rows as they are.
    }
    g.setRedraw(true);
}

}  // namespace th
