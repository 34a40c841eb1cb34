#include "shots.h"

namespace tarvik::shots {

void chartShots() {}

}  // namespace tarvik::shots
