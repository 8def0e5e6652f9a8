#pragma once

#include "simprotocol/displayconfig.h"

// Builds `count` displays from `firstAddress` upwards (skipping .0 and .255
// host bytes), with models of the demo catalogue and serial numbers, MAC
// addresses and firmware that vary with the index but are the same on every
// run. Displays of the series that report a second address get the address
// one higher in its second byte (127.0.1.5 -> 127.1.1.5).
QList<DisplayConfig> generateFleet(int count, const QHostAddress &firstAddress);
