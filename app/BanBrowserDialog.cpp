#include "app/BanBrowserDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "app/BanTableModel.h"
#include "app/DisplayText.h"
#include "app/ScreenRoom.h"
#include "bans/Aliases.h"
#include "bans/BanFileChanges.h"
#include "bans/BanListWriter.h"
#include "bans/BanStore.h"
#include "bans/Database.h"
#include "bans/Paths.h"
#include "bans/ShownBan.h"
#include "platform/CCursor.h"
#include "platform/CFileOpenSaveDialog.h"
#include "platform/MessageBoxes.h"
#include "platform/OutputFile.h"

namespace th {

namespace {

constexpr const char* kLastBanFileKey = "bans/lastBanFile";

// Rows a line of text high, as the main grid's: the style's own height, about twice that,
// showed few bans at a time.
void compactRows(QTableView& table) {
    const int height = table.fontMetrics().height() + table.fontMetrics().height() / 3;
    table.verticalHeader()->setMinimumSectionSize(height);
    table.verticalHeader()->setDefaultSectionSize(height);
}

// The box that asks before bans are lifted: No is the default, and what is typed at once
// goes into the note (with the focus on No, a space pressed it).
std::optional<QString> askWithNote(QWidget* parent, const std::vector<std::string>& bans) {
    QDialog box(parent);
    box.setWindowTitle(QString::fromLatin1(kMsgTitle));
    auto* layout = new QVBoxLayout(&box);
    auto* question = new QLabel(QString::fromStdString(liftQuestionText(bans)), &box);
    question->setTextFormat(Qt::PlainText);  // a name is shown as it is, never as markup
    layout->addWidget(question);
    auto* form = new QFormLayout;
    auto* note = new QLineEdit(&box);
    note->setObjectName(QStringLiteral("note"));
    form->addRow(QStringLiteral("No&te (optional):"), note);  // Alt+N is No
    layout->addLayout(form);
    // No default button: Return in the note neither lifts nor throws the note away (it
    // answered No, and the typed note was gone without a word). Alt+Y or Alt+N answers,
    // Escape is No. The note's own key is Alt+T: sharing Alt+N, No could not be pressed.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, &box);
    for (QAbstractButton* b : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);
    note->setFocus();
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return note->text();
}

constexpr const char* kLiftStopped =
    "Lifting stopped: the ban file and the ban database are as they were.";
constexpr const char* kImportStopped =
    "Import stopped: the ban file and the ban database are as they were.";

std::vector<int> selectedRows(const QTableView& table) {
    std::set<int> rows;
    for (const QModelIndex& index : table.selectionModel()->selectedIndexes())
        rows.insert(index.row());
    return {rows.begin(), rows.end()};
}

}  // namespace

BanBrowserDialog::BanBrowserDialog(MainForm& form, QWidget* parent) : QDialog(parent), form_(form) {
    setWindowTitle(QStringLiteral("Ban database"));
    askToLift = [this](const std::vector<std::string>& bans) { return askWithNote(this, bans); };
    try {
        store_ = openBanStore(form_, databasePath());
        model_ = std::make_unique<BanTableModel>(*store_);
        model_->failed = [this](const std::exception& e) { showReadError(e); };
    } catch (const std::exception& e) {
        // What to do depends on why: a database that is not there is made, not checked.
        showErrorBox(form_.ports.messages, kBrowseFailed, toError(e),
                     databaseAdvice(kTagConnect, databasePath()));
        model_.reset();
        return;
    }

    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);

