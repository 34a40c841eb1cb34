#include "shots.h"

namespace tarvik::shots {

void realtimeShots() {}

}  // namespace tarvik::shots
