#include "checks/profile.h"
