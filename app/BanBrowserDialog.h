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

#include "platform/CancelToken.h"
#include "scan/MainForm.h"

class QCloseEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace th {

class BanStore;
class BanTableModel;
struct BanFileChange;

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
    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return progress_; }
    BanTableModel* model() const { return model_.get(); }
    // A lifting, an import or an export runs.
    bool working() const { return working_; }

    // The main window's progress bar, mirrored while a change runs.
    void showProgress(int value, int maximum, bool shown);

    // Asks whether to lift count bans, default No; the note typed, or nothing for No.
    // Tests answer in its place.
    std::function<std::optional<QString>(const std::vector<std::string>& bans)> askToLift;

    void unbanSelected();
    void copySelected();
    // Ctrl+End: the last ban of the list, with every page before it read.
    void goToLastBan();
    void importBanFiles();
    void exportBans();

  protected:
    // Escape and the window's close button stop the work first, rather than leave it
    // running behind a closed window.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    // The bans reached by the keyboard with nothing selected select the focused row.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Runs work on a thread of its own while the window stays drawn, says what it does in
    // the status line and offers Cancel; returns once it has ended, whether Cancel was
    // pressed meanwhile, and throws what it threw.
    // A change (a merge underneath) moves the main window's progress bar, which is shown
    // here too; an export does not, and the bar only shows that it runs.
    // stop is the token the work checks: a change checks the form's, as a merge does; an
    // export has its own, as it may run beside a merge of the main window.
    enum class Bar { Mirrored, Running };
    bool runAside(const QString& doing, Bar bar, CancelToken& stop,
                  const std::function<void()>& work);
    // The bans as they are now, and the change's report, or stopped when it was stopped
    // (nothing when it failed: its box has been shown).
    void reportChange(const BanFileChange& change, const char* stopped);
    void showStatus();
    void showAliases();
    void fillTempBans();
    // The selected rows; every row selected is every ban of the list, read to its end.
    std::vector<int> chosenRows();
    // Reads the pages of the list the table has not read yet, under the hourglass.
    void readEveryPage();
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
    QPushButton *unban_ = nullptr, *import_ = nullptr, *copy_ = nullptr, *export_ = nullptr,
                *close_ = nullptr, *cancel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    bool changesEnabled_ = true;
    bool working_ = false;
    bool barMirrored_ = false;         // the work running moves the main window's progress bar
    CancelToken* stopping_ = nullptr;  // what Cancel asks to stop
    CancelToken exportStop_;
};

}  // namespace th
