#include "app/BanTableModel.h"

#include "app/DisplayText.h"
#include "app/WaitCursor.h"
#include "bans/BanBrowsingSql.h"
#include "bans/BanStore.h"
#include "bans/ShownBan.h"
#include "platform/CountedText.h"
#include "platform/TrimSpaces.h"

namespace th {

namespace {

constexpr const char* kTitles[] = {"GUID", "Name", "IP", "Reason", "Time stamp"};

BanColumn banColumn(int column) {
    switch (column) {
        case BanTableModel::GuidColumn:
            return BanColumn::Guid;
        case BanTableModel::NameColumn:
            return BanColumn::Name;
        case BanTableModel::IpColumn:
            return BanColumn::Ip;
        case BanTableModel::ReasonColumn:
            return BanColumn::Reason;
        default:
            return BanColumn::Time;
    }
}

std::string_view cell(const StoredBan& ban, int column) {
    switch (column) {
        case BanTableModel::GuidColumn:
            return ban.guid;
        case BanTableModel::NameColumn:
            return unquoted(ban.name);
        case BanTableModel::IpColumn:
            return unquoted(ban.address);
        case BanTableModel::ReasonColumn:
            return unquoted(ban.reason);
        default:
            return ban.stamp;
    }
}

}  // namespace

BanTableModel::BanTableModel(BanStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {
    reload();
}

int BanTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(bans_.size());
}

int BanTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BanTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= bans_.size()) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    // As the main grid shows them: control and direction characters written out.
    return controlsShown(
        displayText(cell(bans_[static_cast<size_t>(index.row())], index.column())));
}

QVariant BanTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kTitles[section]);
}

bool BanTableModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !atEnd_;
}

void BanTableModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || atEnd_) return;
    BanPage page;
    try {
        page = store_.banPage(order_, bans_.empty() ? nullptr : &last_, kPageSize);
    } catch (const std::exception& e) {
        atEnd_ = true;
        failed(e);
        return;
    }
    atEnd_ = page.bans.size() < kPageSize;
    if (page.bans.empty()) return;
    const int first = static_cast<int>(bans_.size());
    beginInsertRows({}, first, first + static_cast<int>(page.bans.size()) - 1);
    for (StoredBan& ban : page.bans) bans_.push_back(std::move(ban));
    last_ = std::move(page.last);
    endInsertRows();
}

void BanTableModel::sort(int column, Qt::SortOrder order) {
    order_.column = banColumn(column);
    order_.descending = order == Qt::DescendingOrder;
    reload();
}

void BanTableModel::setSearch(const QString& text) {
    // A GUID pasted with a space before or after it found nothing, the space unseen.
    order_.search = trimWhiteSpace(text.toStdString());
    reload();
}

void BanTableModel::reload() {
    const WaitCursor waiting;
    beginResetModel();
    bans_.clear();
    last_ = {};
    atEnd_ = false;
    try {
        // Every ban is counted each time: another program's merge (follow, the command line)
        // left the total as it was when the window opened, beside a search's new bans.
        total_ = store_.countBans({}, -1);
        // A search counts its matches only so far, so that each keystroke stays quick.
        shown_ = order_.search.empty() ? total_ : store_.countBans(order_.search, kCountedMatches);
    } catch (const std::exception& e) {
        shown_ = 0;
        atEnd_ = true;
        endResetModel();
        failed(e);
        return;
    }
    endResetModel();
    fetchMore({});
}

QString BanTableModel::statusText() const {
    // Only a search's matches are counted so far; without one, every ban is shown.
    const QString bans = QString::fromStdString(counted(total_, "ban", "bans"));
    if (!order_.search.empty() && shown_ > kCountedMatches)
        return QStringLiteral("%1, more than %2 shown").arg(bans).arg(kCountedMatches);
    return QStringLiteral("%1, %2 shown").arg(bans).arg(shown_);
}

QString bansAsTsv(const BanTableModel& model, const std::vector<int>& rows,
                  const std::vector<int>& columns) {
    QString out;
    for (int row : rows) {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (i > 0) out += QLatin1Char('\t');
            QString text = displayText(cell(model.ban(row), columns[i]));
            // A cell stays one field of one line.
            text.replace(QLatin1Char('\t'), QLatin1Char(' '))
                .replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
            out += text;
        }
        out += QLatin1Char('\n');
    }
    return out;
}

}  // namespace th
