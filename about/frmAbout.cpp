#include "about/frmAbout.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "about/AboutTexts.h"
#include "about/SystemInfo.h"
#include "bans/BanStore.h"
#include "bans/Paths.h"
#include "ui/WindowSetup.h"

namespace th {

namespace {

// The texts keep their CR LF line ends; a label breaks lines at LF alone.
QString forLabel(const std::string& text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QLabel* textLabel(QWidget* parent, const char* name, bool wrap) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);  // the list's spacing must survive as typed
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

frmAbout::frmAbout(Ports& ports, QWidget* parent) : QDialog(parent), ports_(ports) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    picIcon->setPixmap(icon.pixmap(32, 32));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = textLabel(this, "lblTitle", false);
    lblVersion = textLabel(this, "lblVersion", false);
    lblDatabase = textLabel(this, "lblDatabase", true);
    lblDatabase->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDescription = textLabel(this, "lblDescription", true);
    lblDescription->setMinimumWidth(380);
    lblDisclaimer = textLabel(this, "lblDisclaimer", true);

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    cmdOK = new QPushButton(QString::fromLatin1(about::kOkCaption), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QString::fromLatin1(about::kSysInfoCaption), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);

    // Icon beside the title block; the line; disclaimer beside the two buttons.
    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addWidget(lblDatabase);
    texts->addSpacing(6);
    texts->addWidget(lblDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Line1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(forLabel(about::aboutCaption()));
    lblTitle->setText(forLabel(about::titleText()));
    lblVersion->setText(forLabel(about::programVersionText()));
    lblDatabase->setText(QFile::decodeName(about::databaseText(storeDisplayName(databasePath())).c_str()));
    lblDescription->setText(forLabel(about::joinLines(about::descriptionLines())));
    lblDisclaimer->setText(forLabel(about::joinLines(about::disclaimerLines())));

    g_SetFormFont(this);
    adjustSize();  // centring needs the size the texts and the font give the box
    g_CenterForm(this);
    g_DisableFormClose(this);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    about::StartSysInfo(ports_);
}

}  // namespace th
