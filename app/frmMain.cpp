#include "app/frmMain.h"

#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "app/DisplayText.h"
#include "app/MainCommands.h"
#include "app/MenuBar.h"
#include "app/QtCursorPort.h"
#include "app/QtEventsPort.h"
#include "app/QtFileChooserPort.h"
#include "app/QtMessageBoxPort.h"
#include "app/QtShellPort.h"
#include "app/ViolationGridView.h"
#include "app/WindowHandles.h"
#include "ui/WindowSetup.h"

namespace th {

namespace {

constexpr int px(int twips) {
    return twips / frmMain::kTwipsPerPixel;
}

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(px(left), px(top), px(width), px(height));
}

struct ButtonSpec {
    const char* caption;
    const char* toolTip;
    int left;
};
constexpr std::array<ButtonSpec, 7> kButtons = {{
    {"&Load Log...", nullptr, 210},
    {"&Scan", nullptr, 7410},
    {"E&xit", nullptr, 8940},
    {"&HTML...", "Generate HTML page from violations listed", 60},
    {"&Merge...", "Merge grid with pbbans.dat", 1605},
    {"&Save...", "Save grid to file", 3135},
    {"&Import...", "Load grid from file", 4680},
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
    form_ = std::make_unique<MainForm>(*ports_);
    form_->hWnd = registerWindowHandle(this);
    form_->unload = [this] {
        allowFormClose(this);
        close();
    };

    setWindowTitle(QString::fromLatin1(kCaption));
    buildControls();
    installMenuBar(menuBar(), *form_);
    mirrorIndicators();
    if (events_)
        events_->setIndicators(
            {lblNumberLinesScanned_, lblScanning_, lblLinesScanned_, prgScanning_});

    // Start-up, in this order: fonts, the grid, the header's size, centring, no close,
    // then the height.
    g_SetFormFont(this);
    form_->setUpGrid();
    QFont headerFont = lblHeader_->font();
    headerFont.setPointSize(12);
    lblHeader_->setFont(headerFont);
    g_CenterForm(this);
    g_DisableFormClose(this);
    setOuterHeight();
}

frmMain::~frmMain() {
    // The view's model listens to the grid; the view goes before the form.
    delete vsFlexGrid1_;
    vsFlexGrid1_ = nullptr;
}

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setMinimumSize(px(10440), px(7950));
    resize(px(10440), px(7950));

    picHeader_ = new QWidget(client);
    picHeader_->setObjectName("picHeader");
    picHeader_->setAutoFillBackground(true);
    QPalette headerPalette = picHeader_->palette();
    headerPalette.setColor(QPalette::Window, Qt::white);
    picHeader_->setPalette(headerPalette);
    place(picHeader_, 0, 0, 10440, 945);

    lblHeader_ = new QLabel(QString::fromLatin1(kHeaderText), picHeader_);
    lblHeader_->setObjectName("lblHeader");
    QFont bold = lblHeader_->font();
    bold.setBold(true);
    lblHeader_->setFont(bold);
    place(lblHeader_, 180, 150, 3300, 285);

    Label2_ = new QLabel(QString::fromLatin1(kLabel2Text), picHeader_);
    Label2_->setObjectName("Label2");
    place(Label2_, 180, 510, 6300, 255);

    lblScanning_ = new QLabel(picHeader_);
    lblScanning_->setObjectName("lblScanning");
    place(lblScanning_, 6600, 150, 2595, 195);

    prgScanning_ = new QProgressBar(picHeader_);
    prgScanning_->setObjectName("prgScanning");
    prgScanning_->setTextVisible(false);
    place(prgScanning_, 6600, 450, 3735, 375);

    fraLog_ = new QGroupBox(QStringLiteral("Settings"), client);
    fraLog_->setObjectName("fraLog");
    place(fraLog_, 60, 1050, 10350, 5850);

    SSPanel1_ = new QFrame(client);
    SSPanel1_->setObjectName("SSPanel1");
    SSPanel1_->setFrameShape(QFrame::Panel);
    SSPanel1_->setFrameShadow(QFrame::Raised);
    place(SSPanel1_, 60, 6990, 10350, 885);

    for (size_t i = 0; i < kButtons.size(); ++i) {
        QWidget* container = i == 0 ? static_cast<QWidget*>(fraLog_) : SSPanel1_;
        auto* b = new QPushButton(QString::fromLatin1(kButtons[i].caption), container);
        b->setObjectName(QStringLiteral("cmdQuelvane_%1").arg(i));
        b->setAutoDefault(false);
        if (kButtons[i].toolTip) b->setToolTip(QString::fromLatin1(kButtons[i].toolTip));
        place(b, kButtons[i].left, i == 0 ? 420 : 240, 1365, 375);
        auto index = static_cast<int16_t>(i);
        connect(b, &QPushButton::clicked, this, [this, index] { cmdQuelvane_Click(index); });
        cmdQuelvane_[i] = b;
    }

    pnlLogPathToFile_ = new QLabel(fraLog_);
    pnlLogPathToFile_->setObjectName("pnlLogPathToFile");
    pnlLogPathToFile_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlLogPathToFile_->setAlignment(Qt::AlignCenter);
    pnlLogPathToFile_->setTextFormat(Qt::PlainText);
    place(pnlLogPathToFile_, 1740, 420, 8265, 375);

    vsFlexGrid1_ = new ViolationGridView(*form_, fraLog_);
    vsFlexGrid1_->setObjectName("vsFlexGrid1");
    place(vsFlexGrid1_, 210, 990, 9825, 4365);
    // Until the first arrangement sizes them, the seven titles share the grid's width.
    vsFlexGrid1_->header()->setDefaultSectionSize((px(9825) - 2 * vsFlexGrid1_->frameWidth()) / 7);

    lblLinesScanned_ = new QLabel(fraLog_);
    lblLinesScanned_->setObjectName("lblLinesScanned");
    place(lblLinesScanned_, 285, 5460, 1080, 195);

    lblNumberLinesScanned_ = new QLabel(fraLog_);
    lblNumberLinesScanned_->setObjectName("lblNumberLinesScanned");
    place(lblNumberLinesScanned_, 1590, 5460, 1890, 195);

    // Tab order: the log, the grid, then the buttons as they stand left to right.
    const std::array<int, 7> order = {0, 3, 4, 5, 6, 1, 2};
    QWidget::setTabOrder(cmdQuelvane_[0], vsFlexGrid1_);
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

void frmMain::mirrorIndicators() {
    auto mirrorLabel = [](QLabel* label) {
        return [label](const Indicator& i) {
            label->setText(displayText(i.caption()));
            label->setVisible(i.visible());
        };
    };
    for (auto [indicator, label] : {std::pair{&form_->pnlLogPathToFile, pnlLogPathToFile_},
                                    std::pair{&form_->lblScanning, lblScanning_},
                                    std::pair{&form_->lblLinesScanned, lblLinesScanned_}}) {
        indicator->setListener(mirrorLabel(label));
        mirrorLabel(label)(*indicator);
    }
    form_->lblNumberLinesScanned.setListener([this](const Indicator& i) {
        lblNumberLinesScanned_->setVisible(i.visible());
        if (!sinceLineCount_.isValid() ||
            sinceLineCount_.elapsed() >= QtEventsPort::kRepaintIntervalMs)
            showLineCount();
        else if (!lineCountTimer_->isActive())
            lineCountTimer_->start();  // the last count shows once the scan lets go
    });
    lblNumberLinesScanned_->setVisible(form_->lblNumberLinesScanned.visible());
    showLineCount();
    auto mirrorBar = [this](const Indicator& i) {
        prgScanning_->setRange(0, static_cast<int>(std::min<int64_t>(i.maximum(), INT32_MAX)));
        prgScanning_->setValue(static_cast<int>(std::min<int64_t>(i.value(), INT32_MAX)));
        prgScanning_->setVisible(i.visible());
    };
    form_->prgScanning.setListener(mirrorBar);
    mirrorBar(form_->prgScanning);
}

void frmMain::showLineCount() {
    sinceLineCount_.start();
    lblNumberLinesScanned_->setText(displayText(form_->lblNumberLinesScanned.caption()));
}

void frmMain::setOuterHeight() {
    // The outer height includes the frame, known once the window manager has framed us.
    int frame = frameGeometry().height() - geometry().height();
    resize(width(), px(kOuterHeightTwips) - frame);
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
            if (height() == heightSet_ && frameGeometry().height() != px(kOuterHeightTwips))
                setOuterHeight();
        });
}

void frmMain::cmdQuelvane_Click(int16_t index) {
    th::cmdQuelvane_Click(*form_, index);
}

}  // namespace th
