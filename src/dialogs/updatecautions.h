#pragma once

#include <QString>
#include <QStringList>

// The cautions an operator reads before the first LAN update of a run: the
// cautions dialog shows them with a check box, the command line prints them
// before it asks. One text for both, in the dialog's translation context.
namespace UpdateCautions {

// "Please carefully read the following caution items ...".
QString heading();
// The cautions in order, as rich text without their numbers.
QStringList items();

}
