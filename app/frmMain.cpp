#include "app/frmMain.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>
#include <optional>

#include "app/BanBrowserDialog.h"
#include "app/DisplayText.h"
#include "app/GuiThreadPorts.h"
#include "app/MainCommands.h"
#include "app/MenuBar.h"
#include "app/QtCursorPort.h"
#include "app/QtEventsPort.h"
#include "app/QtFileChooserPort.h"
#include "app/QtMessageBoxPort.h"
#include "app/QtShellPort.h"
#include "app/RecentLogs.h"
#include "app/ScreenRoom.h"
#include "app/StatisticsDialog.h"
#include "app/ViolationGridView.h"
#include "app/WaitCursor.h"
#include "app/WindowHandles.h"
#include "app/WindowSettings.h"
#include "bans/BanStore.h"
#include "bans/Paths.h"
#include "platform/MessageBoxes.h"
#include "scan/ColourCodes.h"
#include "ui/WindowSetup.h"

namespace th {

namespace {

constexpr int px(int twips) {
    return twips / frmMain::kTwipsPerPixel;
}

struct ButtonSpec {
    const char* caption;  // "&" marks the access key, one per letter in the window
    const char* toolTip;
};
constexpr std::array<ButtonSpec, 7> kButtons = {{
    {"&Load Log...", nullptr},
    {"&Scan", nullptr},
    {"E&xit", nullptr},
    {"H&TML...", "Generate HTML page from violations listed"},
    {"&Merge...", "Merge grid with pbbans.dat"},
    {"Sa&ve...", "Save grid to file"},
    {"&Import...", "Load grid from file"},
}};

constexpr const char* kCaption = "Quelvane tallyhound";
constexpr const char* kHeaderText = "Tallyhound";
constexpr const char* kLabel2Text = "Picks the cheats out of a PunkBuster server log";

}  // namespace

frmMain::frmMain(Ports* ports, QWidget* parent) : QMainWindow(parent) {
    if (!ports) {
        messages_ = std::make_unique<QtMessageBoxPort>(this);
        files_ = std::make_unique<QtFileChooserPort>();
        cursor_ = std::make_unique<QtCursorPort>();
        events_ = std::make_unique<QtEventsPort>();
        shell_ = std::make_unique<QtShellPort>();
        ownPorts_ =
            std::make_unique<Ports>(Ports{*messages_, *files_, *cursor_, *events_, *shell_});
        ports = ownPorts_.get();
    }
    ports_ = ports;
    // Commands may run on a worker thread; their ports answer from the GUI thread.
    guiPorts_ = std::make_unique<GuiThreadPorts>(*ports_);
    guiPorts_->workerWaits = [this](bool waiting) {
        if (vsFlexGrid1_) vsFlexGrid1_->gridModel().setWorkerWaiting(waiting);
        waiting_ = waiting;
        if (refreshBar_) refreshBar_();
    };
    form_ = std::make_unique<MainForm>(guiPorts_->ports());
    form_->hWnd = registerWindowHandle(this);
    form_->unload = [this] {
        leaving_ = true;
        close();
    };

    // A database other than the one beside the program is named in the title, so that
    // two accounts never use two different ones without noticing.
    QString title = QString::fromLatin1(kCaption);
    if (databasePath() != databaseBesideProgram())
        title +=
            QStringLiteral(" - ") + QFile::decodeName(storeDisplayName(databasePath()).c_str());
    setWindowTitle(title);
    buildControls();
    installMenuBar(menuBar(), *form_, {}, [this](int16_t index) { cmdQuelvane_Click(index); });
    installShortcuts();
    connect(&vsFlexGrid1_->gridModel(), &QAbstractItemModel::modelReset, this,
            &frmMain::showFilterStatus);
    connect(&vsFlexGrid1_->gridModel(), &QAbstractItemModel::rowsInserted, this,
            &frmMain::showFilterStatus);
    mirrorIndicators();
    if (events_)
        events_->setIndicators(
            {lblNumberLinesScanned_, lblScanning_, lblLinesScanned_, prgScanning_});

    // Start-up, in this order: fonts, the grid, the header's size, centring, then the
    // height. The title bar's close button stays: it asks as Exit does.
    g_SetFormFont(this);
    form_->setUpGrid();
    QFont headerFont = lblHeader_->font();
    headerFont.setPointSize(12);
    lblHeader_->setFont(headerFont);
    sizeColumnsForTheirContent();
    settings::restoreColumns(form_->vsFlexGrid1, *vsFlexGrid1_->header());
    resize(defaultSize());
    g_CenterForm(this);
    setOuterHeight();
    // A window the user placed before comes back where it was.
    heightPending_ = !restoreGeometryFromSettings();
    installRecentMenu();
    installViewMenu();
    installNameAndLogItems();
    installBanMenu();
}

void frmMain::installNameAndLogItems() {
    auto* utilities = menuBar()->findChild<QMenu*>(QStringLiteral("ID_Tool1"));
    if (!utilities) return;
    utilities->addSeparator();
    auto checkItem = [utilities](const char* caption, const char* name, const char* tip,
                                 bool checked) {
        QAction* item = utilities->addAction(QString::fromLatin1(caption));
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        item->setToolTip(QString::fromLatin1(tip));
        item->setChecked(checked);
        return item;
    };

    form_->scanOptions = settings::scanOptions();
    consoleLinesItem_ = checkItem("Read game-&console lines", "consoleLines",
                                  "Also read violation lines as a game's console log holds "
                                  "them; their rows get the log file's modification time",
                                  form_->scanOptions.consoleLines);
    connect(consoleLinesItem_, &QAction::toggled, this, [this](bool on) {
        form_->scanOptions.consoleLines = on;  // for the next scan
        settings::setScanOptions(form_->scanOptions);
    });

    const bool fold = settings::foldColours();
    th::setFoldColours(form_->vsFlexGrid1, fold);
    foldColoursItem_ = checkItem("F&old colour codes", "foldColours",
                                 "Group, sort and show player names without colour codes; "
                                 "saved files keep the names as written",
                                 fold);
    connect(foldColoursItem_, &QAction::toggled, this, &frmMain::setFoldColours);
}

void frmMain::setFoldColours(bool on) {
    settings::setFoldColours(on);
    FlexGrid& grid = form_->vsFlexGrid1;
    th::setFoldColours(grid, on);
    // The rows are grouped again by the names as they now show.
    if (grid.rows() > grid.fixedRows()) {
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(*form_, 0, position);
    }
}

void frmMain::installBanMenu() {
    auto* database = menuBar()->findChild<QMenu*>(QStringLiteral("ID_Database"));
    if (!database) return;
    QAction* first = database->actions().isEmpty() ? nullptr : database->actions().first();
    auto add = [&](const char* caption, const char* name, void (BanBrowserDialog::*then)()) {
        auto* action = new QAction(QString::fromLatin1(caption), database);
        action->setObjectName(QString::fromLatin1(name));
        database->insertAction(first, action);
        connect(action, &QAction::triggered, this, [this, then] { browseBans(then); });
        return action;
    };
    add("&Browse bans...", "browseBans", nullptr)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    add("&Import ban file...", "importBanFile", &BanBrowserDialog::importBanFiles);
    add("&Export bans...", "exportBans", &BanBrowserDialog::exportBans);
    database->insertSeparator(first);
}

void frmMain::browseBans(void (BanBrowserDialog::*then)()) {
    BanBrowserDialog dialog(*form_, this);
    if (!dialog.isOpen()) return;
    // Work already running on the worker may be a merge: bans change only after it.
    dialog.setChangesEnabled(!busy_);
    connect(this, &frmMain::workFinished, &dialog, [&dialog] { dialog.setChangesEnabled(true); });
    connect(this, &frmMain::progressMoved, &dialog, &BanBrowserDialog::showProgress);
    // An import or an export asked for from the menu runs in the window shown, which shows
    // its progress and Cancel and keeps this one from starting other work meanwhile.
    if (then) QTimer::singleShot(0, &dialog, [&dialog, then] { (dialog.*then)(); });
    dialog.exec();
}

void frmMain::installViewMenu() {
    // Between File and Utilities, where a desktop program keeps its View menu.
    const QList<QAction*> menus = menuBar()->actions();
    auto* view = new QMenu(QStringLiteral("Vie&w"), menuBar());
    view->setObjectName(QStringLiteral("viewMenu"));
    menuBar()->insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, view);
    QAction* statistics = view->addAction(QStringLiteral("&Statistics..."));
    statistics->setObjectName(QStringLiteral("statistics"));
    connect(statistics, &QAction::triggered, this, [this] {
        // Counting a large grid and database takes a while before the window shows.
        std::optional<WaitCursor> counting(std::in_place);
        StatisticsDialog dialog(*form_, this);
        counting.reset();
        dialog.exec();
    });
}

