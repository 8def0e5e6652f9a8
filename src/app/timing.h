#pragma once

// One factor for every protocol time-out, retry pause and wait of the
// application. It is 1 in the application; tests lower it so that a 30 s
// stall or a 5 s connect time-out passes in a fraction of a second, without
// editing the values themselves and without sleeping.
namespace Timing {

// `ms` times the factor, at least 1 ms for any positive `ms`.
int scaled(int ms);
void setScale(double factor);
double scale();

}
