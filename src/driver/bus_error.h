// Listing 2 is read through a memory mapping. Should another program cut the
// file short while korvcmp runs, touching the vanished pages raises SIGBUS;
// this turns that into korvcmp's read error and exit status -1 instead of a
// crash.
#pragma once

namespace korvcmp {

// Installs the SIGBUS handler for the rest of the process (the program's
// entry does this; in-process runs in tests do not need it).
void reportBusErrorsAsReadErrors();

}  // namespace korvcmp
