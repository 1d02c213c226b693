#include "Arguments.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

int TakeCount(int& argc, char** argv, const char* option, int fallback) {
    const size_t length = std::strlen(option);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], option, length) != 0) continue;
        const int count = std::max(1, std::atoi(argv[i] + length));
        std::copy(argv + i + 1, argv + argc, argv + i);
        --argc;
        return count;
    }
    return fallback;
}
