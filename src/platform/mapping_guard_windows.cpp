// Windows reads listings instead of mapping them (input_file_windows.cpp), so
// no mapped page can vanish under the reader and there is nothing to guard.
#include "platform/mapping_guard.h"

namespace korvcmp {

void installMappingFaultHandler() {}

void guardMapping(const void* /*begin*/, std::size_t /*size*/, const char* /*report*/) {}

void unguardMapping() {}

}  // namespace korvcmp
