#pragma once
// Utilities > Database > Browse bans: the ban database as a table to search, sort, copy
// from and lift bans in, every name and address the selected ban's GUID was seen with
// below it, the temp bans on a second tab, and the import of other ban files and the
// export of the list. Bans change only through bans/BanFileChanges.h, so
// the ban file and the database change together.

#include <QDialog>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "scan/MainForm.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace th {

class BanStore;
class BanTableModel;

class BanBrowserDialog : public QDialog {
    Q_OBJECT
  public:
    // Opens the database in use; when it cannot be opened, the box saying why has been
    // shown and isOpen() is false.
    BanBrowserDialog(MainForm& form, QWidget* parent = nullptr);
    ~BanBrowserDialog() override;

    bool isOpen() const { return model_ != nullptr; }
    // The buttons that change bans; off while other work runs on the database.
    void setChangesEnabled(bool enabled);

    QTableView* table() const { return table_; }
    QTableWidget* aliases() const { return aliases_; }
    QLineEdit* searchBox() const { return search_; }
    QLabel* statusLine() const { return status_; }
    QTabWidget* tabs() const { return tabs_; }
    QPlainTextEdit* tempBans() const { return tempBans_; }
    QPushButton* unbanButton() const { return unban_; }
    BanTableModel* model() const { return model_.get(); }

    // Asks whether to lift count bans, default No; the note typed, or nothing for No.
    // Tests answer in its place.
    std::function<std::optional<QString>(const std::vector<std::string>& bans)> askToLift;

    void unbanSelected();
    void copySelected();
    void importBanFiles();
    void exportBans();

  private:
    void showStatus();
    void showAliases();
    void fillTempBans();
    // The error box of a failed read, once the event that asked for it is done.
    void showReadError(const std::exception& e);
    std::string chooseBanFile();

    MainForm& form_;
    std::unique_ptr<BanStore> store_;
    std::unique_ptr<BanTableModel> model_;
    QTabWidget* tabs_ = nullptr;
    QTableView* table_ = nullptr;
    QTableWidget* aliases_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel* status_ = nullptr;
    QPlainTextEdit* tempBans_ = nullptr;
    QPushButton *unban_ = nullptr, *import_ = nullptr;
};

}  // namespace th
