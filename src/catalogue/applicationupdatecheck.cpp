#include "catalogue/applicationupdatecheck.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

QString changeBlock(const ReleaseDbInfo &info, int currentBuild)
{
    QString lines;
    int number = 0;
    for (const AppChangeListEntry &entry : info.previousAppChangeListWindows) {
        if (entry.build <= currentBuild)
            continue;
        const QStringList pieces = entry.changeList.split(QLatin1Char('|'));
        for (const QString &piece : pieces) {
            lines += QCoreApplication::translate("ApplicationUpdateCheck", "%1. %2<br>",
                                                 "1=counter for fw change list 2=text for change information")
                         .arg(QString::number(++number), piece);
        }
    }
    if (lines.isEmpty())
        return QString();
    return QCoreApplication::translate("ApplicationUpdateCheck",
                                       "<br>The following changes have been made in this version:<br>%1<br>")
        .arg(lines);
}

}

ApplicationUpdateMessage applicationUpdateMessage(bool databaseLoaded, const ReleaseDbInfo &info,
                                                  bool showIfNoNewer, int currentBuild)
{
    ApplicationUpdateMessage message;
    if (databaseLoaded) {
        qInfo() << "Current application build:" << currentBuild;
        qInfo() << "Latest download application build:" << info.latestAppBuildWindows;
        if (info.latestAppBuildWindows > currentBuild) {
            message.text = QCoreApplication::translate(
                               "ApplicationUpdateCheck",
                               "<html>A newer version %1 is <a href=\"%2\">available for download</a>.%3</html>",
                               "1=latest version 2=URL link 3=changes list")
                               .arg(info.latestAppVersionStringWindows.toHtmlEscaped(),
                                    info.latestAppdownloadLocWindows.toHtmlEscaped(),
                                    changeBlock(info, currentBuild));
        } else if (info.latestAppBuildWindows > 0 && showIfNoNewer) {
            message.text = QCoreApplication::translate(
                "ApplicationUpdateCheck", "No newer updates are available. You are using the latest version.");
        }
    }
    if (message.text.isEmpty() && showIfNoNewer)
        message.text = QCoreApplication::translate("ApplicationUpdateCheck",
                                                   "Error: Unable to retrieve latest version information.");
    message.show = !message.text.isEmpty();
    return message;
}
