#include "app/screen_host.h"

namespace moru {

int currentScreen = 0;
int refreshSuppressed = 0;

}  // namespace moru
