// Tests of the pools' block layout (records per block, alignment losses,
// block counts) mean nothing under the memory-debug option, where every
// record is a block of its own.
#pragma once

#include <gtest/gtest.h>

#ifdef ZEL_MEMDEBUG
#define ORV_SKIP_IN_MEMDEBUG() GTEST_SKIP() << "ZEL_MEMDEBUG: one record per block"
#else
#define ORV_SKIP_IN_MEMDEBUG() (void)0
#endif
