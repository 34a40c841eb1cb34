#include "core/app_error.h"
#include "link/serial_link.h"
