#pragma once

#include "toolprocess.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QTemporaryDir>

// Runs the display fleet simulator (vdfu-displaysim) for a test.
//
//     SimulatorProcess sim;
//     QVERIFY2(sim.start(QJsonArray{QJsonObject{{"address", "127.0.0.2"},
//                                               {"modelName", "K5-552"}}}),
//              qPrintable(sim.errorString()));
//     ... let the code under test talk to 127.0.0.2 ...
//     QVERIFY(sim.waitForEvent("tcpCommand", {{"message", "C217"}}));
//
// Display keys, faults and events are documented in tools/README.md. Every
// display must have its own address from 127.0.0.2 up; two simulators
// running at the same time need different addresses.
class SimulatorProcess : public ToolProcess
{
    Q_OBJECT

public:
    explicit SimulatorProcess(QObject *parent = nullptr) : ToolProcess(parent) {}

    static constexpr int kDefaultStartTimeoutMs = 15000;

    // The displays as fleet-file entries (one object per display).
    bool start(const QJsonArray &displays, int timeoutMs = kDefaultStartTimeoutMs);
    // `count` generated displays from `firstAddress` up.
    bool startGenerated(int count, const QString &firstAddress = QStringLiteral("127.0.1.1"),
                        int timeoutMs = kDefaultStartTimeoutMs);

    // The addresses startGenerated() gives its displays: consecutive from
    // firstAddress, without .0 and .255.
    static QList<QHostAddress> generatedAddresses(int count, const QString &firstAddress);

private:
    QTemporaryDir m_dir;
};
