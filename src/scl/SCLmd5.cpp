#include "scl/SCLmd5.h"
