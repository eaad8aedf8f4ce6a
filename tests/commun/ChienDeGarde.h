// Ends the test program (SIGALRM) when a test that could block for ever (a pipe without a reader,
// a lock, a text laid out for ever) outlives `secondes`: a regression then fails instead of
// hanging the suite. For the core's suites and the window's alike.
#pragma once

#include <unistd.h>

namespace kestrane::test {

struct ChienDeGarde {
    explicit ChienDeGarde(unsigned secondes = 60) { ::alarm(secondes); }
    ~ChienDeGarde() { ::alarm(0); }
    ChienDeGarde(const ChienDeGarde&) = delete;
    ChienDeGarde& operator=(const ChienDeGarde&) = delete;
};

}  // namespace kestrane::test