    auto* bansPage = new QWidget(tabs_);
    auto* bansLayout = new QVBoxLayout(bansPage);
    search_ = new QLineEdit(bansPage);
    search_->setObjectName(QStringLiteral("search"));
    search_->setPlaceholderText(QStringLiteral("Search GUID, name or IP"));
    search_->setClearButtonEnabled(true);
    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(QStringLiteral("&Search:"), bansPage);
    searchLabel->setBuddy(search_);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_);
    bansLayout->addLayout(searchRow);
    table_ = new QTableView(bansPage);
    table_->setObjectName(QStringLiteral("bans"));
    // Tab leaves the table for the next control; the arrow keys move between its cells.
    table_->setTabKeyNavigation(false);
    table_->setModel(model_.get());
    // A new order, a search or the bans read again start at the top: the view kept its
    // place, and showed the middle of a sorted list as if it were its start.
    connect(model_.get(), &QAbstractItemModel::modelReset, table_, &QTableView::scrollToTop);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSortingEnabled(true);
    table_->horizontalHeader()->setSectionsMovable(true);
    table_->horizontalHeader()->setSortIndicator(BanTableModel::TimeColumn, Qt::AscendingOrder);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    // Wide enough for the usual values in this font: a GUID, a stamp, an address and a
    // reason read whole at the window's first size.
    const QFontMetrics metrics(table_->font());
    compactRows(*table_);
    const auto fits = [&](const char* text) {
        return metrics.horizontalAdvance(QString::fromLatin1(text)) +
               3 * metrics.averageCharWidth();
    };
    table_->setColumnWidth(BanTableModel::GuidColumn, fits("0123456789abcdef0123456789abcdef"));
    table_->setColumnWidth(BanTableModel::NameColumn, fits("A player's name here"));
    table_->setColumnWidth(BanTableModel::IpColumn, fits("\"255.255.255.255:65535\""));
    table_->setColumnWidth(BanTableModel::ReasonColumn,
                           fits("VIOLATION DETECTED -> (MULTIHACK) #50000"));
    table_->setColumnWidth(BanTableModel::TimeColumn, fits("[04.16.2017 21:03:11]"));

    // Below the bans, every name and address the selected ban's GUID was seen with.
    auto* split = new QSplitter(Qt::Vertical, bansPage);
    split->addWidget(table_);
    auto* seen = new QWidget(split);
    auto* seenLayout = new QVBoxLayout(seen);
    seenLayout->setContentsMargins(0, 0, 0, 0);
    auto* seenLabel =
        new QLabel(QStringLiteral("&Names and addresses this GUID was seen with:"), seen);
    seenLayout->addWidget(seenLabel);
    aliases_ = new QTableWidget(0, 4, seen);
    seenLabel->setBuddy(aliases_);
    aliases_->setTabKeyNavigation(false);
    aliases_->setObjectName(QStringLiteral("aliases"));
    aliases_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("IP"),
                                         QStringLiteral("First seen"),
                                         QStringLiteral("Last seen")});
    aliases_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    aliases_->setSelectionBehavior(QAbstractItemView::SelectRows);
    aliases_->verticalHeader()->hide();
    aliases_->horizontalHeader()->setStretchLastSection(true);
    aliases_->setWordWrap(false);
    compactRows(*aliases_);
    aliases_->setColumnWidth(0, 220);
    aliases_->setColumnWidth(1, 160);
    aliases_->setColumnWidth(2, 170);
    seenLayout->addWidget(aliases_);
    split->addWidget(seen);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setSizes({320, 180});
    bansLayout->addWidget(split);
    status_ = new QLabel(bansPage);
    status_->setObjectName(QStringLiteral("status"));
    bansLayout->addWidget(status_);
    tabs_->addTab(bansPage, QStringLiteral("&Bans"));

    tempBans_ = new QPlainTextEdit(tabs_);
    tempBans_->setReadOnly(true);
    tempBans_->setLineWrapMode(QPlainTextEdit::NoWrap);
    tempBans_->setPlaceholderText(
        QStringLiteral("No temp bans: the lines of a ban file that start with \";\" are kept "
                       "here when a merge reads them."));
    tabs_->addTab(tempBans_, QStringLiteral("&Temp bans"));

    auto* buttons = new QHBoxLayout;
    unban_ = new QPushButton(QStringLiteral("&Unban..."), this);
    copy_ = new QPushButton(QStringLiteral("&Copy"), this);
    import_ = new QPushButton(QStringLiteral("&Import ban file..."), this);
    export_ = new QPushButton(QStringLiteral("&Export bans..."), this);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    // While a lifting, an import or an export runs: how far it is, and a way to stop it.
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setTextVisible(false);
    progress_->hide();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setToolTip(QStringLiteral("Stop the work in progress (Esc)"));
    cancel_->hide();
    for (QPushButton* b : {unban_, copy_, import_, export_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(progress_);
    cancel_->setAutoDefault(false);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    connect(unban_, &QPushButton::clicked, this, &BanBrowserDialog::unbanSelected);
    connect(copy_, &QPushButton::clicked, this, &BanBrowserDialog::copySelected);
    connect(import_, &QPushButton::clicked, this, &BanBrowserDialog::importBanFiles);
    connect(export_, &QPushButton::clicked, this, &BanBrowserDialog::exportBans);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this] { setChangesEnabled(changesEnabled_); });
    table_->installEventFilter(this);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (stopping_) stopping_->request();
        cancel_->setEnabled(false);  // once is enough; the work stops at its next safe point
        status_->setText(QStringLiteral("Stopping..."));
    });
    auto* del = new QShortcut(QKeySequence::Delete, table_);
    connect(del, &QShortcut::activated, this, [this] {
        if (unban_->isEnabled()) unbanSelected();
    });
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_);
    connect(copyKey, &QShortcut::activated, this, &BanBrowserDialog::copySelected);
    // The table alone would go to the end of the pages read so far.
    auto* endKey = new QShortcut(QKeySequence::MoveToEndOfDocument, table_);
    connect(endKey, &QShortcut::activated, this, &BanBrowserDialog::goToLastBan);

    // A search of a million bans runs once typing pauses, not at every key.
    auto* searchTimer = new QTimer(this);
    searchTimer->setSingleShot(true);
    searchTimer->setInterval(150);
    connect(search_, &QLineEdit::textChanged, searchTimer, qOverload<>(&QTimer::start));
    const auto runSearch = [this] {
        model_->setSearch(search_->text());
        showStatus();
    };
    connect(searchTimer, &QTimer::timeout, this, runSearch);
    // Return searches at once and goes to the bans found, the first selected as the keys
    // that go there select it: it pressed Close, and the window went with the search; then
    // it left none selected, and Delete did nothing.
    close_->setAutoDefault(false);
    connect(search_, &QLineEdit::returnPressed, this, [this, searchTimer, runSearch] {
        searchTimer->stop();
        runSearch();
        table_->setFocus(Qt::ShortcutFocusReason);
    });
    connect(model_.get(), &QAbstractItemModel::modelReset, this, &BanBrowserDialog::showStatus);
    connect(model_.get(), &QAbstractItemModel::modelReset, this, &BanBrowserDialog::showAliases);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BanBrowserDialog::showAliases);
    showStatus();
    fillTempBans();
    // Every column whole, as far as the screen allows.
    int wide = 0;
    for (int c = 0; c < BanTableModel::ColumnCount; ++c) wide += table_->columnWidth(c);
    resize(fitScreen(*this, QSize(std::max(1000, wide + 60), 600)));
    search_->setFocus();
}

