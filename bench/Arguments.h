#pragma once

#include <string>

// A count given to a benchmark program as OPTION=N (say "--places=" and "20000"), taken out of
// the arguments before the benchmark library reads them; `fallback` when it is not given.
int TakeCount(int& argc, char** argv, const char* option, int fallback);

// The same for a text (say "--engine=" and "postgresql").
std::string TakeText(int& argc, char** argv, const char* option, const std::string& fallback);