bool frmMain::restoreGeometryFromSettings() {
    const QSize before = size();
    const QPoint at = pos();
    settings::restoreWindow(*this);
    // Remembered on a larger monitor, it shrinks to this one's.
    keepOnScreen(*this);
    return size() != before || pos() != at;
}

void frmMain::installRecentMenu() {
    auto* file = menuBar()->findChild<QMenu*>(QStringLiteral("ID_File"));
    if (!file || file->actions().size() < 3) return;
    recentMenu_ = new QMenu(QStringLiteral("&Recent"), file);
    recentMenu_->setObjectName(QStringLiteral("recentLogs"));
    file->insertMenu(file->actions().at(2), recentMenu_);  // after the two Load entries
    connect(recentMenu_, &QMenu::aboutToShow, this, &frmMain::fillRecentMenu);
    fillRecentMenu();
}

void frmMain::fillRecentMenu() {
    recentMenu_->clear();
    const RecentLogs recent(settings::recentLogs());
    int n = 0;
    const QFontMetrics metrics(recentMenu_->font());
    for (const std::string& path : recent.paths()) {
        // Numbered 1 to 10 as their access keys; a "&" in a path stays a letter. A long path
        // keeps its file name in view, and a tab (which would start a shortcut's text)
        // shows as a space; the status bar shows the whole path.
        const QString whole = QFile::decodeName(path.c_str());
        QString caption = metrics.elidedText(QString(whole).replace('\t', ' '), Qt::ElideMiddle,
                                             80 * metrics.averageCharWidth());
        caption =
            QStringLiteral("&%1 %2").arg(++n % 10).arg(caption.replace('&', QStringLiteral("&&")));
        QAction* a = recentMenu_->addAction(caption);
        a->setStatusTip(whole);
        connect(a, &QAction::triggered, this, [this, path] { openRecentLog(path); });
    }
    recentMenu_->setEnabled(!recent.paths().empty());
}

