#pragma once

#include "cli/clicommand.h"

// `vdfu search`: the window's search, then one record per display with the
// window's columns.
class SearchCommand : public CliCommand
{
    Q_OBJECT

public:
    SearchCommand(const Context &context, QObject *parent = nullptr) : CliCommand(context, parent) {}

    void interrupt(int count) override;

protected:
    void databaseLoaded() override { searchDisplays(); }
    void displaysFound() override;
};
