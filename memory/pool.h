#pragma once
// The program's memory manager (memory/pool_api.h), with the inline definitions of the calls that
// containers make for every item (memory/fixed_blocks.h).
#include "memory/pool_api.h"
#include "memory/fixed_blocks.h"
