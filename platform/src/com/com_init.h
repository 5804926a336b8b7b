// COM's initialisation count, as the machine interface reads it.
#pragma once

namespace platform {

// CoInitialize calls not yet balanced by CoUninitialize.
int ComInitialisations();

}  // namespace platform
