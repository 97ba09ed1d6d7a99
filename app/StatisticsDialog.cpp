#include "app/StatisticsDialog.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHash>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <numeric>

#include "app/DisplayText.h"
#include "app/ScreenRoom.h"
#include "bans/BanStore.h"
#include "bans/Paths.h"
#include "platform/CFileOpenSaveDialog.h"
#include "platform/CountedText.h"
#include "platform/MessageBoxes.h"
#include "platform/TextFileWriter.h"
#include "stats/Statistics.h"

namespace th {

namespace {

constexpr qint64 kDayMs = 24 * 60 * 60 * 1000;  // a day as the time axis counts it
constexpr qreal kDay = kDayMs;

// A chart in the window's colours: under a dark palette the light theme's white cards
// glared.
QChart* newChart() {
    auto* chart = new QChart;
    if (QGuiApplication::palette().color(QPalette::Window).lightness() < 128)
        chart->setTheme(QChart::ChartThemeDark);
    return chart;
}

QChartView* viewOf(QChart* chart) {
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 260);
    // Nothing in a chart answers keys: Tab passes it by, where it showed no focus at all.
    view->setFocusPolicy(Qt::NoFocus);
    return view;
}

// Ticks on whole numbers, at most five steps of 1, 2 or 5 times a power of ten: a count of
// one must not read 0 0 0 0 0 1.
QValueAxis* countAxis(int64_t most) {
    most = std::max<int64_t>(most, 1);
    int64_t step = 1;
    for (int64_t unit = 1; most > 5 * step; unit *= 10)
        for (int64_t times : {1, 2, 5})
            if (most > 5 * step) step = times * unit;
    const int64_t top = (most + step - 1) / step * step;
    auto* axis = new QValueAxis;
    axis->setLabelFormat("%d");
    axis->setRange(0, static_cast<double>(top));
    axis->setTickCount(static_cast<int>(top / step) + 1);
    return axis;
}

// A label as a chart's axis shows it. The axis reads its labels as HTML, so a player's name
// holding markup was obeyed (a heading, a picture, a name hidden).
QString axisLabel(const QString& text) {
    return controlsShown(text).toHtmlEscaped();
}

// A bar per tally. Names (kinds, players, reasons) read best beside horizontal bars,
// the first on top; months stand below upright bars, in their order.
QChartView* barChart(const QString& title, const std::vector<Tally>& tallies, bool named) {
    auto* chart = newChart();
    chart->setTitle(title);
    // Tallies that read alike are one bar: the axis keeps one category of a label, and a
    // second bar of it would push every later count onto the wrong label.
    QStringList labels;
    std::vector<int64_t> sums;
    QHash<QString, size_t> barOf;
    for (const Tally& t : tallies) {
        const QString label = displayText(t.label);
        if (const auto at = barOf.constFind(label); at != barOf.cend()) {
            sums[*at] += t.count;
            continue;
        }
        barOf.insert(label, sums.size());
        labels << label;
        sums.push_back(t.count);
    }
    std::vector<size_t> order(sums.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (named)  // read from the top as the tallies come: most first (the first bar is lowest)
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return sums[a] != sums[b] ? sums[a] < sums[b] : a > b;
        });
    auto* set = new QBarSet(title);
    QStringList shown;
    int64_t most = 0;
    for (size_t i : order) {
        *set << static_cast<qreal>(sums[i]);
        shown << axisLabel(labels[static_cast<qsizetype>(i)]);
        most = std::max(most, sums[i]);
    }
    QAbstractBarSeries* series =
        named ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries) : new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(shown);
    auto* counts = countAxis(most);
    chart->addAxis(categories, named ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(counts, named ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(counts);
    auto* view = viewOf(chart);
    // Each name needs a line of its own, and each month or year below an upright bar room
    // for its label in the axis's font (larger on a scaled screen), or the axis shows "..."
    // for it.
    const int bars = static_cast<int>(shown.size());
    if (named) {
        view->setMinimumHeight(std::max(260, 90 + 28 * bars));
    } else {
        const QFontMetrics metrics(categories->labelsFont());
        int widest = 0;
        for (const QString& label : shown)
            widest = std::max(widest, metrics.horizontalAdvance(label));
        view->setMinimumWidth(
            std::max(260, 90 + std::max(64, widest + 4 * metrics.averageCharWidth()) * bars));
    }
    return view;
}

// As many ticks as fit the line's width with their dates in full (every day's label did
// not fit below a month or more of days, and each showed as "..."), each on a whole day:
// ticks between days named a day twice. The axis runs from the first day to the last, on
// to where the last tick falls. Days are at noon, so a clock change between them (an hour
// more or less) moves a tick by an hour at most.
void fitTicks(QDateTimeAxis& x, qreal width, qint64 first, qint64 last) {
    const QFontMetrics metrics(x.labelsFont());
    const int wide = metrics.horizontalAdvance(QStringLiteral("0000-00-00")) + 16;
    const qint64 days = (last - first + kDayMs / 2) / kDayMs;
    const qint64 fit = 1 + static_cast<qint64>(width) / wide;
    const int ticks = static_cast<int>(std::clamp<qint64>(std::min(fit, days + 1), 2, 12));
    const qint64 step = (days + ticks - 2) / (ticks - 1);  // whole days between ticks
    const QDateTime end =
        QDateTime::fromMSecsSinceEpoch(std::max(first + step * (ticks - 1) * kDayMs, last));
    if (x.tickCount() != ticks) x.setTickCount(ticks);
    if (x.max() != end) x.setMax(end);
}

// A line over the days in order, on a time axis; the title names the first and last day.
QChartView* lineChart(const QString& title, const std::vector<Tally>& tallies) {
    auto* chart = newChart();
    auto* series = new QLineSeries;
    int64_t most = 0;
    qreal first = 0, last = 0;
    for (const Tally& t : tallies) {
        // A day QDate cannot name (a year 0) has no place on the line.
        const QDate day = QDate::fromString(QString::fromStdString(t.label), Qt::ISODate);
        if (!day.isValid()) continue;
        // At noon in this computer's zone, which the axis names its ticks in: a day placed at
        // midnight UTC was named the day before west of Greenwich.
        const auto at = static_cast<qreal>(QDateTime(day, QTime(12, 0)).toMSecsSinceEpoch());
        if (series->count() == 0) first = at;
        last = at;
        series->append(at, static_cast<qreal>(t.count));
        most = std::max(most, t.count);
    }
    // A line of one day has no length: its point is drawn instead.
    if (series->count() == 1) {
        series->setPointsVisible(true);
        series->setMarkerSize(12);
    }
    // One day stands between the days either side of it.
    if (last == first) first -= kDay, last += kDay;
    chart->addSeries(series);
    chart->setTitle(tallies.empty() ? title
                                    : QStringLiteral("%1 (%2 to %3)")
                                          .arg(title, QString::fromStdString(tallies.front().label),
                                               QString::fromStdString(tallies.back().label)));
    auto* x = new QDateTimeAxis;
    // Days of one year go without it (the title names it).
    const bool oneYear =
        !tallies.empty() && tallies.front().label.substr(0, 5) == tallies.back().label.substr(0, 5);
    x->setFormat(oneYear ? QStringLiteral("MM-dd") : QStringLiteral("yyyy-MM-dd"));
    // No day to name: the axis named days around 1970.
    x->setLabelsVisible(series->count() > 0);
    x->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first)),
                QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last)));
    const auto from = static_cast<qint64>(first), to = static_cast<qint64>(last);
    fitTicks(*x, 360, from, to);
    QObject::connect(chart, &QChart::plotAreaChanged, x, [x, from, to](const QRectF& area) {
        fitTicks(*x, area.width(), from, to);
    });
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    // Room above the highest day: a line along the top ran under the frame, and one day's
    // mark was cut in half.
    auto* y = countAxis(most + 1);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    return viewOf(chart);
}

