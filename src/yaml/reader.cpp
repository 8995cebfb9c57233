#include "yaml/reader.h"
