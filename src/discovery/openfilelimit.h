#pragma once

// Raises the process's soft limit of open files to its hard limit. A search
// of a large fleet holds a control connection (and at times a web probe) per
// display at once, which outgrows the usual soft limit of 1024. Returns the
// soft limit in force afterwards (the largest long when unlimited), or -1
// where the platform has no such limit or it cannot be read.
long raiseOpenFileLimit();