// Months shown as such at most; more are summed into years.
constexpr size_t kMonthsShown = 24;

// "yyyy-mm" tallies, oldest first, summed per "yyyy".
std::vector<Tally> perYear(const std::vector<Tally>& months) {
    std::vector<Tally> years;
    for (const Tally& m : months) {
        const std::string year = m.label.substr(0, 4);
        if (years.empty() || years.back().label != year) years.push_back({year, 0});
        years.back().count += m.count;
    }
    return years;
}

QWidget* page(const QString& summary, const std::vector<QWidget*>& charts, bool stacked = false) {
    auto* w = new QWidget;
    auto* layout = new QGridLayout(w);
    auto* label = new QLabel(summary, w);
    label->setObjectName(QStringLiteral("summary"));
    label->setWordWrap(true);
    layout->addWidget(label, 0, 0, 1, 2);
    // Two charts side by side; a third takes the whole row below. Stacked, each takes a row
    // of its own, so that a wide chart squeezes no other.
    for (size_t i = 0; i < charts.size(); ++i) {
        const int at = static_cast<int>(i);
        if (stacked)
            layout->addWidget(charts[i], 1 + at, 0, 1, 2);
        else
            layout->addWidget(charts[i], 1 + at / 2, at % 2, 1, i == 2 ? 2 : 1);
    }
    return w;
}

// "; 1 ban without a readable time stamp is left out of the months".
QString undatedText(int64_t n, const char* one, const char* many, const char* of) {
    return QString::fromStdString("; " + counted(n, one, many) + " without a readable time stamp " +
                                  (n == 1 ? "is" : "are") + " left out of the " + of);
}

}  // namespace

