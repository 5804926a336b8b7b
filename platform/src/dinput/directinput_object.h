// What the DirectInput object's source offers the rest of the platform: the
// count of DirectInput objects alive.
#pragma once

namespace platform::dinput {

// DirectInput objects made by DirectInputCreateEx and not yet released.
int LiveDirectInputObjects();

}  // namespace platform::dinput
