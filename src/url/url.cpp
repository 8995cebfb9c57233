#include "url/url.h"
