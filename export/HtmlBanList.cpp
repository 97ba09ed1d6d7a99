#include "export/HtmlBanList.h"

#include <memory>

#include "platform/CCursor.h"
#include "platform/CFileOpenSaveDialog.h"
#include "platform/CShell.h"
#include "platform/MessageBoxes.h"
#include "platform/OutputFile.h"
#include "platform/TrimSpaces.h"
#include "scan/LoadedLogs.h"

namespace th {

namespace {

constexpr const char* kHtmlErrorLead = "An error has occured during a creating of this HTML file";
constexpr int32_t kHtmlFlags =
    0x80806;  // Explorer, path must exist, hide read-only, overwrite prompt

// Player names and the other fields are whatever the log held; they must not become
// markup in the page.
void appendHtml(std::string& out, std::string_view text) {
    for (char ch : text) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\r':
            case '\n':  // a ban stays one line
                out.push_back(' ');
                break;
            default:
                out.push_back(ch);
        }
    }
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

void playerLine(std::string& line, const ViolationCells& cells) {
    line.clear();
    for (char ch : cells[GridColumn::Timestamp])
        if (ch != '"') appendHtml(line, std::string_view(&ch, 1));
    line += ' ';
    appendHtml(line, cells[GridColumn::Guid]);
    line += " \"";
    appendHtml(line, trimSpaces(cells[GridColumn::PlayerName]));
    line += "\" \"";
    appendHtml(line, cells[GridColumn::PlayerIp]);
    line += "\" \"VIOLATION DETECTED -> ";
    appendHtml(line, trimSpaces(cells[GridColumn::Violation]));
    line += " #";
    appendHtml(line, cells[GridColumn::Number]);
    line += "\"<br>";
}

void writePage(const FlexGrid& grid, OutputFile& file) {
    file.writeLine("<html>");
    file.writeLine("<body>");
    file.writeLine(
        R"(<table border="1"width="100%"bordercolor="#808080"cellspacing="0"cellpadding="8">)");
    file.writeLine("<tr>");
    file.writeLine(R"(<td width="100%"bordercolor="#021C2D"bgcolor="#FFFFFF"text="#000000">)");
    file.writeLine(R"(<font class="guid">)");
    file.writeLine(std::string(R"(<LINK REL="StyleSheet"HREF=")") + kStylesheetAddress +
                   R"(" TYPE="text/css">)");
    // One line per run of rows of one player, names compared without regard to case and
    // written as the grid shows them.
    const GridColumns columns(grid);
    std::string remembered, shownName;
    std::string line;
    const int32_t rows = grid.rows();
    for (int32_t r = 1; r <= rows - 1; ++r) {
        if (grid.isSubtotal(r)) continue;
        const std::string_view name = columns.shownCell(grid, r, GridColumn::PlayerName, shownName);
        if (!equalIgnoringCase(name, remembered)) {
            ViolationCells cells = columns.row(grid, r);
            cells[GridColumn::PlayerName] = name;
            playerLine(line, cells);
            file.writeLine(line);
        }
        remembered.assign(name);
    }
    for (int i = 0; i < 4; ++i) file.writeLine("<br>");
    for (const char* closing : {"</font>", "</td>", "</tr>", "</table>", "</body>", "</html>"})
        file.writeLine(closing);
}

}  // namespace

void writeHtmlBanList(const FlexGrid& grid, const std::string& path) {
    OutputFile file(path);
    writePage(grid, file);
    file.commit();
}

bool g_blnCreateHtmlBanList(MainForm& form, std::string& path) {
    bool result = true;
    std::unique_ptr<CCursor> cursor;
    try {
        // Neither centred nor owned: this dialog keeps its creation values for both.
        CFileOpenSaveDialog dialog(form.ports.files);
        dialog.setDialogTitle("Save HTML document");
        dialog.setDefaultExt("html");
        dialog.setFilter("Quelvane HTML Banlist (*.html)|*.html");
        dialog.setFlags(kHtmlFlags);
        if (dialog.Show(CFileOpenSaveDialog::kSave)) {
            cursor = std::make_unique<CCursor>(form.ports.cursor);
            cursor->SetCursor(CCursor::kHourglass);
            path = dialog.FileName();
            refuseLoadedLog(form, path);
            writeHtmlBanList(form.vsFlexGrid1, path);
        }
    } catch (const std::exception& e) {
        const Error error = toError(e);
        showErrorBox(form.ports.messages, kHtmlErrorLead, error,
                     error.number() == err::kRefusedPath
                         ? "Choose another name and try again; no page was written."
                         : "Check that the folder can be written to and try again; no page was "
                           "written.");
        result = false;
    }
    if (cursor) cursor->RestoreCursor();
    return result;
}

bool runHtmlCommand(MainForm& form) {
    if (form.vsFlexGrid1.rows() <= 1) return false;
    std::string path;
    if (!g_blnCreateHtmlBanList(form, path)) return false;
    if (trimSpaces(path).empty()) return false;
    MsgResult answer =
        form.ports.messages.show("'" + path + "' has been created, open for viewing?" + kPad,
                                 MsgButtons::YesNo, MsgIcon::Information, kMsgTitle);
    if (answer == MsgResult::Yes) openForViewing(form.ports.shell, form.ports.messages, path);
    return true;
}

}  // namespace th
