#include "regex/syntax.h"