void frmMain::openRecentLog(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        form_->logFolder.clear();
        form_->pnlLogPathToFile.setCaption(path);  // as Load Log would
        return;
    }
    RecentLogs recent(settings::recentLogs());
    recent.remove(path);
    settings::setRecentLogs(recent.paths());
    fillRecentMenu();
    say(ports_->messages, recentLogMissingText(path), MsgButtons::Ok, MsgIcon::Information);
}

void frmMain::rememberLog(const std::string& path) {
    // A folder's logs pass through the panel while they are scanned: none is one to recall.
    if (path.empty() || !form_->logFolder.empty()) return;
    RecentLogs recent(settings::recentLogs());
    recent.add(path);
    settings::setRecentLogs(recent.paths());
    // A menu left disabled (the list was empty) would never show it.
    if (recentMenu_) fillRecentMenu();
}

frmMain::~frmMain() {
    // Work still running is stopped and waited for; what it asks of the GUI thread
    // meanwhile is answered.
    if (worker_) {
        form_->cancel.request();
        while (!worker_->wait(10)) QCoreApplication::processEvents();
    }
    // The view's model listens to the grid; the view goes before the form.
    delete vsFlexGrid1_;
    vsFlexGrid1_ = nullptr;
}

double frmMain::scale() const {
    // Fonts grow with the screen's DPI; the designed sizes grow with them.
    return std::max(1.0, logicalDpiY() / 96.0);
}

