#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/logsink.h"
#include "app/sv_information_dialog.h"
#include "displaylist/displaylistmodel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace {
const QSize kDefaultWindowSize(871, 566);

QSize desktopSize()
{
    QRect desktop;
    const auto screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        desktop = desktop.united(screen->geometry());
    return desktop.size();
}
}

PDFirmUpTool::PDFirmUpTool(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::PDFirmUpTool)
{
    ui->setupUi(this);
    m_logWindow = new SV_Information_Dialog(this);
    m_logWindow->hide();

    loadSettings();

    LogSink::install(m_logWindow);

    m_model = new displayListModel(this);
    m_model->setLegacyEnabled(m_legacyEnabled);
    m_model->setDisplayList(&m_displayList);
    ui->display_list_tableView->setModel(m_model);

    connect(this, &PDFirmUpTool::update_info, m_model, &displayListModel::rowChanged);
    connect(this, &PDFirmUpTool::addRow, m_model, &displayListModel::addRow);
    connect(this, &PDFirmUpTool::resetAll, m_model, &displayListModel::resetAll);
    connect(m_model, &displayListModel::need_update_ui, this, qOverload<>(&PDFirmUpTool::update_ui));
    connect(ui->menu_View, &QMenu::aboutToShow, this, &PDFirmUpTool::itemMenuAboutToShow);

    update_ui(false);
}

PDFirmUpTool::~PDFirmUpTool()
{
    saveSettings();
    LogSink::uninstall();
    delete ui;
}

void PDFirmUpTool::loadSettings()
{
    auto store = SettingsStores::openMainStore();
    const MainSettings settings = MainSettings::load(*store);
    m_multiUpdateLimit = settings.multiUpdateLimit;
    m_legacyEnabled = settings.legacyEnabled;
    resize(restoredWindowSize(settings.windowSize, desktopSize(), kDefaultWindowSize));
    m_ipScanText = settings.ipScanText;
}

void PDFirmUpTool::saveSettings()
{
    MainSettings settings;
    settings.multiUpdateLimit = m_multiUpdateLimit;
    settings.legacyEnabled = m_legacyEnabled;
    settings.windowSize = size();
    settings.ipScanText = m_ipScanText;
    auto store = SettingsStores::openMainStore();
    settings.save(*store);
}

void PDFirmUpTool::update_ui()
{
    update_ui(true);
}

void PDFirmUpTool::update_ui(bool)
{
    ui->display_list_tableView->resizeColumnsToContents();
}

void PDFirmUpTool::on_actionExit_X_triggered()
{
    close();
}

void PDFirmUpTool::on_actionLog_triggered()
{
    if (m_logWindow->isHidden()) {
        m_logWindow->show();
        m_logWindow->activateWindow();
    } else {
        m_logWindow->close();
    }
}

void PDFirmUpTool::itemMenuAboutToShow()
{
    ui->actionLog->setChecked(m_logWindow->isVisible());
}
