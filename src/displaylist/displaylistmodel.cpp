#include "displaylist/displaylistmodel.h"

#include "displaylist/updatestatus.h"

#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QtGlobal>

#include <limits>

namespace {

// Rendering an SVG for every cell of every repaint is costly with a large
// fleet, so each picture is rendered once per size.
QPixmap cachedPixmap(const QString &path, const QSize &size)
{
    static QHash<QString, QPixmap> cache;
    const QString key = path + QLatin1Char('@') + QString::number(size.width());
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.insert(key, QIcon(path).pixmap(size));
    return *it;
}

const QSize kIconSize(20, 20);

bool downloadFailed(const DISPLAY_LIST_ENTRY &e)
{
    return (e.matchStatus == MatchStatus::UpToDate || e.matchStatus == MatchStatus::NewerViaLan)
        && e.selectedForUpdate && e.buildOk() && e.downloadStatus == DownloadState::Error;
}

} // namespace

displayListModel::displayListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kAnnounceDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &displayListModel::flush);
}

void displayListModel::setDisplayList(DisplayList *list)
{
    m_list = list;
    resetAll();
}

void displayListModel::setLegacyEnabled(bool enabled)
{
    m_legacyEnabled = enabled;
    rowChanged(-1);
}

bool displayListModel::hasRow(const QModelIndex &index) const
{
    return m_list && index.isValid() && index.row() < m_rowCount && index.row() < m_list->size();
}

int displayListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_list ? 0 : m_rowCount;
}

int displayListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool displayListModel::offersCheckBox(const DISPLAY_LIST_ENTRY &e) const
{
    return (e.matchStatus == MatchStatus::NotComparable || e.matchStatus == MatchStatus::UpToDate
            || e.matchStatus == MatchStatus::NewerViaLan)
        && e.buildOk() && e.updateViaHTTP != 0;
}

QString displayListModel::statusIconPath(const DISPLAY_LIST_ENTRY &e, QSize *size) const
{
    *size = kIconSize;
    const QString info = QStringLiteral(":/resources/info.svg");
    const QString warning = QStringLiteral(":/resources/warning.svg");
    const QString monitorError = QStringLiteral(":/resources/monitor error.svg");
    const QString checkmark = QStringLiteral(":/resources/checkmark.svg");

    if (e.tcpClient)
        return QStringLiteral(":/resources/refresh.svg");
    if (downloadFailed(e))
        return QStringLiteral(":/resources/comm-error.svg");
    if (e.matchStatus == MatchStatus::NewerUsbOnly)
        return QStringLiteral(":/resources/usb drive.svg");
    if (e.needsPowerOnToReport())
        return info;
    if (e.commStatus == 1)
        return warning;
    if (e.lockStatus == 1 && e.selectedForUpdate)
        return warning;
    if (e.commStatus == 2 && e.selectedForUpdate)
        return warning;
    if (!e.buildOk())
        return info;
    if (e.blockedByPowerState())
        return warning;

    switch (e.updateStatus) {
    case UpdateStatus::Queued:
        return QStringLiteral(":/resources/monitor pause.svg");
    case UpdateStatus::Running:
        return e.uploading ? QStringLiteral(":/resources/monitor download.svg")
                           : QStringLiteral(":/resources/monitor updating progress.svg");
    case UpdateStatus::Complete:
        return checkmark;
    case UpdateStatus::Idle:
        if (UpdateStatus::isFailure(e.lastUpdateStatus))
            return monitorError;
        if (e.lastUpdateStatus == UpdateStatus::Complete) {
            if (e.powerCycleKind == 2) {
                *size = QSize(40, 20);
                return QStringLiteral(":/resources/checkmark and reset power.svg");
            }
            return checkmark;
        }
        break;
    default:
        if (UpdateStatus::isFailure(e.updateStatus))
            return monitorError;
        break;
    }
    return e.powerSaveWillChange() ? info : QString();
}

QVariant displayListModel::displayText(const DISPLAY_LIST_ENTRY &e, int column) const
{
    const QString text = DisplayColumns::text(e, column, m_legacyEnabled);
    return text.isNull() ? QVariant() : QVariant(text);
}