int frmMain::scaled(int twips) const {
    return static_cast<int>(std::lround(px(twips) * scale()));
}

QSize frmMain::defaultSize() const {
    // The designed width, or wider so that every column shows its usual content; never
    // wider than the screen's free area.
    const QHeaderView* header = vsFlexGrid1_->header();
    int columns = 0;
    for (int c = 0; c < header->count(); ++c) columns += header->sectionSize(c);
    // Room around the grid: the margins of the window, the frame and the scroll bar.
    const int chrome = 4 * 2 + 2 * 12 + 2 * vsFlexGrid1_->frameWidth() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    return fitScreen(*this, QSize(std::max(scaled(10440), columns + chrome), scaled(7950)))
        .expandedTo(minimumSizeHint());
}

void frmMain::sizeColumnsForTheirContent() {
    // Wide enough for what a column usually holds, before any row is there.
    static const char* const kUsual[7] = {
        "xX_Sniper_Xx [Clan]",   "(WALLHACK)", "130000",
        "[12.31.2024 23:59:59]", "(slot #32)", "0123456789abcdef0123456789abcdef",
        "255.255.255.255:65535"};
    QFont bold = vsFlexGrid1_->font();
    bold.setBold(true);
    const QFontMetrics plain(vsFlexGrid1_->font()), heavy(bold);
    QHeaderView* header = vsFlexGrid1_->header();
    for (int c = 0; c < header->count() && c < 7; ++c) {
        // Only the first column shows group names, in bold.
        const QFontMetrics& fm = c == 0 ? heavy : plain;
        int w = std::max(
            header->sectionSizeHint(c),
            fm.horizontalAdvance(QString::fromLatin1(kUsual[c])) + fm.averageCharWidth() * 2);
        if (c == 0) w += vsFlexGrid1_->indentation() * 2;
        header->resizeSection(c, w);
    }
}

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(4, 0, 4, 4);

    picHeader_ = new QWidget(client);
    picHeader_->setObjectName("picHeader");
    picHeader_->setAutoFillBackground(true);
    // The strip stands out as content does in the desktop's colours: white and black in a
    // light palette, and not a white glare in a dark one.
    QPalette headerPalette = picHeader_->palette();
    headerPalette.setColor(QPalette::Window, headerPalette.color(QPalette::Base));
    headerPalette.setColor(QPalette::WindowText, headerPalette.color(QPalette::Text));
    picHeader_->setPalette(headerPalette);
    picHeader_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(picHeader_);

    lblHeader_ = new QLabel(QString::fromLatin1(kHeaderText), picHeader_);
    lblHeader_->setObjectName("lblHeader");
    QFont bold = lblHeader_->font();
    bold.setBold(true);
    lblHeader_->setFont(bold);

    Label2_ = new QLabel(QString::fromLatin1(kLabel2Text), picHeader_);
    Label2_->setObjectName("Label2");

    lblScanning_ = new QLabel(picHeader_);
    lblScanning_->setObjectName("lblScanning");

    prgScanning_ = new QProgressBar(picHeader_);
    prgScanning_->setObjectName("prgScanning");
    prgScanning_->setTextVisible(false);
    prgScanning_->setMinimumWidth(px(3735));

    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), picHeader_);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setAutoDefault(false);
    cmdCancel_->setToolTip(QStringLiteral("Stop the work in progress"));
    cmdCancel_->hide();
    connect(cmdCancel_, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);

    auto* titles = new QVBoxLayout;
    titles->addWidget(lblHeader_);
    titles->addWidget(Label2_);
    auto* progress = new QGridLayout;
    progress->addWidget(lblScanning_, 0, 0, 1, 2);
    progress->addWidget(prgScanning_, 1, 0);
    progress->addWidget(cmdCancel_, 1, 1);
    progress->setColumnStretch(0, 1);
    auto* header = new QHBoxLayout(picHeader_);
    header->setContentsMargins(12, 8, 12, 8);
    header->addLayout(titles);
    header->addStretch(1);
    header->addLayout(progress);
    // The header keeps its height when the indicators come and go.
    picHeader_->setMinimumHeight(px(945));

    fraLog_ = new QGroupBox(QStringLiteral("Settings"), client);
    fraLog_->setObjectName("fraLog");
    layout->addWidget(fraLog_, 1);

    SSPanel1_ = new QFrame(client);
    SSPanel1_->setObjectName("SSPanel1");
    SSPanel1_->setFrameShape(QFrame::Panel);
    SSPanel1_->setFrameShadow(QFrame::Raised);
    SSPanel1_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(SSPanel1_);

    for (size_t i = 0; i < kButtons.size(); ++i) {
        QWidget* container = i == 0 ? static_cast<QWidget*>(fraLog_) : SSPanel1_;
        auto* b = new QPushButton(QString::fromLatin1(kButtons[i].caption), container);
        b->setObjectName(QStringLiteral("cmdQuelvane_%1").arg(i));
        b->setAutoDefault(false);
        if (kButtons[i].toolTip) b->setToolTip(QString::fromLatin1(kButtons[i].toolTip));
        b->setMinimumWidth(px(1365));
        b->setMinimumHeight(px(375));
        auto index = static_cast<int16_t>(i);
        connect(b, &QPushButton::clicked, this, [this, index] { cmdQuelvane_Click(index); });
        cmdQuelvane_[i] = b;
    }

    pnlLogPathToFile_ = new QLabel(fraLog_);
    pnlLogPathToFile_->setObjectName("pnlLogPathToFile");
    pnlLogPathToFile_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlLogPathToFile_->setAlignment(Qt::AlignCenter);
    pnlLogPathToFile_->setTextFormat(Qt::PlainText);
    pnlLogPathToFile_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    vsFlexGrid1_ = new ViolationGridView(*form_, fraLog_);
    vsFlexGrid1_->setObjectName("vsFlexGrid1");

    lblLinesScanned_ = new QLabel(fraLog_);
    lblLinesScanned_->setObjectName("lblLinesScanned");

    lblNumberLinesScanned_ = new QLabel(fraLog_);
    lblNumberLinesScanned_->setObjectName("lblNumberLinesScanned");

    auto* logRow = new QHBoxLayout;
    logRow->addWidget(cmdQuelvane_[0]);
    logRow->addWidget(pnlLogPathToFile_, 1);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(lblLinesScanned_);
    countRow->addWidget(lblNumberLinesScanned_);
    countRow->addStretch(1);
    // The counter's row keeps its place while the labels are hidden.
    auto* countHolder = new QWidget(fraLog_);
    countHolder->setLayout(countRow);
    countRow->setContentsMargins(0, 0, 0, 0);
    QSizePolicy keep = countHolder->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    for (QLabel* l : {lblLinesScanned_, lblNumberLinesScanned_}) {
        QSizePolicy p = l->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        l->setSizePolicy(p);
    }
    // The filter only hides rows from view; every command still takes every row.
    lblFilter_ = new QLabel(QStringLiteral("Filter rows:"), fraLog_);
    lblFilter_->setObjectName("lblFilter");
    txtFilter_ = new QLineEdit(fraLog_);
    txtFilter_->setObjectName("txtFilter");
    txtFilter_->setClearButtonEnabled(true);
    txtFilter_->setPlaceholderText(QStringLiteral("text in any column (Ctrl+F; Escape clears)"));
    lblFilter_->setBuddy(txtFilter_);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(lblFilter_);
    filterRow->addWidget(txtFilter_, 1);
    filterTimer_ = new QTimer(this);
    filterTimer_->setSingleShot(true);
    filterTimer_->setInterval(150);  // a million rows are filtered once typing pauses
    connect(txtFilter_, &QLineEdit::textChanged, filterTimer_, qOverload<>(&QTimer::start));
    connect(filterTimer_, &QTimer::timeout, this, &frmMain::applyFilter);

    gridColumn_ = new QVBoxLayout(fraLog_);
    gridColumn_->addLayout(logRow);
    gridColumn_->addLayout(filterRow);
    gridColumn_->addWidget(vsFlexGrid1_, 1);
    gridColumn_->addWidget(countHolder);

    // Button panel: the grid's commands on the left, Scan and Exit on the right.
    auto* buttons = new QHBoxLayout(SSPanel1_);
    buttons->setContentsMargins(4, px(240) - 4, 4, px(240) - 4);
    for (int i : {3, 4, 5, 6}) buttons->addWidget(cmdQuelvane_[static_cast<size_t>(i)]);
    buttons->addStretch(1);
    buttons->addWidget(cmdQuelvane_[1]);
    buttons->addWidget(cmdQuelvane_[2]);

    // Tab order: the log, the filter under it, the grid, then the buttons as they stand
    // left to right.
    const std::array<int, 7> order = {0, 3, 4, 5, 6, 1, 2};
    QWidget::setTabOrder(cmdQuelvane_[0], txtFilter_);
    QWidget::setTabOrder(txtFilter_, vsFlexGrid1_);
    QWidget::setTabOrder(vsFlexGrid1_, cmdQuelvane_[static_cast<size_t>(order[1])]);
    for (size_t i = 1; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(cmdQuelvane_[static_cast<size_t>(order[i])],
                             cmdQuelvane_[static_cast<size_t>(order[i + 1])]);
    cmdQuelvane_[0]->setFocus();

    lineCountTimer_ = new QTimer(this);
    lineCountTimer_->setSingleShot(true);
    lineCountTimer_->setInterval(50);
    connect(lineCountTimer_, &QTimer::timeout, this, &frmMain::showLineCount);
}

