// A file mapped into memory that another program cuts short makes the
// process fault when it touches the vanished pages (SIGBUS on POSIX). Only a
// fault inside the guarded mapping is turned into the read error of its
// listing and exit status -1; any other fault keeps its default action.
// Windows reads listings instead of mapping them, so there this does nothing.
#pragma once

#include <cstddef>

namespace korvcmp {

// Installs the handler for the rest of the process (the program's entry does
// this once; runs inside tests do not need it).
void installMappingFaultHandler();

// Faults inside [begin, begin + size) end the process with the message
// `report` (a whole line, prefix and newline included) on standard error and
// exit status -1. `report` must stay valid until unguardMapping(). One mapping
// is guarded at a time.
void guardMapping(const void* begin, std::size_t size, const char* report);
void unguardMapping();

}  // namespace korvcmp
