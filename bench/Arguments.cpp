#include "Arguments.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

std::string TakeText(int& argc, char** argv, const char* option, const std::string& fallback) {
    const size_t length = std::strlen(option);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], option, length) != 0) continue;
        std::string text = argv[i] + length;
        std::copy(argv + i + 1, argv + argc, argv + i);
        --argc;
        return text;
    }
    return fallback;
}

int TakeCount(int& argc, char** argv, const char* option, int fallback) {
    const std::string text = TakeText(argc, argv, option, std::string());
    return text.empty() ? fallback : std::max(1, std::atoi(text.c_str()));
}
