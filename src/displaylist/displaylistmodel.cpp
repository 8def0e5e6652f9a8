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

bool isSelected(const DISPLAY_LIST_ENTRY &e) { return e.selectedForUpdate; }

bool needsPowerOnToReport(const DISPLAY_LIST_ENTRY &e)
{
    return e.powerState != 1 && e.needPowerOnToReadInfo != 0
        && (e.commStatus == 1 || e.matchStatus == MatchStatus::NoVersionReported);
}

bool blockedByPowerState(const DISPLAY_LIST_ENTRY &e)
{
    return e.needPowerOnToUpdateViaHTTP != 0 && e.updateStatus == UpdateStatus::Idle
        && e.powerState != 1 && isSelected(e);
}

bool powerSaveWillChange(const DISPLAY_LIST_ENTRY &e)
{
    return isSelected(e) && (e.seriesId == 1 || e.seriesId == 2)
        && (e.powerSaveMode == 0 || e.powerSaveMode == 1);
}

bool downloadFailed(const DISPLAY_LIST_ENTRY &e)
{
    return (e.matchStatus == MatchStatus::UpToDate || e.matchStatus == MatchStatus::NewerViaLan)
        && isSelected(e) && e.buildOk() && e.downloadStatus == DownloadState::Error;
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

QVariant displayListModel::actionText(const DISPLAY_LIST_ENTRY &e) const
{
    if (e.updateViaHTTP == 0 || !e.buildOk())
        return QVariant();
    switch (e.matchStatus) {
    case MatchStatus::NotComparable:
    case MatchStatus::NewerViaLan:
        return tr("Update", "action column - update");
    case MatchStatus::UpToDate:
        return tr("Overwrite", "action column - if fw is same");
    default:
        return QString();
    }
}

QVariant displayListModel::powerStateText(const DISPLAY_LIST_ENTRY &e) const
{
    switch (e.powerState) {
    case 1:
        return tr("Power On");
    case 2:
    case 4:
        return tr("Standby");
    case 3:
        return tr("Suspend");
    default:
        return QVariant();
    }
}

QString displayListModel::availabilityText(const DISPLAY_LIST_ENTRY &e) const
{
    auto byDownload = [&](const QString &idleText) {
        switch (e.downloadStatus) {
        case DownloadState::NotDownloaded:
            return idleText;
        case DownloadState::Error:
            return tr("Download error");
        case DownloadState::Downloading:
            return tr("%1% Downloading", "1=download percentage").arg(e.downloadPercent);
        case DownloadState::Downloaded:
            return e.matchStatus == MatchStatus::UpToDate
                ? tr("Downloaded")
                : tr("New version %1 downloaded", "1=new version number").arg(e.latestVersion);
        default:
            return QString();
        }
    };
    const QString newVersion = tr("New version %1 available", "1=new version number").arg(e.latestVersion);
    switch (e.matchStatus) {
    case MatchStatus::NotMatched:
        return tr("Unknown", "unable to check fw version");
    case MatchStatus::NoVersionReported:
        return tr("Version info not available from the display");
    case MatchStatus::NoRelease:
        return tr("None available for this model", "no FW available");
    case MatchStatus::NotComparable:
        return tr("Unable to compare versions", "fw version comparison failed");
    case MatchStatus::UpToDate:
        return isSelected(e) ? byDownload(tr("Available")) : tr("Up-to-date");
    case MatchStatus::NewerUsbOnly:
        return newVersion;
    case MatchStatus::NewerViaLan:
        return byDownload(newVersion);
    default:
        return QString();
    }
}

QString displayListModel::progressText(const DISPLAY_LIST_ENTRY &e, qint64 elapsedMs)
{
    // Records never describe more components than the row can hold.
    const int n = qBound(0, e.numPACComponents, int(e.componentProgress.size()));
    int sum = 0;
    for (int i = 0; i < n; ++i)
        sum += qMax(0, e.componentProgress[i]);
    const int total = n * 100;

    QString completed;
    for (int i = 0; i < 4 && i < n; ++i) {
        if (e.componentProgress[i] >= 100)
            completed += QStringLiteral("FW%1 ").arg(i + 1);
    }
    if (!completed.isEmpty())
        completed.prepend(tr("Completed: "));

    if (total < 1)
        return e.uploading ? tr("Uploading") : tr("Updating");

    QString remaining;
    if (e.updateDurationSecs > 0) {
        const qint64 r = e.updateDurationSecs - elapsedMs / 1000;
        // Past its estimate an update has no time left to count down.
        remaining = r < 0 ? tr(" Taking longer than estimated", "after the progress: the update runs past its estimated time")
                          : tr(" Estimated time remaining: %1:%2", "1=min 2=sec")
                                .arg(r / 60, 2, 10, QLatin1Char('0'))
                                .arg(r % 60, 2, 10, QLatin1Char('0'));
    }

    const int percent = sum * 100 / total;
    if (!e.uploading) {
        return tr("Updating %1% %2%3", "1=update percent complete 2=FW name 3=remaining time")
            .arg(percent).arg(completed, remaining);
    }
    if (e.uploadPercent < 0) {
        return tr("Uploading %1% %2%3", "1=upload percent complete 2=FW name 3=remaining time")
            .arg(percent).arg(completed, remaining);
    }
    return tr("Uploading %1% %2", "1=upload percent complete 2=remaining time")
        .arg(e.uploadPercent).arg(remaining);
}

QString displayListModel::statusColumnText(const DISPLAY_LIST_ENTRY &e) const
{
    if (!e.buildOk())
        return tr("Need newer application build %1.").arg(e.requiresAppBuild);
    if (e.lockStatus == 1 && isSelected(e))
        return tr("Error: Display is curently locked.");
    if (needsPowerOnToReport(e))
        return tr("Power On required to report display information.");
    if (e.commStatus == 1)
        return tr("Unable to communicate with display.");
    if (e.commStatus == 2 && isSelected(e))
        return tr("Error: Firmware update IP address is unreachable.");
    if (blockedByPowerState(e))
        return tr("Power state must be \"On\" to update firmware.");
    if (isSelected(e) && e.updateStatus == UpdateStatus::Idle && powerSaveWillChange(e))
        return tr("Power Save Mode will be changed to \"Off\"");

    switch (e.updateStatus) {
    case UpdateStatus::Idle:
        switch (e.lastUpdateStatus) {
        case UpdateStatus::Idle:
            if (e.legacyModel != 0 && !m_legacyEnabled
                && (e.matchStatus == MatchStatus::UpToDate || e.matchStatus == MatchStatus::NewerViaLan))
                return tr("Firmware updates on legacy models is disabled. See Application settings.");
            if (e.matchStatus == MatchStatus::NewerUsbOnly)
                return tr("Update via USB only");
            return QString();
        case UpdateStatus::Complete:
            return e.powerCycleKind == 2 ? tr("Success. Please manually cycle the display's AC power.")
                                         : tr("Success");
        default:
            return UpdateStatus::statusText(e.lastUpdateStatus);
        }
    case UpdateStatus::Running:
        return progressText(e, e.updateTimer.isValid() ? e.updateTimer.elapsed() : 0);
    default:
        return UpdateStatus::statusText(e.updateStatus);
    }
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
    if (needsPowerOnToReport(e))
        return info;
    if (e.commStatus == 1)
        return warning;
    if (e.lockStatus == 1 && isSelected(e))
        return warning;
    if (e.commStatus == 2 && isSelected(e))
        return warning;
    if (!e.buildOk())
        return info;
    if (blockedByPowerState(e))
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
    return powerSaveWillChange(e) ? info : QString();
}

QVariant displayListModel::displayText(const DISPLAY_LIST_ENTRY &e, int column) const
{
    switch (column) {
    case ActionColumn:
        return actionText(e);
    case ModelNameColumn:
        return e.modelName;
    case SerialNumberColumn:
        return e.serialNumber;
    case AssetTagColumn:
        return e.assetTag;
    case IpAddressColumn:
        return displayAddressText(e.ipAddress);
    case MacAddressColumn:
        return e.macAddress;
    case PowerStateColumn:
        return powerStateText(e);
    case CurrentFirmwareColumn:
        return e.currentFirmware;
    case AvailabilityColumn:
        return availabilityText(e);
    case StatusColumn:
        return statusColumnText(e);
    default:
        return QVariant();
    }
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
            && isSelected(e) && e.downloadStatus == DownloadState::Downloading)
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
            return statusColumnText(e);
        return tr("Right-click to refresh Display Information or change Power State", "tool tip");
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
    switch (section) {
    case ActionColumn:
        return tr("Action", "column title");
    case ModelNameColumn:
        return tr("Model Name", "column title");
    case SerialNumberColumn:
        return tr("Serial Number", "column title");
    case AssetTagColumn:
        return tr("Asset Tag", "column title");
    case IpAddressColumn:
        return tr("IP Address", "column title");
    case MacAddressColumn:
        return tr("MAC Address", "column title");
    case PowerStateColumn:
        return tr("Power State", "column title");
    case CurrentFirmwareColumn:
        return tr("Current Firmware", "column title");
    case AvailabilityColumn:
        return tr("Firmware availability", "column title");
    case StatusColumn:
        return tr("Status", "column title");
    default:
        return QVariant();
    }
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