void frmMain::applyFilter() {
    filterTimer_->stop();
    ViolationGridModel& model = vsFlexGrid1_->gridModel();
    model.setFilter(txtFilter_->text());
    showFilterStatus();
}

void frmMain::showFilterStatus() {
    const ViolationGridModel& model = vsFlexGrid1_->gridModel();
    if (model.filter().isEmpty()) {
        statusBar()->clearMessage();
        return;
    }
    const FlexGrid& g = form_->vsFlexGrid1;
    int32_t all = 0;
    for (int32_t r = g.fixedRows(); r < g.rows(); ++r)
        if (!g.isSubtotal(r)) ++all;
    statusBar()->showMessage(
        QStringLiteral("Filter on: %1 of %2 violations shown. Save, HTML and Merge still take "
                       "every row.")
            .arg(model.shownDataRows())
            .arg(all));
}

void frmMain::installShortcuts() {
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, [this] {
        txtFilter_->setFocus(Qt::ShortcutFocusReason);
        txtFilter_->selectAll();
    });
    auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), txtFilter_, nullptr, nullptr,
                                Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, this, [this] {
        txtFilter_->clear();
        applyFilter();
    });
    // Escape stops the work as Cancel does; only while it can, so that it never meets the
    // filter's own Escape.
    cancelKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelKey_->setEnabled(false);
    connect(cancelKey_, &QShortcut::activated, this, [this] {
        if (cmdCancel_->isVisible() && cmdCancel_->isEnabled()) cmdCancel_->click();
    });
    // Each key names one command; a disabled button's key does nothing.
    const std::pair<QKeySequence, int16_t> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_R), cmd::kScan},
        {QKeySequence(Qt::CTRL | Qt::Key_S), cmd::kSave},
        {QKeySequence(Qt::CTRL | Qt::Key_I), cmd::kImport},
        {QKeySequence(Qt::CTRL | Qt::Key_M), cmd::kMerge},
    };
    for (const auto& [key, index] : keys) {
        auto* shortcut = new QShortcut(key, this);
        QPushButton* button = cmdQuelvane(index);
        connect(shortcut, &QShortcut::activated, this, [button] {
            if (button->isEnabled()) button->click();
        });
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The title bar's close button and Alt+F4 are Exit: Exit decides, and calls back
    // through unload when the window is to go.
    if (leaving_) {
        settings::saveWindow(*this);
        settings::saveColumns(form_->vsFlexGrid1, *vsFlexGrid1_->header());
        if (const std::string file = settings::unsavedFile(); !file.empty())
            say(ports_->messages, settings::unsavedText(file), MsgButtons::Ok,
                MsgIcon::Exclamation);
        event->accept();
        return;
    }
    event->ignore();
    if (!cmdQuelvane(cmd::kExit)->isEnabled()) {  // work is running
        // Once Cancel is pressed (and greyed), the work is stopping already.
        statusBar()->showMessage(
            !cmdCancel_->isVisible()  ? QStringLiteral("Still working: close once it is done.")
            : cmdCancel_->isEnabled() ? QStringLiteral("Still working: press Cancel, then close.")
                                      : QStringLiteral("Stopping: close once it has stopped."),
            8000);
        return;
    }
    QTimer::singleShot(0, this, [this] { cmdQuelvane_Click(cmd::kExit); });
}

