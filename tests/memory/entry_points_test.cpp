#include "memory_test_support.h"
