#include "scl/SCLbase64.h"
