#pragma once
// The scan file: the grid on disk in this program's own text layout.
//
//   TALLYHOUND SCAN FILE        magic line
//   format 1                    layout version; a newer one is refused
//   columns 7
//   rows N                      rows below the header, group rows included
//   H<TAB>cell<TAB>cell...      the header row
//   D<TAB>cell...  or  S<TAB>cell...   N rows: D a data row, S a group row
//   end                         written last, so a file cut short is noticed
//
// Lines end with CR LF. In a cell, backslash, tab, CR, LF and NUL are written as
// \\ \t \r \n \0; every other byte is written as it is, so any cell text comes back.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FlexGrid.h"

namespace th {

inline constexpr int kScanFileFormat = 1;

// What a scan file holds, read whole and checked. The rows' cells sit in one buffer, each
// after its length: a file of millions of short rows fits in little more than its size.
struct ScanFileContents {
    int32_t columns = 0;
    std::vector<std::string> header;
    std::string cellData;            // every row's cells in order, each after its length
    std::vector<uint64_t> rowStart;  // where each row begins in cellData
    std::vector<bool> subtotal;      // per row

    int32_t rowCount() const { return static_cast<int32_t>(subtotal.size()); }
    std::string_view cell(int32_t row, int32_t col) const;
    // The row's cells, in file order, into cells (resized to the column count).
    void rowCells(int32_t row, std::vector<std::string_view>& cells) const;
};

std::string escapeScanCell(std::string_view text);

// Writes every row of the grid, header and group rows included, replacing the file
// only once it is complete. Throws th::Error.
void writeScanFile(const FlexGrid& grid, const std::string& path);

// The bytes writeScanFile writes for these contents, group rows included.
std::string scanFileText(const ScanFileContents& contents);

// Reads and checks the whole file; throws th::Error when it cannot be read, is not a
// scan file, is damaged or cut short, or comes from a newer version of the program.
ScanFileContents readScanFile(const std::string& path);
// The same check of bytes already read; path only names the file in messages.
ScanFileContents parseScanFile(std::string_view bytes, const std::string& path);

// Where each of the file's columns goes in the violation grid: the grid's column of the
// same title, wherever the user has dragged it. A file keeps its header as it was shown,
// so one saved after a column was moved places its cells just as well. Throws th::Error
// when the file's titles are not the seven violation columns.
std::vector<int32_t> placeColumns(const FlexGrid& grid, const ScanFileContents& contents,
                                  const std::string& path);

// Appends the file's data rows below the grid's rows, each cell in the column that
// placeColumns gave. Group rows are left for the arrangement to make again: they never
// come back as data.
void appendGridRows(FlexGrid& grid, const ScanFileContents& contents,
                    const std::vector<int32_t>& placement);

}  // namespace th