QVariant displayListModel::decoration(const DISPLAY_LIST_ENTRY &e, int column) const
{
    QString path;
    QSize size = kIconSize;
    if (column == PowerStateColumn) {
        if (e.powerState == 1)
            path = QStringLiteral(":/resources/power-on.svg");
        else if (e.powerState >= 2 && e.powerState <= 4)
            path = QStringLiteral(":/resources/power-off.svg");
        else
            path = QStringLiteral(":/resources/power-unknown.svg");
    } else if (column == AvailabilityColumn) {
        if ((e.matchStatus == MatchStatus::UpToDate || e.matchStatus == MatchStatus::NewerViaLan)
            && e.selectedForUpdate && e.downloadStatus == DownloadState::Downloading)
            path = QStringLiteral(":/resources/cloud download.svg");
    } else if (column == StatusColumn) {
        path = statusIconPath(e, &size);
    }
    if (path.isEmpty())
        return QVariant();
    return cachedPixmap(path, size);
}

QVariant displayListModel::data(const QModelIndex &index, int role) const
{
    if (!hasRow(index) || index.column() >= ColumnCount)
        return QVariant();
    const DISPLAY_LIST_ENTRY &e = m_list->at(index.row());
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
        return displayText(e, column);
    case Qt::DecorationRole:
        return decoration(e, column);
    case Qt::CheckStateRole:
        if (column == ActionColumn && offersCheckBox(e))
            return e.selectedForUpdate ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    case Qt::BackgroundRole:
        if (column == AvailabilityColumn && downloadFailed(e))
            return QColor(Qt::red);
        return QVariant();
    case Qt::FontRole:
        if (e.matchStatus == MatchStatus::NewerViaLan) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return QVariant();
    case Qt::ToolTipRole:
        if (column == StatusColumn)
            return DisplayColumns::statusText(e, m_legacyEnabled);
        return tr("Right-click to refresh Display Information or change Power State", "tool tip");
    case ProgressRole:
        if (column == StatusColumn) {
            const double fraction = DisplayColumns::progressFraction(e);
            if (fraction >= 0)
                return fraction;
        }
        return QVariant();
    default:
        return QVariant();
    }
}

bool displayListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!hasRow(index) || role != Qt::CheckStateRole)
        return false;
    (*m_list)[index.row()].selectedForUpdate = value.toInt() == Qt::Checked;
    emit need_update_ui();
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}

QVariant displayListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    const QString title = DisplayColumns::headerText(section);
    return title.isNull() ? QVariant() : QVariant(title);
}

Qt::ItemFlags displayListModel::flags(const QModelIndex &index) const
{
    if (!hasRow(index))
        return Qt::NoItemFlags;
    if (index.column() != ActionColumn)
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const DISPLAY_LIST_ENTRY &e = m_list->at(index.row());
    Qt::ItemFlags result = Qt::ItemIsSelectable;
    if (!e.updateClient && (e.legacyModel == 0 || m_legacyEnabled))
        result |= Qt::ItemIsEnabled;
    if (offersCheckBox(e))
        result |= Qt::ItemIsUserCheckable;
    return result;
}

void displayListModel::rowChanged(int row)
{
    if (!m_list)
        return;
    m_changedFirst = row < 0 ? 0 : qMin(m_changedFirst, row);
    m_changedLast = row < 0 ? std::numeric_limits<int>::max() : qMax(m_changedLast, row);
    scheduleFlush();
}

void displayListModel::addRow(int row)
{
    m_rowsToAnnounce = qMax(m_rowsToAnnounce, row);
    scheduleFlush();
}

void displayListModel::scheduleFlush()
{
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void displayListModel::flush()
{
    m_flushTimer.stop();
    if (!m_list)
        return;
    // The main window appends to the list before announcing the row, so the
    // announced count, not the list's size, is what views have been told.
    const int target = qMin(m_rowsToAnnounce, int(m_list->size()));
    if (target > m_rowCount) {
        beginInsertRows(QModelIndex(), m_rowCount, target - 1);
        m_rowCount = target;
        endInsertRows();
    }
    const int last = qMin(m_changedLast, m_rowCount - 1);
    if (m_changedFirst <= last)
        emit dataChanged(index(m_changedFirst, 0), index(last, ColumnCount - 1));
    m_changedFirst = std::numeric_limits<int>::max();
    m_changedLast = -1;
}

void displayListModel::resetAll()
{
    beginResetModel();
    m_flushTimer.stop();
    m_rowCount = m_rowsToAnnounce = m_list ? int(m_list->size()) : 0;
    m_changedFirst = std::numeric_limits<int>::max();
    m_changedLast = -1;
    endResetModel();
}