BanBrowserDialog::~BanBrowserDialog() {
    table_ = nullptr;
    model_.reset();
}

bool BanBrowserDialog::eventFilter(QObject* watched, QEvent* event) {
    // Reached by the keyboard, the bans showed a focus on the first row with nothing
    // selected: Delete lifted nothing, and Down went to the second row. A click selects
    // for itself (and Ctrl+click must not add a row it did not choose).
    if (watched == table_ && event->type() == QEvent::FocusIn && model_ && model_->rowCount() > 0 &&
        !table_->selectionModel()->hasSelection()) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
        if (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason ||
            why == Qt::ShortcutFocusReason) {
            const QModelIndex current = table_->currentIndex();
            table_->selectRow(current.isValid() ? current.row() : 0);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void BanBrowserDialog::setChangesEnabled(bool enabled) {
    changesEnabled_ = enabled;
    if (working_) return;  // set again when the work ends
    // Unban and Copy act on the bans selected, which the Temp bans page hides: Unban once
    // lifted a ban from there that the user could not see.
    const bool bansShown = !tabs_ || tabs_->currentIndex() == 0;
    if (unban_) unban_->setEnabled(enabled && bansShown);
    if (copy_) copy_->setEnabled(bansShown);
    if (import_) import_->setEnabled(enabled);
}

void BanBrowserDialog::showProgress(int value, int maximum, bool shown) {
    if (!working_ || !barMirrored_) return;
    if (shown && maximum > 0) {
        progress_->setRange(0, maximum);
        progress_->setValue(value);
    } else {
        progress_->setRange(0, 0);  // running, how far unknown
    }
}

void BanBrowserDialog::reject() {
    if (!working_) {
        QDialog::reject();
        return;
    }
    if (cancel_->isEnabled()) cancel_->click();
}

void BanBrowserDialog::closeEvent(QCloseEvent* event) {
    if (!working_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

bool BanBrowserDialog::runAside(const QString& doing, Bar bar, CancelToken& stop,
                                const std::function<void()>& work) {
    working_ = true;
    barMirrored_ = bar == Bar::Mirrored;
    stopping_ = &stop;
    stop.reset();
    // The bans about to change are neither read nor searched meanwhile.
    for (QWidget* part :
         std::initializer_list<QWidget*>{tabs_, unban_, copy_, import_, export_, close_})
        part->setEnabled(false);
    status_->setText(doing);
    progress_->setRange(0, 0);
    progress_->show();
    cancel_->setEnabled(true);
    cancel_->show();
    cancel_->setFocus();
    std::exception_ptr failure;
    const auto guarded = [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    };
    {
        Hourglass busy(form_.ports);
        QEventLoop waiting;
        const std::unique_ptr<QThread> thread(QThread::create(guarded));
        connect(thread.get(), &QThread::finished, &waiting, &QEventLoop::quit);
        thread->start();
        if (thread->isRunning() || thread->isFinished()) {
            waiting.exec();
            // A quitting application ends every event loop at once, this one too: the
            // work's calls to this thread are answered still, until it has ended.
            while (!thread->wait(10)) QCoreApplication::processEvents();
        } else {
            guarded();  // no thread to be had: here, the window still meanwhile
        }
    }
    progress_->hide();
    cancel_->hide();
    for (QWidget* part : std::initializer_list<QWidget*>{tabs_, export_, close_})
        part->setEnabled(true);
    working_ = false;
    setChangesEnabled(changesEnabled_);
    const bool stopped = stop.requested();
    stop.reset();  // a Cancel is for the work it was pressed for
    stopping_ = nullptr;
    showStatus();
    table_->setFocus();
    if (failure) std::rethrow_exception(failure);
    return stopped;
}

void BanBrowserDialog::showStatus() {
    status_->setText(model_->statusText());
}

void BanBrowserDialog::showAliases() {
    aliases_->setRowCount(0);
    const std::vector<int> rows = selectedRows(*table_);
    if (rows.size() != 1) return;
    std::vector<StoredAlias> seen;
    try {
        seen = store_->findAliases(model_->ban(rows.front()).guid);
    } catch (const std::exception& e) {
        showErrorBox(
            form_.ports.messages, kBrowseFailed, toError(e),
            "Check that the ban database " + storeDisplayName(databasePath()) + " can be read.");
        return;
    }
    aliases_->setRowCount(static_cast<int>(seen.size()));
    for (int r = 0; r < static_cast<int>(seen.size()); ++r) {
        const StoredAlias& a = seen[static_cast<size_t>(r)];
        const std::string_view cells[] = {unquoted(a.name), unquoted(a.address), a.firstSeen,
                                          a.lastSeen};
        for (int c = 0; c < 4; ++c)
            aliases_->setItem(r, c, new QTableWidgetItem(controlsShown(displayText(cells[c]))));
    }
}

void BanBrowserDialog::showReadError(const std::exception& e) {
    // Shown once the view is done with the page it asked for, not from inside it.
    QTimer::singleShot(0, this, [this, error = toError(e)] {
        showErrorBox(form_.ports.messages, "The ban database could not be read", error,
                     "Check that the ban database " + storeDisplayName(databasePath()) +
                         " can be read; the bans read so far are shown.");
    });
}

void BanBrowserDialog::fillTempBans() {
    QString text;
    try {
        store_->forEachKeptLine({}, [&](std::string_view line) {
            text += displayText(line);
            text += QLatin1Char('\n');
        });
    } catch (const std::exception& e) {
        showReadError(e);
    }
    tempBans_->setPlainText(text);
}

void BanBrowserDialog::copySelected() {
    // Columns in the order the user sees them, wherever they were dragged.
    std::vector<int> columns;
    const QHeaderView* header = table_->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            columns.push_back(header->logicalIndex(visual));
    const std::vector<int> rows = chosenRows();
    if (rows.empty()) return;
    QApplication::clipboard()->setText(bansAsTsv(*model_, rows, columns));
}

std::vector<int> BanBrowserDialog::chosenRows() {
    std::vector<int> rows = selectedRows(*table_);
    // Every row selected (Ctrl+A) is every ban of the list, not only the pages read so far:
    // Copy took them all while a lifting took the first 200.
    if (!rows.empty() && rows.size() == static_cast<size_t>(model_->rowCount()) &&
        model_->canFetchMore({})) {
        readEveryPage();
        table_->selectAll();
        rows = selectedRows(*table_);
    }
    return rows;
}

void BanBrowserDialog::readEveryPage() {
    if (!model_->canFetchMore({})) return;
    Hourglass busy(form_.ports);
    while (model_->canFetchMore({})) model_->fetchMore({});
}

void BanBrowserDialog::goToLastBan() {
    readEveryPage();
    const int last = model_->rowCount() - 1;
    if (last < 0) return;
    const int column = table_->currentIndex().isValid() ? table_->currentIndex().column() : 0;
    // That ban alone is selected: the view reads Ctrl, still held, as a Ctrl+click's, which
    // added it to the selection, and a second press left only a ban out of sight selected.
    table_->selectionModel()->setCurrentIndex(
        model_->index(last, column),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table_->scrollToBottom();
}

std::string BanBrowserDialog::chooseBanFile() {
    CFileOpenSaveDialog dialog(form_.ports.files);
    dialog.setDialogTitle("Select the pbbans.dat file to change");
    dialog.setFilter("Punkbuster pbbans (*.dat)|*.dat");
    dialog.setDefaultExt("dat");
    dialog.setHWndOwner(form_.hWnd);
    const std::string last =
        QSettings().value(QString::fromLatin1(kLastBanFileKey)).toString().toStdString();
    if (!last.empty()) {
        dialog.setFileName(last);
        dialog.setInitialDir(g_strGetFolder(last));
    }
    if (!dialog.Show(CFileOpenSaveDialog::kOpen)) return {};
    const std::string chosen = dialog.FileName();
    QSettings().setValue(QString::fromLatin1(kLastBanFileKey), QString::fromStdString(chosen));
    return chosen;
}

void BanBrowserDialog::unbanSelected() {
    if (!unban_->isEnabled()) return;
    const std::vector<int> rows = chosenRows();
    if (rows.empty()) return;
    std::vector<std::string> named;
    for (int row : rows) {
        const auto shown = [&](int column) {
            return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
        };
        named.push_back(QStringLiteral("%1 (%2)")
                            .arg(shownWithin(shown(BanTableModel::NameColumn)),
                                 shown(BanTableModel::GuidColumn))
                            .toStdString());
    }
    const std::optional<QString> note = askToLift(named);
    if (!note) return;
    const std::string banFile = chooseBanFile();
    if (banFile.empty()) return;
    std::vector<std::string> guids;
    for (int row : rows) guids.push_back(model_->ban(row).guid);
    // The change runs on its own connection; this one lets go of the database meanwhile.
    BanFileChange change;
    const QString doing = guids.size() == 1
                              ? QStringLiteral("Lifting 1 ban...")
                              : QStringLiteral("Lifting %1 bans...").arg(guids.size());
    const bool stopped = runAside(doing, Bar::Mirrored, form_.cancel, [&] {
        change = liftBans(form_, banFile, guids, note->toStdString());
    });
    reportChange(change, stopped ? kLiftStopped : nullptr);
}

void BanBrowserDialog::reportChange(const BanFileChange& change, const char* stopped) {
    // The bans as they are now behind the report, which they bear out.
    model_->reload();
    fillTempBans();
    // A change that completed says so even when Cancel came too late to stop it.
    if (change.completed)
        form_.ports.messages.show(change.report, MsgButtons::Ok, MsgIcon::Information, kMsgTitle);
    else if (stopped)
        say(form_.ports.messages, stopped, MsgButtons::Ok, MsgIcon::Information);
}

void BanBrowserDialog::importBanFiles() {
    if (!import_->isEnabled()) return;
    CFileOpenSaveDialog others(form_.ports.files);
    others.setDialogTitle("Select the ban files to import");
    others.setFilter("Punkbuster pbbans (*.dat)|*.dat|All files (*.*)|*.*");
    others.setFlags(others.Flags() | MFileOpenSaveDialog::kOfnAllowMultiSelect);
    others.setHWndOwner(form_.hWnd);
    if (!others.Show(CFileOpenSaveDialog::kOpen)) return;
    std::vector<std::string> files;
    if (others.FileCount() > 1)
        for (int16_t i = 1; i <= others.FileCount(); ++i)
            files.push_back(others.GetNextFileName(i));
    else
        files.push_back(others.FileName());
    const std::string banFile = chooseBanFile();
    if (banFile.empty()) return;
    BanFileChange change;
    const bool stopped = runAside(QStringLiteral("Importing..."), Bar::Mirrored, form_.cancel,
                                  [&] { change = th::importBanFiles(form_, banFile, files); });
    reportChange(change, stopped ? kImportStopped : nullptr);
}

void BanBrowserDialog::exportBans() {
    CFileOpenSaveDialog dialog(form_.ports.files);
    dialog.setDialogTitle("Export bans");
    dialog.setFilter("CSV (*.csv)|*.csv|Tab-separated (*.tsv)|*.tsv|JSON (*.json)|*.json");
    dialog.setDefaultExt("csv");
    dialog.setFileName("bans.csv");
    // An existing file (a ban file, even) was replaced without a word.
    dialog.setFlags(dialog.Flags() | MFileOpenSaveDialog::kOfnOverwritePrompt);
    dialog.setHWndOwner(form_.hWnd);
    if (!dialog.Show(CFileOpenSaveDialog::kSave)) return;
    const std::string path = dialog.FileName();
    const std::string ext = path.substr(path.find_last_of('.') + 1);
    const BanListFormat format = banListFormat(ext).value_or(BanListFormat::Csv);
    try {
        int64_t written = 0;
        runAside(QStringLiteral("Exporting..."), Bar::Running, exportStop_, [&] {
            // A connection of its own: this one still serves the window meanwhile.
            const std::unique_ptr<BanStore> reading = openBanStore(form_, databasePath());
            written = exportBanList(*reading, path, format, &exportStop_);
        });
        say(form_.ports.messages, std::to_string(written) + " bans exported to " + path,
            MsgButtons::Ok, MsgIcon::Information);
    } catch (const Cancelled&) {
        say(form_.ports.messages, "Export stopped: nothing was written to " + path, MsgButtons::Ok,
            MsgIcon::Information);
    } catch (const std::exception& e) {
        showErrorBox(form_.ports.messages, "The bans could not be exported", toError(e),
                     "Choose a file in a folder you can write to.");
    }
}

}  // namespace th
