#pragma once

// A failed property stops the fuzzer with the condition's text, like a crash would.

#include <cstdio>

#define CHECK(condition)                                                                        \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap();                                                                   \
        }                                                                                       \
    } while (0)