namespace {

// What an indicator shows, copied where it changed so the GUI thread never reads the
// indicator itself while a worker changes it.
struct Shown {
    QString caption;
    bool visible;
    int value, maximum;
    explicit Shown(const Indicator& i)
        : caption(displayText(i.caption())),
          visible(i.visible()),
          value(static_cast<int>(std::min<int64_t>(i.value(), INT32_MAX))),
          maximum(static_cast<int>(std::min<int64_t>(i.maximum(), INT32_MAX))) {}
};

}  // namespace

void frmMain::onGui(std::function<void()> change) {
    if (QThread::currentThread() == thread())
        change();
    else
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

void frmMain::mirrorIndicators() {
    auto showLabel = [](QLabel* label, const Shown& s) {
        label->setText(s.caption);
        label->setVisible(s.visible);
    };
    auto follow = [this, showLabel](Indicator& indicator, QLabel* label) {
        indicator.setListener([this, showLabel, label](const Indicator& i) {
            onGui([showLabel, label, s = Shown(i)] { showLabel(label, s); });
        });
        showLabel(label, Shown(indicator));
    };
    follow(form_->lblScanning, lblScanning_);
    follow(form_->lblLinesScanned, lblLinesScanned_);
    form_->pnlLogPathToFile.setListener([this, showLabel](const Indicator& i) {
        onGui([this, showLabel, s = Shown(i), path = i.caption()] {
            showLabel(pnlLogPathToFile_, s);
            rememberLog(path);
        });
    });
    showLabel(pnlLogPathToFile_, Shown(form_->pnlLogPathToFile));

    form_->lblNumberLinesScanned.setListener([this](const Indicator& i) {
        onGui([this, s = Shown(i)] {
            lineCount_ = s.caption;
            lblNumberLinesScanned_->setVisible(s.visible);
            if (!sinceLineCount_.isValid() ||
                sinceLineCount_.elapsed() >= QtEventsPort::kRepaintIntervalMs)
                showLineCount();
            else if (!lineCountTimer_->isActive())
                lineCountTimer_->start();  // the last count shows once the scan lets go
        });
    });
    lineCount_ = displayText(form_->lblNumberLinesScanned.caption());
    lblNumberLinesScanned_->setVisible(form_->lblNumberLinesScanned.visible());
    showLineCount();

    auto showBar = [this](const Shown& s) {
        prgScanning_->setRange(0, s.maximum);
        prgScanning_->setValue(s.value);
        // While work runs without a bar of its own, the bar shows that it runs; not while it
        // waits on the user (the merge's explanation, its file chooser, its report).
        const bool busyOnly = busy_ && !waiting_ && !s.visible;
        if (busyOnly) prgScanning_->setRange(0, 0);
        prgScanning_->setVisible(s.visible || busyOnly);
        emit progressMoved(s.value, s.maximum, s.visible);
    };
    form_->prgScanning.setListener(
        [this, showBar](const Indicator& i) { onGui([showBar, s = Shown(i)] { showBar(s); }); });
    showBar(Shown(form_->prgScanning));
    refreshBar_ = [this, showBar] { showBar(Shown(form_->prgScanning)); };
}

void frmMain::showLineCount() {
    sinceLineCount_.start();
    lblNumberLinesScanned_->setText(lineCount_);
}

void frmMain::setOuterHeight() {
    // The outer height includes the frame, known once the window manager has framed us.
    int frame = frameGeometry().height() - geometry().height();
    resize(width(), std::max(scaled(kOuterHeightTwips) - frame, minimumSizeHint().height()));
    keepOnScreen(*this);  // on a small screen, the status bar stays in view
    heightSet_ = height();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!heightPending_) return;
    heightPending_ = false;
    // The window manager tells the frame's size some time after the window is mapped;
    // look again a few times, unless the user has resized the window meanwhile.
    for (int delay : {0, 100, 400, 1500})
        QTimer::singleShot(delay, this, [this] {
            if (height() == heightSet_ && frameGeometry().height() != scaled(kOuterHeightTwips))
                setOuterHeight();
        });
}

