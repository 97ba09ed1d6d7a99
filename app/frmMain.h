#pragma once
// The main window: the controls laid out as designed, mirroring the Qt-free MainForm
// that the commands work on. The menu bar comes from QMainWindow::menuBar(); the
// menu commands add their own items to it.

#include <QElapsedTimer>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "platform/Ports.h"
#include "scan/MainForm.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QShortcut;
class QThread;
class QTimer;
class QVBoxLayout;

namespace th {

class ViolationGridView;
class BanBrowserDialog;
class QtMessageBoxPort;
class QtFileChooserPort;
class QtCursorPort;
class QtEventsPort;
class QtShellPort;
class GuiThreadPorts;

class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kOuterHeightTwips = 8925;

    // Without ports the window makes its Qt ones; tests hand in scripted ports.
    explicit frmMain(Ports* ports = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    MainForm& form() { return *form_; }
    int32_t hWnd() const { return form_->hWnd; }
    Ports& ports() { return *ports_; }

    // The controls, by their names, for the menu bar and for tests.
    QPushButton* cmdQuelvane(int index) const {
        return cmdQuelvane_.at(static_cast<size_t>(index));
    }
    ViolationGridView* vsFlexGrid1() const { return vsFlexGrid1_; }
    QLabel* pnlLogPathToFile() const { return pnlLogPathToFile_; }
    QLabel* lblHeader() const { return lblHeader_; }
    QLabel* lblNumberLinesScanned() const { return lblNumberLinesScanned_; }
    QWidget* picHeader() const { return picHeader_; }
    QGroupBox* fraLog() const { return fraLog_; }
    QFrame* SSPanel1() const { return SSPanel1_; }
    QLabel* lblLinesScanned() const { return lblLinesScanned_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QProgressBar* prgScanning() const { return prgScanning_; }
    QMenu* recentMenu() const { return recentMenu_; }
    QLineEdit* txtFilter() const { return txtFilter_; }
    // The Utilities menu's check items "Read game-console lines" and "Fold colour codes".
    QAction* consoleLinesItem() const { return consoleLinesItem_; }
    QAction* foldColoursItem() const { return foldColoursItem_; }

    // Load Log and Exit run at once; the other commands run on a worker thread while
    // the window stays alive, and workFinished follows their end.
    void cmdQuelvane_Click(int16_t index);
    bool busy() const { return busy_; }

  signals:
    void workFinished();
    // The progress bar as the work in progress moves it, for a window in front of this one.
    void progressMoved(int value, int maximum, bool shown);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void installShortcuts();
    void runInBackground(int16_t index);
    void backgroundWorkEnded();
    void setBusy(bool busy, bool stoppable);
    void cmdCancel_Click();
    void onGui(std::function<void()> change);
    void applyFilter();
    void showFilterStatus();
    void installRecentMenu();
    void installViewMenu();
    void installNameAndLogItems();
    void setFoldColours(bool on);
    void installBanMenu();
    // Utilities > Database > Browse bans, and what to do in it first (import, export).
    void browseBans(void (BanBrowserDialog::*then)());
    void fillRecentMenu();
    void openRecentLog(const std::string& path);
    void rememberLog(const std::string& path);
    bool restoreGeometryFromSettings();
    void sizeColumnsForTheirContent();
    QSize defaultSize() const;
    double scale() const;
    int scaled(int twips) const;
    void mirrorIndicators();
    void setOuterHeight();
    void showLineCount();

    // Own ports, when none were handed in; declared before the form that uses them.
    std::unique_ptr<QtMessageBoxPort> messages_;
    std::unique_ptr<QtFileChooserPort> files_;
    std::unique_ptr<QtCursorPort> cursor_;
    std::unique_ptr<QtEventsPort> events_;
    std::unique_ptr<QtShellPort> shell_;
    std::unique_ptr<Ports> ownPorts_;
    Ports* ports_;
    std::unique_ptr<GuiThreadPorts> guiPorts_;
    std::unique_ptr<MainForm> form_;

    QWidget* picHeader_ = nullptr;
    QLabel* lblHeader_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLabel* lblScanning_ = nullptr;
    QProgressBar* prgScanning_ = nullptr;
    QGroupBox* fraLog_ = nullptr;
    QLabel* pnlLogPathToFile_ = nullptr;
    ViolationGridView* vsFlexGrid1_ = nullptr;
    QLabel* lblLinesScanned_ = nullptr;
    QLabel* lblNumberLinesScanned_ = nullptr;
    QFrame* SSPanel1_ = nullptr;
    std::array<QPushButton*, 7> cmdQuelvane_{};
    QPushButton* cmdCancel_ = nullptr;
    QShortcut* cancelKey_ = nullptr;  // Escape, while work that can stop runs
    QMenu* recentMenu_ = nullptr;
    QAction* consoleLinesItem_ = nullptr;
    QAction* foldColoursItem_ = nullptr;
    QLabel* lblFilter_ = nullptr;
    QLineEdit* txtFilter_ = nullptr;
    QTimer* filterTimer_ = nullptr;
    QVBoxLayout* gridColumn_ = nullptr;
    bool leaving_ = false;  // Exit has decided that the window goes
    bool busy_ = false;     // a command runs on the worker
    bool waiting_ = false;  // and waits on a question or a file chooser
    QThread* worker_ = nullptr;
    QString lineCount_;  // the counter's latest text, shown at display rate
    std::function<void()> refreshBar_;

    // The line counter changes once per scanned line; the label follows at display rate.
    QTimer* lineCountTimer_ = nullptr;
    QElapsedTimer sinceLineCount_;
    bool heightPending_ = true;
    int heightSet_ = 0;
};

}  // namespace th