StatisticsDialog::StatisticsDialog(MainForm& form, QWidget* parent) : QDialog(parent), form_(form) {
    setObjectName(QStringLiteral("frmStatistics"));
    setWindowTitle(QStringLiteral("Statistics - ") + QString::fromLatin1(kMsgTitle));
    tabs_ = new QTabWidget(this);
    tabs_->addTab(gridPage(gridFigures(form_.vsFlexGrid1)), QStringLiteral("&Grid"));
    tabs_->addTab(banPage(), QStringLiteral("&Ban database"));
    for (int i = 0; i < tabs_->count(); ++i) {
        // A long list of players scrolls rather than squeezing its bars.
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        const QString title = tabs_->tabText(i);
        QWidget* content = tabs_->widget(i);
        tabs_->removeTab(i);
        scroll->setWidget(content);
        tabs_->insertTab(i, scroll, title);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* png =
        buttons->addButton(QStringLiteral("Save as &PNG..."), QDialogButtonBox::ActionRole);
    QPushButton* svg =
        buttons->addButton(QStringLiteral("Save as S&VG..."), QDialogButtonBox::ActionRole);
    for (QPushButton* b : {png, svg}) b->setAutoDefault(false);
    buttons->addButton(QDialogButtonBox::Close)->setDefault(true);
    connect(png, &QPushButton::clicked, this, [this] { saveAs(false); });
    connect(svg, &QPushButton::clicked, this, [this] { saveAs(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);
    resize(fitScreen(*this, QSize(980, 720)));
}

QWidget* StatisticsDialog::gridPage(const GridFigures& f) {
    QString summary = QStringLiteral("%1 violations in the grid").arg(f.violations);
    if (f.undated > 0) summary += undatedText(f.undated, "violation", "violations", "days");
    return page(summary + ".",
                {barChart(QStringLiteral("Violations per kind"), f.perKind, true),
                 lineChart(QStringLiteral("Violations per day"), f.perDay),
                 barChart(QStringLiteral("Top %1 players by violations").arg(kTopPlayers),
                          f.topPlayers, true)});
}

QWidget* StatisticsDialog::banPage() {
    const QString path = QFile::decodeName(storeDisplayName(databasePath()).c_str());
    try {
        const BanFigures f = banFigures(databasePath());
        QString summary = QStringLiteral("%1 bans in %2").arg(f.bans).arg(path);
        const bool byYear = f.perMonth.size() > kMonthsShown;
        if (f.undated > 0)
            summary += undatedText(f.undated, "ban", "bans", byYear ? "years" : "months");
        // Every reason a merge writes begins alike, which left no room for the rest.
        std::vector<Tally> reasons = f.perReason;
        constexpr std::string_view kLead = "VIOLATION DETECTED -> ";
        for (Tally& t : reasons)
            if (t.label.starts_with(kLead)) t.label.erase(0, kLead.size());
        // Past two years the months stand too close to be named ("..." below every bar):
        // the bars are years then.
        return page(
            summary + ".",
            {barChart(byYear ? QStringLiteral("Bans per year") : QStringLiteral("Bans per month"),
                      byYear ? perYear(f.perMonth) : f.perMonth, false),
             barChart(QStringLiteral("Bans per reason"), reasons, true)},
            true);
    } catch (const std::exception& e) {
        // Said on the page itself: the grid's tab is still worth seeing.
        return page(QStringLiteral("The ban database %1 could not be read: %2")
                        .arg(path, displayText(e.what())),
                    {});
    }
}

bool StatisticsDialog::saveCurrentTab(const QString& path) {
    auto* scroll = qobject_cast<QScrollArea*>(tabs_->currentWidget());
    QWidget* shown = scroll ? scroll->widget() : tabs_->currentWidget();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(shown->size());
        svg.setViewBox(shown->rect());
        svg.setTitle(tabs_->tabText(tabs_->currentIndex()).remove('&'));
        QPainter painter(&svg);
        shown->render(&painter);
    } else {
        shown->grab().save(&buffer, "PNG");
    }
    if (bytes.isEmpty()) return false;  // nothing could be drawn
    // Through the one safe writer: whole or not at all, the old file's owner and mode kept,
    // and a failure says why (th::Error).
    TextFileWriter file(QFile::encodeName(path).toStdString());
    file.write({bytes.constData(), static_cast<size_t>(bytes.size())});
    file.commit();
    return true;
}

void StatisticsDialog::saveAs(bool svg) {
    try {
        CFileOpenSaveDialog dialog(form_.ports.files);
        dialog.setDialogTitle(svg ? "Save charts as SVG" : "Save charts as PNG");
        dialog.setDefaultExt(svg ? "svg" : "png");
        dialog.setFilter(svg ? "SVG image (*.svg)|*.svg" : "PNG image (*.png)|*.png");
        dialog.setFlags(MFileOpenSaveDialog::kOfnOverwritePrompt |
                        MFileOpenSaveDialog::kOfnHideReadOnly);
        if (!dialog.Show(CFileOpenSaveDialog::kSave)) return;
        const QString path = QFile::decodeName(dialog.FileName().c_str());
        if (!saveCurrentTab(path))
            say(form_.ports.messages, "The charts could not be saved to " + dialog.FileName(),
                MsgButtons::Ok, MsgIcon::Exclamation);
    } catch (const std::exception& e) {
        showErrorBox(form_.ports.messages, "The charts could not be saved", toError(e));
    }
}

}  // namespace th
