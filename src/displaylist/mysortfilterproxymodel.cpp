#include "displaylist/mysortfilterproxymodel.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {

// The IPv4 number of a text that is an address, or nothing.
bool ipv4Value(const QString &text, quint32 *value)
{
    static const QRegularExpression dotted(
        QStringLiteral("(\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3})"));
    if (!dotted.match(text).hasMatch())
        return false;
    QHostAddress address;
    if (!address.setAddress(text))
        return false;
    bool ok = false;
    *value = address.toIPv4Address(&ok);
    return ok;
}

}

bool MySortFilterProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant leftData = sourceModel()->data(left);
    const QVariant rightData = sourceModel()->data(right);
    if (leftData.userType() != QMetaType::QString)
        return QSortFilterProxyModel::lessThan(left, right);

    const QString leftText = leftData.toString();
    const QString rightText = rightData.toString();
    quint32 leftAddress = 0;
    quint32 rightAddress = 0;
    if (ipv4Value(leftText, &leftAddress) && ipv4Value(rightText, &rightAddress))
        return leftAddress < rightAddress;
    return QString::localeAwareCompare(leftText, rightText) < 0;
}
