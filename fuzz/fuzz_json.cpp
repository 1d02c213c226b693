// The JSON import reader under the same checks as the CSV one.
#define QXV_FUZZ_JSON true
#include "fuzz_csv.cpp"
