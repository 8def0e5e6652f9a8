#pragma once

#include "app/mainsettings.h"
#include "displaylist/displaylistentry.h"

#include <QMainWindow>

namespace Ui {
class PDFirmUpTool;
}
class displayListModel;
class SV_Information_Dialog;

// The main window: owns the display list and every long-lived worker,
// routes the operator's commands and keeps their enabled state consistent
// with what is running.
class PDFirmUpTool : public QMainWindow
{
    Q_OBJECT

public:
    explicit PDFirmUpTool(QWidget *parent = nullptr);
    ~PDFirmUpTool() override;

    SV_Information_Dialog *logWindow() const { return m_logWindow; }

signals:
    void update_info(int row);
    void addRow(int row);
    void resetAll();

public slots:
    void update_ui();
    void update_ui(bool update_description_text);

private slots:
    void on_actionExit_X_triggered();
    void on_actionLog_triggered();
    void itemMenuAboutToShow();

private:
    void loadSettings();
    void saveSettings();

    Ui::PDFirmUpTool *ui;
    SV_Information_Dialog *m_logWindow = nullptr;
    DisplayList m_displayList;
    displayListModel *m_model = nullptr;
    int m_multiUpdateLimit = 5;
    bool m_legacyEnabled = false;
    QString m_ipScanText;
};
