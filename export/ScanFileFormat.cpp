#include "export/ScanFileFormat.h"

#include <charconv>

#include "platform/Error.h"
#include "platform/EscapedText.h"
#include "platform/LengthPrefix.h"
#include "platform/OutputFile.h"
#include "platform/WholeFile.h"
#include "scan/GridColumns.h"

namespace th {

namespace {

constexpr std::string_view kMagic = "TALLYHOUND SCAN FILE";
constexpr int32_t kMaxColumns = 1000;
// The bytes a reader of a cell must look at (a raw CR or NUL in a cell means the file was
// damaged).
struct ByteSet {
    bool has[256] = {};
    constexpr explicit ByteSet(std::string_view bytes) {
        for (char b : bytes) has[static_cast<unsigned char>(b)] = true;
    }
    // The first byte of the set at or after from, or the text's size.
    size_t findIn(std::string_view text, size_t from) const {
        while (from < text.size() && !has[static_cast<unsigned char>(text[from])]) ++from;
        return from;
    }
};
constexpr ByteSet kSpecialInCell{std::string_view("\\\r\0", 3)};

Error formatError(const std::string& what, const std::string& path) {
    return Error(err::kBadFileFormat, appBaseName(), what + ": " + path);
}

// Walks the file's lines; a line ends at LF and one CR before it is dropped.
class Lines {
  public:
    explicit Lines(std::string_view data) : data_(data) {}
    bool atEnd() const { return pos_ >= data_.size(); }
    size_t remaining() const { return data_.size() - pos_; }
    int number() const { return number_; }
    // The next line; `complete` is false for a last line that has no LF.
    std::string_view next(bool& complete) {
        size_t lf = data_.find('\n', pos_);
        complete = lf != std::string_view::npos;
        size_t end = complete ? lf : data_.size();
        std::string_view line = data_.substr(pos_, end - pos_);
        pos_ = complete ? lf + 1 : data_.size();
        ++number_;
        if (complete && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

  private:
    std::string_view data_;
    size_t pos_ = 0;
    int number_ = 0;
};

class Reader {
  public:
    Reader(std::string_view data, const std::string& path)
        : lines_(data), size_(data.size()), path_(path) {}

    ScanFileContents read() {
        ScanFileContents c;
        if (size_ == 0) throw formatError("Not a scan file", path_);
        std::string_view first = nextLine(false);
        if (first != kMagic) throw formatError("Not a scan file", path_);
        int64_t format = keyedNumber("format");
        if (format > kScanFileFormat)
            throw formatError("Scan file written by a newer version of Tallyhound (format " +
                                  std::to_string(format) + ")",
                              path_);
        if (format < 1) damaged("unknown format");
        int64_t columns = keyedNumber("columns");
        if (columns < 1 || columns > kMaxColumns) damaged("bad column count");
        int64_t rows = keyedNumber("rows");
        if (rows > INT32_MAX - 1) damaged("bad row count");
        // Every row needs its flag, its tabs and a line end: a file too small for the
        // count it announces has lost its end. Nothing is set aside beyond what the
        // bytes that are left can hold.
        const uint64_t leastRowBytes = static_cast<uint64_t>(columns) + 2;
        if (static_cast<uint64_t>(rows) * leastRowBytes > lines_.remaining()) cutShort();
        c.columns = static_cast<int32_t>(columns);
        columns_ = columns;
        header_ = &c.header;
        row('H');
        header_ = nullptr;
        c.rowStart.reserve(static_cast<size_t>(rows));
        c.subtotal.reserve(static_cast<size_t>(rows));
        c.cellData.reserve(lines_.remaining());
        cellData_ = &c.cellData;
        for (int64_t r = 0; r < rows; ++r) {
            c.rowStart.push_back(c.cellData.size());
            c.subtotal.push_back(row('D') == 'S');
        }
        c.cellData.shrink_to_fit();
        if (nextLine(true) != "end") damaged("more rows than announced");
        if (!lines_.atEnd()) damaged("text after the end line");
        return c;
    }

  private:
    std::string_view nextLine(bool mustBeWhole) {
        if (lines_.atEnd()) cutShort();
        bool complete = false;
        std::string_view line = lines_.next(complete);
        // The last line may lack its line end only when it is the end line itself.
        if (!complete && mustBeWhole && line != "end") cutShort();
        return line;
    }

    int64_t keyedNumber(std::string_view key) {
        std::string_view line = nextLine(true);
        if (line.size() <= key.size() + 1 || line.substr(0, key.size()) != key ||
            line[key.size()] != ' ')
            damaged("expected " + std::string(key));
        std::string_view digits = line.substr(key.size() + 1);
        int64_t value = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        // Digits as the writer writes them: no sign, no leading zero.
        if (ec != std::errc() || end != digits.data() + digits.size() || digits.front() == '-' ||
            digits.front() == '+' || (digits.front() == '0' && digits.size() > 1))
            damaged("bad " + std::string(key));
        return value;
    }

    // Reads one row line into cells_ and returns its flag: H for the header, D or S.
    char row(char expected) {
        std::string_view line = nextLine(true);
        if (line.size() < 2 || line[1] != '\t') damaged("no row flag");
        char flag = line[0];
        if (expected == 'H' ? flag != 'H' : (flag != 'D' && flag != 'S')) damaged("bad row flag");
        std::string_view rest = line.substr(2);
        int64_t count = 0;
        size_t start = 0;
        for (;;) {
            size_t tab = rest.find('\t', start);
            std::string_view cell =
                rest.substr(start, tab == std::string_view::npos ? tab : tab - start);
            if (++count > columns_) damaged("too many cells");
            unescape(cell);
            if (header_)
                header_->push_back(scratch_);
            else
                appendWithLength(*cellData_, scratch_);
            if (tab == std::string_view::npos) break;
            start = tab + 1;
        }
        if (count != columns_) damaged("too few cells");
        return flag;
    }

    // The cell's text into scratch_.
    void unescape(std::string_view cell) {
        std::string& out = scratch_;
        out.clear();
        size_t i = 0;
        while (i < cell.size()) {
            // Plain runs go in one piece; only the bytes below need a look.
            size_t special = kSpecialInCell.findIn(cell, i);
            out.append(cell.substr(i, special - i));
            if (special == cell.size()) break;
            i = special;
            if (cell[i] != '\\') damaged("raw control character");
            if (++i == cell.size()) damaged("broken escape");
            switch (cell[i++]) {
                case '\\':
                    out.push_back('\\');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 'n':
                    out.push_back('\n');
                    break;
                case '0':
                    out.push_back('\0');
                    break;
                default:
                    damaged("broken escape");
            }
        }
    }

    [[noreturn]] void damaged(const std::string& what) {
        throw formatError(
            "Scan file damaged at line " + std::to_string(lines_.number()) + " (" + what + ")",
            path_);
    }
    [[noreturn]] void cutShort() { throw formatError("Scan file cut short", path_); }

    Lines lines_;
    size_t size_;
    const std::string& path_;
    std::vector<std::string>* header_ = nullptr;
    std::string* cellData_ = nullptr;
    std::string scratch_;
    int64_t columns_ = 0;
};

}  // namespace

std::string escapeScanCell(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text, ControlBytes::NulOnly);
    return out;
}

namespace {

// Hands the file's lines to line() one by one: cell(r, c) gives row r's cells, row 0 the
// header and rows 1 to rows the rest; group(r) whether row r is a group row.
template <class Cell, class Group, class Line>
void scanFileLines(int32_t cols, int32_t rows, Cell cell, Group group, Line line) {
    line(kMagic);
    line("format " + std::to_string(kScanFileFormat));
    line("columns " + std::to_string(cols));
    line("rows " + std::to_string(rows));
    std::string text;
    for (int32_t r = 0; r <= rows; ++r) {
        text.assign(1, r == 0 ? 'H' : (group(r) ? 'S' : 'D'));
        for (int32_t c = 0; c < cols; ++c) {
            text.push_back('\t');
            appendEscaped(text, cell(r, c), ControlBytes::NulOnly);
        }
        line(text);
    }
    line("end");
}

}  // namespace

void writeScanFile(const FlexGrid& grid, const std::string& path) {
    OutputFile file(path);
    scanFileLines(
        grid.cols(), std::max(grid.rows() - 1, 0),
        [&](int32_t r, int32_t c) {
            return r < grid.rows() ? grid.cell(r, c) : std::string_view{};
        },
        [&](int32_t r) { return grid.isSubtotal(r); },
        [&](std::string_view text) { file.writeLine(text); });
    file.commit();
}

std::string scanFileText(const ScanFileContents& contents) {
    std::string out;
    scanFileLines(
        contents.columns, contents.rowCount(),
        [&](int32_t r, int32_t c) {
            return r == 0 ? std::string_view(contents.header[static_cast<size_t>(c)])
                          : contents.cell(r - 1, c);
        },
        [&](int32_t r) { return contents.subtotal[static_cast<size_t>(r - 1)]; },
        [&](std::string_view text) { out.append(text).append("\r\n"); });
    return out;
}

ScanFileContents readScanFile(const std::string& path) {
    return parseScanFile(readWholeFile(path), path);
}

ScanFileContents parseScanFile(std::string_view bytes, const std::string& path) {
    Reader reader(bytes, path);
    return reader.read();
}

std::string_view ScanFileContents::cell(int32_t row, int32_t col) const {
    const char* p = cellData.data() + rowStart[static_cast<size_t>(row)];
    for (int32_t c = 0; c < col; ++c) nextWithLength(p);
    return nextWithLength(p);
}

void ScanFileContents::rowCells(int32_t row, std::vector<std::string_view>& cells) const {
    cells.resize(static_cast<size_t>(columns));
    const char* p = cellData.data() + rowStart[static_cast<size_t>(row)];
    for (auto& cell : cells) cell = nextWithLength(p);
}

std::vector<int32_t> placeColumns(const FlexGrid& grid, const ScanFileContents& contents,
                                  const std::string& path) {
    const auto columns = columnsTitled(contents.header);
    if (!columns) throw formatError("Scan file columns are not the grid's seven columns", path);
    const GridColumns where(grid);
    std::vector<int32_t> placement;
    for (GridColumn c : *columns) placement.push_back(where.position(c));
    return placement;
}

void appendGridRows(FlexGrid& grid, const ScanFileContents& contents,
                    const std::vector<int32_t>& placement) {
    // The table grows once, before the first row goes in.
    grid.reserveRows(static_cast<size_t>(grid.rows()) + static_cast<size_t>(contents.rowCount()));
    const bool redraw = grid.redraw();
    grid.setRedraw(false);
    std::vector<std::string_view> inFile, cells(placement.size());
    for (int32_t r = 0; r < contents.rowCount(); ++r) {
        if (contents.subtotal[static_cast<size_t>(r)]) continue;
        contents.rowCells(r, inFile);
        for (size_t c = 0; c < placement.size(); ++c)
            cells[static_cast<size_t>(placement[c])] = inFile[c];
        grid.addRow(cells);
    }
    grid.setRedraw(redraw);
}

}  // namespace th