void frmMain::cmdQuelvane_Click(int16_t index) {
    if (busy_) return;
    switch (index) {
        case cmd::kScan:
        case cmd::kHtml:
        case cmd::kMerge:
        case cmd::kSave:
        case cmd::kImport:
            runInBackground(index);
            break;
        default:  // Load Log and Exit are over at once
            th::cmdQuelvane_Click(*form_, index);
    }
}

void frmMain::runInBackground(int16_t index) {
    // Scan and Import change the grid: the view lets go of it until they end. The
    // others only read it, as the view does.
    const bool changesGrid = index == cmd::kScan || index == cmd::kImport;
    const bool stoppable = index == cmd::kScan || index == cmd::kMerge;
    form_->cancel.reset();
    setBusy(true, stoppable);
    if (changesGrid) vsFlexGrid1_->gridModel().suspend();
    worker_ = QThread::create([this, index] { th::cmdQuelvane_Click(*form_, index); });
    connect(worker_, &QThread::finished, this, &frmMain::backgroundWorkEnded);
    worker_->start();
    if (worker_->isRunning() || worker_->isFinished()) return;
    // No thread to be had (a limit on threads): the command runs here, the window still
    // while it does, rather than waiting for ever for a thread that never started.
    th::cmdQuelvane_Click(*form_, index);
    backgroundWorkEnded();
}

void frmMain::backgroundWorkEnded() {
    worker_->deleteLater();
    worker_ = nullptr;
    // A Cancel is for the work it was pressed for: the ban window's commands check the
    // same request, and would stop at once.
    form_->cancel.reset();
    vsFlexGrid1_->gridModel().resume();
    setBusy(false, false);
    emit workFinished();
}

void frmMain::setBusy(bool busy, bool stoppable) {
    busy_ = busy;
    // No second command starts while one runs: no menu, no button, no grid or filter
    // input (the grid may be changing underneath).
    menuBar()->setEnabled(!busy);
    for (QPushButton* b : cmdQuelvane_) b->setEnabled(!busy);
    txtFilter_->setEnabled(!busy);
    vsFlexGrid1_->setEnabled(!busy);
    cmdCancel_->setEnabled(true);
    cmdCancel_->setVisible(busy && stoppable);
    if (cancelKey_) cancelKey_->setEnabled(busy && stoppable);
    if (refreshBar_) refreshBar_();
    if (!busy && !txtFilter_->text().isEmpty()) showFilterStatus();
}

void frmMain::cmdCancel_Click() {
    form_->cancel.request();
    cmdCancel_->setEnabled(false);  // once is enough; the work stops at its next safe point
}

}  // namespace th
