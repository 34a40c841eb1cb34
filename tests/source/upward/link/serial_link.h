#include "platform/port.h"
